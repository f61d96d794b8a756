#include "vqframework/storage/Pair.h"

#include "vqframework/storage/ParamValue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using ParameterPair = LPair<ParamDescriptor, Variant, &ParamDescriptorToString>;

std::string Utf8(const String& text)
{
    return text.ToUTF8().GetString();
}

Variant Byte(uint8_t b)
{
    Variant value;
    value.Set(Variant::TypeUInt8, &b, 1);
    return value;
}

TEST(ParamDescriptorToStringTest, GivesTheIdAsUnsignedDecimal)
{
    struct Case {
        int32_t id;
        const char* text;
    };
    const Case cases[] = {{0, "0"}, {12, "12"}, {std::numeric_limits<int32_t>::max(), "2147483647"},
                          {-1, "4294967295"}, {std::numeric_limits<int32_t>::min(), "2147483648"}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, Utf8(ParamDescriptorToString(ParamDescriptor(c.id)))) << c.id;
        EXPECT_EQ(c.text, Utf8(ParameterPair::Create(ParamDescriptor(c.id), Variant())->ToString())) << c.id;
    }
}

TEST(ParameterPairTest, HoldsCopiesOfTheChangedValuesDescriptorAndValue)
{
    ParamValue changed(7, Variant(3), Byte(40));
    RCPtr<ParameterPair> pair = ParameterPair::Create(changed, changed.value);
    changed.id = 8;
    changed.key.Clear();
    changed.value = Byte(41);

    EXPECT_EQ(1, pair->GetRefCount());
    EXPECT_EQ(7, pair->key.id);
    EXPECT_EQ(Variant(3), pair->key.key);
    EXPECT_EQ(Byte(40), pair->value);
    EXPECT_EQ("7", Utf8(pair->ToString()));

    ConstRCPtr<LRefCountedObject> posted = pair;
    RCPtr<ParameterPair> received = RCPtrDynamicCast<ParameterPair>(posted);
    ASSERT_TRUE(received);
    EXPECT_EQ(Byte(40), received->value);
}

struct TestKey {
    int32_t a = 0;
};

// A ToString that takes a number alone would read as the number's text; only the one with decimals exists.
template <class T> concept HasOneArgumentToString = requires(const T& value) { ToString(value); };

TEST(KeyTextTest, PlainValuesGiveTheirTypeNameNotTheirValue)
{
    static_assert(!HasOneArgumentToString<int>);
    static_assert(!HasOneArgumentToString<TestKey>);
    EXPECT_EQ("12345", Utf8(ToString(12345, 0)));
    EXPECT_EQ("int", Utf8(DescribeValue(12345)));
    EXPECT_EQ("int", Utf8(LPair<int, int, &DescribeValue<int>>::Create(0x10, 1)->ToString()));
    EXPECT_EQ("int", Utf8(LPair<int, int, &DescribeValue<int>>::Create(-1, 1)->ToString()));
    EXPECT_EQ("long", Utf8(LPair<long, double, &DescribeValue<long>>::Create(65L, 1.0)->ToString()));
    EXPECT_EQ("VQ::(anonymous namespace)::TestKey", Utf8(DescribeValue(TestKey{3})));
}

class LTestFont : public virtual LRefCountedObject {
public:
    explicit LTestFont(std::vector<std::string>* log = nullptr) : m_log(log) {}
    ~LTestFont() override
    {
        if (m_log)
            m_log->push_back("font");
    }
    String ToString() const override { return String(u"Arial 12"); }

private:
    std::vector<std::string>* m_log;
};

class LTestFontFile : public virtual LRefCountedObject {
public:
    explicit LTestFontFile(std::vector<std::string>* log) : m_log(log) {}
    ~LTestFontFile() override { m_log->push_back("file"); }

private:
    std::vector<std::string>* m_log;
};

using FontPair = LPair<ConstRCPtr<LTestFont>, RCPtr<LTestFontFile>, &DescribeValue<ConstRCPtr<LTestFont>>>;

TEST(KeyTextTest, CountedPointersGiveTheirObjectsTextOrNothing)
{
    EXPECT_EQ("", Utf8(FontPair::Create(ConstRCPtr<LTestFont>(), RCPtr<LTestFontFile>())->ToString()));
    EXPECT_TRUE(DescribeValue(RCPtr<LTestFont>()).IsEmpty());
    EXPECT_EQ("Arial 12", Utf8(DescribeValue(RCPtr<LTestFont>(new LTestFont))));

    ConstRCPtr<LTestFont> font = new LTestFont;
    EXPECT_EQ("Arial 12", Utf8(FontPair::Create(font, RCPtr<LTestFontFile>())->ToString()));
}

TEST(ParameterPairTest, PairHoldsItsReferencesAndReleasesValueBeforeKey)
{
    std::vector<std::string> log;
    RCPtr<FontPair> pair;
    {
        ConstRCPtr<LTestFont> font = new LTestFont(&log);
        RCPtr<LTestFontFile> file = new LTestFontFile(&log);
        pair = FontPair::Create(font, file);
        EXPECT_EQ(2, font->GetRefCount());
        EXPECT_EQ(2, file->GetRefCount());
    }
    EXPECT_TRUE(log.empty()) << "the pair keeps both objects alive";
    pair.Release();
    EXPECT_EQ((std::vector<std::string>{"file", "font"}), log);
}

struct Logged {
    std::vector<std::string>* log;
    std::string name;
    ~Logged()
    {
        if (log)
            log->push_back(name);
    }
};

TEST(PairTest, DestroysSecondBeforeFirst)
{
    std::vector<std::string> log;
    {
        Pair<Logged, Logged> pair{Logged{nullptr, "first"}, Logged{nullptr, "second"}};
        pair.first.log = &log;
        pair.second.log = &log;
    }
    EXPECT_EQ((std::vector<std::string>{"second", "first"}), log);
}

TEST(PairTest, CopiesOfStringPairsShareTheTexts)
{
    Pair<String, String> entry{String(u"IDS_OK"), String(u"OK")};
    Pair<String, String> copy = entry;
    EXPECT_EQ(entry.first.GetBuffer().Get(), copy.first.GetBuffer().Get());
    EXPECT_EQ(entry.second.GetBuffer().Get(), copy.second.GetBuffer().Get());
    EXPECT_EQ(2, entry.second.GetBuffer()->GetRefCount());
    copy.second = String(u"Cancel");
    EXPECT_EQ("OK", Utf8(entry.second));
    EXPECT_EQ(1, entry.second.GetBuffer()->GetRefCount());
}

} // namespace
} // namespace VQ
