#include "devicecontrol/generatedcode/engine/src/ParamCache.h"

#include "ModelTestSupport.h"

#include <gtest/gtest.h>

namespace VQ::test {
namespace {

// Notes the changes the cache announces.
class LNotingCache : public LParamCache {
public:
    static RCPtr<LNotingCache> Create(int32_t count) { return RCPtr<LNotingCache>(new LNotingCache(count)); }
    VQRESULT OnValueChanged(int32_t index, const Variant& value) override
    {
        changes.push_back(ParamValue(index, Variant(), value));
        return LParamCache::OnValueChanged(index, value);
    }

    std::vector<ParamValue> changes;

private:
    explicit LNotingCache(int32_t count) : LParamCache(count) {}
};

ParamDescriptor Keyed(int32_t index, const char* key)
{
    ParamDescriptor descriptor(index);
    descriptor.key.SetString(key);
    return descriptor;
}

TEST(ParamCache, IndexesOutsideTheCountAreRefusedAndReadEmpty)
{
    RCPtr<LParamCache> cache = LParamCache::Create(17);
    for (int32_t index : {17, -1, 1000}) {
        Variant out = Blob({1});
        EXPECT_EQ(cache->GetValue(ParamDescriptor(index), out), -1) << index;
        EXPECT_EQ(out.GetType(), Variant::TypeEmpty) << index;
        EXPECT_EQ(cache->SetValue(ParamDescriptor(index), Blob({1}), true), -1) << index;
    }
    for (int32_t index : {0, 16}) {
        Variant out = Blob({1});
        EXPECT_EQ(cache->GetValue(ParamDescriptor(index), out), 0) << index;
        EXPECT_EQ(out.GetType(), Variant::TypeEmpty) << "entries start empty";
    }
    RCPtr<LParamCache> none = LParamCache::Create(-3);
    Variant out;
    EXPECT_EQ(none->SetValue(ParamDescriptor(0), Blob({1}), false), -1);
    EXPECT_EQ(none->GetValue(ParamDescriptor(0), out), -1);
}

TEST(ParamCache, StoresChangedValuesAndAnnouncesThemOnlyWhenAsked)
{
    RCPtr<LNotingCache> cache = LNotingCache::Create(17);
    const Variant first = Blob({1, 2, 3});
    EXPECT_EQ(cache->SetValue(ParamDescriptor(4), first, false), 0);
    EXPECT_TRUE(cache->changes.empty());
    EXPECT_EQ(cache->SetValue(ParamDescriptor(4), first, true), 1);
    EXPECT_TRUE(cache->changes.empty()) << "an equal value is no change";

    const Variant second = Blob({1, 2, 4});
    EXPECT_EQ(cache->SetValue(ParamDescriptor(4), second, true), 0);
    ASSERT_EQ(cache->changes.size(), 1u);
    EXPECT_EQ(cache->changes[0].id, 4);
    EXPECT_TRUE(cache->changes[0].value == second);

    Variant out;
    EXPECT_EQ(cache->GetValue(ParamDescriptor(4), out), 0);
    EXPECT_TRUE(out == second);
    EXPECT_EQ(cache->OnValueChanged(0, out), E_NOTIMPL);
}

TEST(ParamCache, KeyedValuesLiveInTheEntryAsAValueList)
{
    RCPtr<LNotingCache> cache = LNotingCache::Create(17);
    EXPECT_EQ(cache->SetValue(Keyed(3, "b"), Variant(2), true), 0);
    EXPECT_EQ(cache->SetValue(Keyed(3, "a"), Variant(1), true), 0);
    EXPECT_EQ(cache->SetValue(Keyed(3, "a"), Variant(1), true), 1);
    ASSERT_EQ(cache->changes.size(), 2u);
    EXPECT_EQ(cache->changes[1].value.GetType(), Variant::TypeList) << "the whole list is announced";

    Variant out;
    EXPECT_EQ(cache->GetValue(Keyed(3, "a"), out), 0);
    EXPECT_TRUE(out == Variant(1));
    EXPECT_EQ(cache->GetValue(Keyed(3, "b"), out), 0);
    EXPECT_TRUE(out == Variant(2));
    out = Variant(5);
    EXPECT_EQ(cache->GetValue(Keyed(3, "c"), out), 1);
    EXPECT_EQ(out.GetType(), Variant::TypeEmpty);

    ParamValues list;
    EXPECT_EQ(cache->GetValue(ParamDescriptor(3), list), 0);
    EXPECT_EQ(list.GetListCount(), 2u);

    // A list whose element is not [value, id, key] cannot take a keyed value.
    const Variant item(7);
    Variant malformed;
    malformed.SetList(&item, 1);
    Variant wrapped;
    wrapped.SetList(&malformed, 1);
    EXPECT_EQ(cache->SetValue(ParamDescriptor(5), wrapped, false), 0);
    EXPECT_EQ(cache->SetValue(Keyed(5, "a"), Variant(1), true), -1);
    EXPECT_EQ(cache->changes.size(), 2u);

    // A plain value (a pad's bytes) is no list: a keyed value neither replaces it nor reads from it.
    const uint8_t bytes[] = {36, 0, 0, 0};
    Variant pad;
    pad.SetBuffer(bytes, sizeof bytes);
    ASSERT_EQ(cache->SetValue(ParamDescriptor(1), pad, false), 0);
    EXPECT_EQ(cache->SetValue(Keyed(1, "a"), Variant(77), true), -1);
    EXPECT_EQ(cache->GetValue(Keyed(1, "a"), out), -1);
    EXPECT_EQ(out.GetType(), Variant::TypeEmpty);
    EXPECT_EQ(cache->GetValue(ParamDescriptor(1), out), 0);
    EXPECT_TRUE(out == pad);
    EXPECT_EQ(cache->changes.size(), 2u);
}

} // namespace
} // namespace VQ::test
