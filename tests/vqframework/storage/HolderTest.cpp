#include "vqframework/storage/Holder.h"

#include "vqframework/objectbase/TaggableObject.h"
#include "vqframework/storage/ParamValue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using StatusText = LWrapperStringable<String, &StringToString, LTaggableObject>;
using ValuesPayload = LWrapper<ParamValues, LRefCountedObject>;

std::string Utf8(const String& text)
{
    return text.ToUTF8().GetString();
}

const std::string kDefaultText = "LRefCountedObject::ToString() not overridden. Returning TypeName: ";

enum class ConnectionState : int32_t { Disconnected, Connecting, Connected, Failed };

template <class T> struct Sample;
template <> struct Sample<unsigned int> {
    static unsigned int Value() { return 4000000000u; }
};
template <> struct Sample<int> {
    static int Value() { return -1; }
};
template <> struct Sample<bool> {
    static bool Value() { return true; }
};
template <> struct Sample<ConnectionState> {
    static ConnectionState Value() { return ConnectionState::Failed; }
};

template <class T> class HolderOfTest : public ::testing::Test {};
using HeldTypes = ::testing::Types<unsigned int, int, bool, ConnectionState>;
TYPED_TEST_SUITE(HolderOfTest, HeldTypes);

TYPED_TEST(HolderOfTest, CreateHoldsZeroWithOneReference)
{
    RCPtr<LHolder<TypeParam>> holder = LHolder<TypeParam>::Create();
    EXPECT_EQ(TypeParam{}, holder->GetValue());
    EXPECT_EQ(1, holder->GetRefCount());
    EXPECT_TRUE(holder->IsShareable());
}

TYPED_TEST(HolderOfTest, CreateWithValueHoldsIt)
{
    RCPtr<LHolder<TypeParam>> holder = LHolder<TypeParam>::Create(Sample<TypeParam>::Value());
    EXPECT_EQ(Sample<TypeParam>::Value(), holder->GetValue());
    EXPECT_EQ(1, holder->GetRefCount());
}

TEST(HolderTest, ValueWrittenBySenderIsSeenByEveryHolderOfThePayload)
{
    RCPtr<LHolder<unsigned int>> holder = LHolder<unsigned int>::Create();
    ConstRCPtr<LRefCountedObject> posted = holder;
    const unsigned int* address = &holder->GetValue();

    holder->GetValue() = 5;
    RCPtr<LHolder<unsigned int>> received = RCPtrDynamicCast<LHolder<unsigned int>>(posted);
    ASSERT_TRUE(received);
    EXPECT_EQ(5u, received->GetValue());
    EXPECT_EQ(address, &received->GetValue());
    EXPECT_EQ(3, holder->GetRefCount());

    ConstRCPtr<LHolder<int>> descriptor = LHolder<int>::Create(7);
    EXPECT_EQ(7, descriptor->GetValue());
}

struct Tracked {
    static inline int alive = 0;
    Tracked() { ++alive; }
    Tracked(const Tracked&) { ++alive; }
    ~Tracked() { --alive; }
};

TEST(HolderTest, ReleasingTheLastReferenceDestroysHolderAndValue)
{
    RCPtr<LHolder<Tracked>> holder = LHolder<Tracked>::Create();
    RCPtr<LHolder<Tracked>> second = holder;
    EXPECT_EQ(1, Tracked::alive);
    holder.Release();
    EXPECT_EQ(1, Tracked::alive);
    second.Release();
    EXPECT_EQ(0, Tracked::alive);
}

TEST(HolderTest, TextFormsOfHoldersAndValueWrappersNameTheirType)
{
    EXPECT_EQ(kDefaultText + "VQ::LHolder<unsigned int>", Utf8(LHolder<unsigned int>::Create()->ToString()));
    EXPECT_EQ(kDefaultText + "VQ::LWrapper<VQ::ParamValues, VQ::LRefCountedObject>",
              Utf8(ValuesPayload::Create()->ToString()));
}

Variant Byte(uint8_t b)
{
    Variant value;
    value.Set(Variant::TypeUInt8, &b, 1);
    return value;
}

TEST(WrapperTest, CreateWithoutValuesGivesAnEmptyList)
{
    RCPtr<ValuesPayload> payload = ValuesPayload::Create();
    EXPECT_EQ(Variant::TypeEmpty, payload->GetType());
    EXPECT_EQ(0u, payload->GetListCount());
    EXPECT_EQ(1, payload->GetRefCount());
}

TEST(WrapperTest, KeepsItsOwnCopyOfTheValueList)
{
    auto* delivered = new ParamValues;
    for (int32_t id = 0; id < 3; ++id)
        delivered->SetValue(ParamDescriptor(id), Byte(static_cast<uint8_t>(10 + id)));
    RCPtr<ValuesPayload> payload = ValuesPayload::Create(*delivered);

    uint32_t sourceSize = 0;
    uint32_t copySize = 0;
    EXPECT_NE(delivered->GetData(&sourceSize), payload->GetData(&copySize));
    EXPECT_EQ(*delivered, *payload);
    delivered->SetValue(ParamDescriptor(1), Byte(99));
    delete delivered;

    // A receiver sees a counted object and reads it as the list it is.
    ConstRCPtr<LRefCountedObject> posted = payload;
    RCPtr<ValuesPayload> received = RCPtrDynamicCast<ValuesPayload>(posted);
    ASSERT_TRUE(received);
    const ParamValues& values = *received;
    ASSERT_EQ(3u, values.GetListCount());
    Variant value;
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(1), value));
    EXPECT_EQ(Byte(11), value);
}

TEST(WrapperStringableTest, IsTheStringItWraps)
{
    const String text(u"abc");
    RCPtr<StatusText> status = StatusText::Create(text);
    EXPECT_EQ("abc", Utf8(status->ToString()));
    EXPECT_EQ(text.GetBuffer().Get(), status->GetBuffer().Get()) << "the copy shares the text's buffer";
    EXPECT_EQ(3, status->GetLength());
    EXPECT_TRUE(status->GetTag().IsEmpty());
    EXPECT_EQ(1, status->GetRefCount());

    ConstRCPtr<LRefCountedObject> posted = status;
    EXPECT_EQ("abc", Utf8(posted->ToString()));
    RCPtr<StatusText> received = RCPtrDynamicCast<StatusText>(posted);
    ASSERT_TRUE(received);
    EXPECT_TRUE(*received == u"abc");
}

TEST(WrapperStringableTest, ReleasesItsTagAndTextWithTheLastReference)
{
    ConstRCPtr<LRefCountedObject> tag = new LTaggableObject;
    String text(u"status");
    {
        RCPtr<StatusText> status = StatusText::Create(text);
        status->SetTag(tag);
        EXPECT_EQ(2, tag->GetRefCount());
        EXPECT_EQ(2, text.GetBuffer()->GetRefCount());
    }
    EXPECT_EQ(1, tag->GetRefCount());
    EXPECT_EQ(1, text.GetBuffer()->GetRefCount());
}

} // namespace
} // namespace VQ
