#include "vqframework/control/EventParams.h"

#include "vqframework/control/Control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace VQ {
namespace {

std::string Text(const LRefCountedObject& object)
{
    std::string out;
    object.ToString().ToUTF8(out);
    return out;
}

TEST(EventParamsTest, PrintsTheirDiagnosticTexts)
{
    const RCPtr<LRefCountedObject> keyData = LKeyParam::Create(KeyCode::Parse(u"Ctrl+VKEY_C"), 1);
    const struct {
        RCPtr<LRefCountedObject> param;
        const char* text;
    } cases[] = {
        {LPointWithModifiersParam::Create({3, -4}, 0x49, 0), "point(3, -4)  modifiers: 0x00000049"},
        // No button or double-click information.
        {LMouseButtonParam::Create(4, {10, 20}, 1, 1, 5, 0), "point(10, 20)  modifiers: 0x00000001"},
        {LMouseWheelParam::Create({0, 0}, 0, 0), "point(0, 0)  modifiers: 0x00000000  direction: down"},
        {LMouseWheelParam::Create({1, 2}, 8, 1), "point(1, 2)  modifiers: 0x00000008  direction: up"},
        {LMouseWheelParam::Create({1, 2}, 8, 2), "point(1, 2)  modifiers: 0x00000008  direction: up"},
        {LMouseWheelParam::Create({1, 2}, 8, 3), "point(1, 2)  modifiers: 0x00000008  direction: up"},
        {LConditionsParam::Create(1, 3, {1.5, -2}), "(1.5, -2)"},
        {LItemConditionsParam::Create(1, 2, 3, 0, 1, {0.1, 1e20}), "(0.1, 1e+20)"},
        {LValueParam::Create(0.25, 100), "ValueParam = 0.250000"},
        {LValueParam::Create(1.0 / 3, 0), "ValueParam = 0.333333"},
        {LIndexedDataWithValueParam::Create(keyData, 7, 1),
         "LIndexedDataParam: Index = 7, Data = Ctrl+VKEY_C Value = 1.000000"},
        // No data object: nothing after "Data = ".
        {LIndexedDataWithValueParam::Create(nullptr, -1, 0.5),
         "LIndexedDataParam: Index = -1, Data =  Value = 0.500000"},
        {keyData, "Ctrl+VKEY_C"},
        {LKeyParam::Create(KeyCode(0x0400000D), 0), "Alt+[13]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(*c.param), c.text);

    // The others keep the text every counted object has; the type name it ends with is the compiler's.
    const std::string fallback = "LRefCountedObject::ToString() not overridden. Returning TypeName: ";
    for (const RCPtr<LRefCountedObject>& param :
         {RCPtr<LRefCountedObject>(LSiblingKeyParam::Create(KeyCode(), nullptr)),
          RCPtr<LRefCountedObject>(LTextValidationParams::Create(u"text")),
          RCPtr<LRefCountedObject>(LCancelArgs::Create())})
        EXPECT_EQ(Text(*param).substr(0, fallback.size()), fallback);
}

TEST(EventParamsTest, CreateSetsFieldsAndDefaults)
{
    const RCPtr<LMouseButtonParam> button = LMouseButtonParam::Create(2, {5, 6}, 0x40, 1, 3, 7);
    EXPECT_EQ(button->button, 2);
    EXPECT_EQ(button->x, 5);
    EXPECT_EQ(button->y, 6);
    EXPECT_EQ(button->modifiers, 0x40u);
    EXPECT_EQ(button->doubleClick, 1u);
    EXPECT_EQ(button->buttonsHeld, 3u);
    EXPECT_EQ(button->pointerIndex, 7);

    const RCPtr<LMouseWheelParam> wheel = LMouseWheelParam::Create({1, 2}, 1, 3);
    EXPECT_EQ(wheel->direction, 3);
    EXPECT_EQ(wheel->pointerIndex, 0);

    const RCPtr<LItemConditionsParam> item = LItemConditionsParam::Create(4, 5, 6, 1, 2, {0.5, 1.5});
    EXPECT_EQ(item->itemWords, (std::array<int32_t, 3>{4, 5, 6}));
    EXPECT_EQ(item->previousConditions, 1u);
    EXPECT_EQ(item->currentConditions, 2u);
    EXPECT_EQ(item->point, (PointT<double>{0.5, 1.5}));

    const RCPtr<LKeyParam> key = LKeyParam::Create(KeyCode(0x21430000, 4, 1), 1);
    EXPECT_EQ(key->key.GetCode(), 0x21430000u);
    EXPECT_EQ(key->key.GetSideMask(), 4);
    EXPECT_EQ(key->route, 1);
    EXPECT_EQ(key->path.GetCount(), 0u);

    const RCPtr<LSiblingKeyParam> sibling = LSiblingKeyParam::Create(KeyCode(0x00000009), nullptr);
    EXPECT_EQ(sibling->result, -1);
    EXPECT_EQ(sibling->key.GetCode(), 9u);

    const RCPtr<LTextValidationParams> validation = LTextValidationParams::Create(u"12.5");
    EXPECT_TRUE(validation->valid);
    EXPECT_EQ(validation->oldText, u"12.5");
    EXPECT_EQ(validation->proposedText, u"12.5");
    validation->proposedText = u"13";
    EXPECT_EQ(validation->oldText, u"12.5");

    EXPECT_FALSE(LCancelArgs::Create()->cancel);

    const RCPtr<LValueParam> value = LValueParam::Create(0.5, 440);
    EXPECT_EQ(value->normalizedValue, 0.5);
    EXPECT_EQ(value->value, 440);
}

// A released object's block goes back to its class's pool and the next creation takes it.
template <class T, class Make> void ExpectBlockReused(Make make)
{
    auto& pool = T::GetPool();
    RCPtr<T> first = make();
    const void* const address = first.Get();
    const uint32_t blocks = pool.GetBlockCount();
    const uint32_t free = pool.GetFreeCount();
    first.Release();
    EXPECT_EQ(pool.GetFreeCount(), free + 1);
    const RCPtr<T> second = make();
    EXPECT_EQ(static_cast<const void*>(second.Get()), address);
    EXPECT_EQ(pool.GetBlockCount(), blocks);
    EXPECT_EQ(pool.GetFreeCount(), free);
}

TEST(EventParamsTest, PooledClassesReuseReleasedBlocks)
{
    ExpectBlockReused<LPointWithModifiersParam>([] { return LPointWithModifiersParam::Create({1, 2}, 0, 0); });
    ExpectBlockReused<LMouseButtonParam>([] { return LMouseButtonParam::Create(1, {1, 2}, 0, 0, 1, 0); });
    ExpectBlockReused<LMouseWheelParam>([] { return LMouseWheelParam::Create({1, 2}, 0, 1); });
    ExpectBlockReused<LConditionsParam>([] { return LConditionsParam::Create(0, 1, {0, 0}); });
    ExpectBlockReused<LValueParam>([] { return LValueParam::Create(0.5, 1); });
}

TEST(EventParamsTest, DerivedClassesDoNotTakeTheBaseClassBlocks)
{
    // Button and wheel parameters have pools of their own: each takes one block from its own pool,
    // a new one or a free one, and none from the base class's.
    const auto inUse = [](const ReuseAllocatorBase& pool) {
        return int64_t(pool.GetBlockCount()) - int64_t(pool.GetFreeCount());
    };
    const int64_t pointInUse = inUse(LPointWithModifiersParam::GetPool());
    const uint32_t pointBlocks = LPointWithModifiersParam::GetPool().GetBlockCount();
    const int64_t buttonInUse = inUse(LMouseButtonParam::GetPool());
    const int64_t wheelInUse = inUse(LMouseWheelParam::GetPool());
    const RCPtr<LMouseButtonParam> button = LMouseButtonParam::Create(1, {0, 0}, 0, 0, 1, 0);
    const RCPtr<LMouseWheelParam> wheel = LMouseWheelParam::Create({0, 0}, 0, 0);
    EXPECT_EQ(LPointWithModifiersParam::GetPool().GetBlockCount(), pointBlocks);
    EXPECT_EQ(inUse(LPointWithModifiersParam::GetPool()), pointInUse);
    EXPECT_EQ(inUse(LMouseButtonParam::GetPool()), buttonInUse + 1);
    EXPECT_EQ(inUse(LMouseWheelParam::GetPool()), wheelInUse + 1);

    // Item parameters pass through the conditions pool to the general heap.
    const uint32_t conditionBlocks = LConditionsParam::GetPool().GetBlockCount();
    const uint32_t conditionFree = LConditionsParam::GetPool().GetFreeCount();
    RCPtr<LItemConditionsParam> item = LItemConditionsParam::Create(1, 2, 3, 0, 1, {0, 0});
    item.Release();
    EXPECT_EQ(LConditionsParam::GetPool().GetBlockCount(), conditionBlocks);
    EXPECT_EQ(LConditionsParam::GetPool().GetFreeCount(), conditionFree);
}

} // namespace
} // namespace VQ
