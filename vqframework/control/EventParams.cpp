#include "vqframework/control/EventParams.h"

#include "vqframework/control/Control.h"

#include "vqframework/storage/StringFormat.h"

namespace VQ {

using String = StringT<char16_t, char>;

static_assert(sizeof(LItemConditionsParam) > sizeof(LConditionsParam),
              "item parameters must not take the blocks of the conditions pool");

String LPointParam::ToString() const
{
    return String::Format(u"point(%d, %d)", x, y);
}

RCPtr<LPointWithModifiersParam> LPointWithModifiersParam::Create(const PointT<int32_t>& point, uint32_t modifiers,
                                                                 int32_t pointerIndex)
{
    return new LPointWithModifiersParam(point, modifiers, pointerIndex);
}

String LPointWithModifiersParam::ToString() const
{
    String text = LPointParam::ToString();
    text += String::Format(u"  modifiers: 0x%08x", modifiers);
    return text;
}

RCPtr<LMouseButtonParam> LMouseButtonParam::Create(int32_t button, const PointT<int32_t>& point, uint32_t modifiers,
                                                   uint32_t doubleClick, uint32_t buttonsHeld, int32_t pointerIndex)
{
    return new LMouseButtonParam(button, point, modifiers, doubleClick, buttonsHeld, pointerIndex);
}

RCPtr<LMouseWheelParam> LMouseWheelParam::Create(const PointT<int32_t>& point, uint32_t modifiers, int32_t direction)
{
    return new LMouseWheelParam(point, modifiers, direction);
}

String LMouseWheelParam::ToString() const
{
    String text = LPointWithModifiersParam::ToString();
    text += String::Format(u"  direction: %s", direction != 0 ? u"up" : u"down");
    return text;
}

RCPtr<LConditionsParam> LConditionsParam::Create(uint32_t previousConditions, uint32_t currentConditions,
                                                 const PointT<double>& point)
{
    return new LConditionsParam(previousConditions, currentConditions, point);
}

String LConditionsParam::ToString() const
{
    return String::Format(u"(%g, %g)", point.x, point.y);
}

RCPtr<LItemConditionsParam> LItemConditionsParam::Create(int32_t item1, int32_t item2, int32_t item3,
                                                         uint32_t previousConditions, uint32_t currentConditions,
                                                         const PointT<double>& point)
{
    return new LItemConditionsParam(item1, item2, item3, previousConditions, currentConditions, point);
}

RCPtr<LValueParam> LValueParam::Create(double normalizedValue, double value)
{
    return new LValueParam(normalizedValue, value);
}

String LValueParam::ToString() const
{
    return String::Format(u"ValueParam = %lf", normalizedValue);
}

String LIndexedDataParam::ToString() const
{
    String text = String::Format(u"LIndexedDataParam: Index = %d, Data = ", index);
    if (data)
        text += data->ToString();
    return text;
}

RCPtr<LIndexedDataWithValueParam> LIndexedDataWithValueParam::Create(const RCPtr<LRefCountedObject>& data,
                                                                     int32_t index, double value)
{
    return new LIndexedDataWithValueParam(data, index, value);
}

String LIndexedDataWithValueParam::ToString() const
{
    String text = LIndexedDataParam::ToString();
    text += String::Format(u" Value = %lf", value);
    return text;
}

LKeyParam::LKeyParam(const KeyCode& key, int32_t route) : key(key), route(route) {}

LKeyParam::~LKeyParam() = default;

RCPtr<LKeyParam> LKeyParam::Create(const KeyCode& key, int32_t route)
{
    return new LKeyParam(key, route);
}

String LKeyParam::ToString() const
{
    return key.ToString();
}

LSiblingKeyParam::LSiblingKeyParam(const KeyCode& key, const RCPtr<LControl>& control) : key(key), control(control)
{
}

LSiblingKeyParam::~LSiblingKeyParam() = default;

RCPtr<LSiblingKeyParam> LSiblingKeyParam::Create(const KeyCode& key, const RCPtr<LControl>& control)
{
    return new LSiblingKeyParam(key, control);
}

RCPtr<LTextValidationParams> LTextValidationParams::Create(const String& text)
{
    return new LTextValidationParams(text);
}

RCPtr<LCancelArgs> LCancelArgs::Create()
{
    return new LCancelArgs();
}

} // namespace VQ
