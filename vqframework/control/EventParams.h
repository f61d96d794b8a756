// The payloads of input events and control notifications: small counted value holders with a
// diagnostic text. The ones made for every mouse move or value change come from per-class pools,
// all locked, since payloads may be released on another thread than the UI thread.
#pragma once

#include "vqframework/control/KeyCode.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/ReuseAllocator.h"
#include "vqframework/storage/StringT.h"

#include <array>
#include <cstdint>

namespace VQ {

class LControl;

// Only ever made as the base of a derived parameter.
class LPointParam : public virtual LRefCountedObject {
public:
    StringT<char16_t, char> ToString() const override;

    int32_t x = 0;
    int32_t y = 0;

protected:
    explicit LPointParam(const PointT<int32_t>& point) : x(point.x), y(point.y) {}
};

class LPointWithModifiersParam : public LPointParam,
                                 public ReusePooled<LPointWithModifiersParam, 32, true> {
public:
    static RCPtr<LPointWithModifiersParam> Create(const PointT<int32_t>& point, uint32_t modifiers,
                                                  int32_t pointerIndex);

    StringT<char16_t, char> ToString() const override;

    // 1 Ctrl, 8 Shift, 0x40 Alt; no left/right bits.
    uint32_t modifiers = 0;
    // 0 for the mouse.
    int32_t pointerIndex = 0;

protected:
    LPointWithModifiersParam(const PointT<int32_t>& point, uint32_t modifiers, int32_t pointerIndex)
        : LPointParam(point), modifiers(modifiers), pointerIndex(pointerIndex)
    {
    }
};

// Its text is that of the point and modifiers alone.
class LMouseButtonParam : public LPointWithModifiersParam,
                          public ReusePooled<LMouseButtonParam, 32, true> {
    // Both this class and its base are pooled, so the pool's members must be named to be unambiguous.
    using Pool = ReusePooled<LMouseButtonParam, 32, true>;

public:
    using Pool::GetPool;
    using Pool::operator new;
    using Pool::operator delete;

    static RCPtr<LMouseButtonParam> Create(int32_t button, const PointT<int32_t>& point, uint32_t modifiers,
                                           uint32_t doubleClick, uint32_t buttonsHeld, int32_t pointerIndex);

    // 1 left, 2 middle, 4 right.
    int32_t button = 0;
    // 1 on a double-click press and on the release after it.
    uint32_t doubleClick = 0;
    // Buttons down at the time of the event, as button bits.
    uint32_t buttonsHeld = 0;

protected:
    LMouseButtonParam(int32_t button, const PointT<int32_t>& point, uint32_t modifiers, uint32_t doubleClick,
                      uint32_t buttonsHeld, int32_t pointerIndex)
        : LPointWithModifiersParam(point, modifiers, pointerIndex), button(button), doubleClick(doubleClick),
          buttonsHeld(buttonsHeld)
    {
    }
};

class LMouseWheelParam : public LPointWithModifiersParam,
                         public ReusePooled<LMouseWheelParam, 4, true> {
    // Both this class and its base are pooled, so the pool's members must be named to be unambiguous.
    using Pool = ReusePooled<LMouseWheelParam, 4, true>;

public:
    using Pool::GetPool;
    using Pool::operator new;
    using Pool::operator delete;

    // The pointer index is always 0.
    static RCPtr<LMouseWheelParam> Create(const PointT<int32_t>& point, uint32_t modifiers, int32_t direction);

    // "up" for every direction but 0.
    StringT<char16_t, char> ToString() const override;

    // 0 vertical towards the user, 1 vertical away, 2 horizontal left, 3 horizontal right.
    int32_t direction = 0;

protected:
    LMouseWheelParam(const PointT<int32_t>& point, uint32_t modifiers, int32_t direction)
        : LPointWithModifiersParam(point, modifiers, 0), direction(direction)
    {
    }
};

// A control keeps one and updates it in place at each change of its conditions.
class LConditionsParam : public virtual LRefCountedObject,
                         public ReusePooled<LConditionsParam, 4, true> {
public:
    static RCPtr<LConditionsParam> Create(uint32_t previousConditions, uint32_t currentConditions,
                                          const PointT<double>& point);

    StringT<char16_t, char> ToString() const override;

    uint32_t previousConditions = 0;
    uint32_t currentConditions = 0;
    // The press point of the control's last press, in its parent's coordinates.
    PointT<double> point;

protected:
    LConditionsParam(uint32_t previousConditions, uint32_t currentConditions, const PointT<double>& point)
        : previousConditions(previousConditions), currentConditions(currentConditions), point(point)
    {
    }
};

// Larger than the pool's blocks, so the pool hands it to the general heap.
class LItemConditionsParam : public LConditionsParam {
public:
    static RCPtr<LItemConditionsParam> Create(int32_t item1, int32_t item2, int32_t item3,
                                              uint32_t previousConditions, uint32_t currentConditions,
                                              const PointT<double>& point);

    // The item of a list control, in the order the list control gives them.
    std::array<int32_t, 3> itemWords{};

protected:
    LItemConditionsParam(int32_t item1, int32_t item2, int32_t item3, uint32_t previousConditions,
                         uint32_t currentConditions, const PointT<double>& point)
        : LConditionsParam(previousConditions, currentConditions, point), itemWords{item1, item2, item3}
    {
    }
};

class LValueParam : public virtual LRefCountedObject, public ReusePooled<LValueParam, 4, true> {
public:
    static RCPtr<LValueParam> Create(double normalizedValue, double value);

    StringT<char16_t, char> ToString() const override;

    // 0..1.
    double normalizedValue = 0;
    // The same value in the control's range.
    double value = 0;

protected:
    LValueParam(double normalizedValue, double value) : normalizedValue(normalizedValue), value(value) {}
};

// Only ever made as the base of a derived parameter.
class LIndexedDataParam : public virtual LRefCountedObject {
public:
    // Nothing follows "Data = " when there is no data object.
    StringT<char16_t, char> ToString() const override;

    RCPtr<LRefCountedObject> data;
    int32_t index = 0;

protected:
    LIndexedDataParam(const RCPtr<LRefCountedObject>& data, int32_t index) : data(data), index(index) {}
};

class LIndexedDataWithValueParam : public LIndexedDataParam {
public:
    static RCPtr<LIndexedDataWithValueParam> Create(const RCPtr<LRefCountedObject>& data, int32_t index,
                                                    double value);

    StringT<char16_t, char> ToString() const override;

    // A value that goes with the item, such as a check state.
    double value = 0;

protected:
    LIndexedDataWithValueParam(const RCPtr<LRefCountedObject>& data, int32_t index, double value)
        : LIndexedDataParam(data, index), value(value)
    {
    }
};

class LKeyParam : public virtual LRefCountedObject {
public:
    static RCPtr<LKeyParam> Create(const KeyCode& key, int32_t route);

    // The key's "VKEY_" text.
    StringT<char16_t, char> ToString() const override;

    KeyCode key;
    // 1 for keys of the OS window and keys relayed between siblings, 0 for the key tab navigation
    // re-issues.
    int32_t route = 0;
    // The containers that handed the key on to their parent, in that order.
    RCPtrArray<LControl> path;

protected:
    LKeyParam(const KeyCode& key, int32_t route);
    ~LKeyParam() override;
};

class LSiblingKeyParam : public virtual LRefCountedObject {
public:
    static RCPtr<LSiblingKeyParam> Create(const KeyCode& key, const RCPtr<LControl>& control);

    KeyCode key;
    // The control that received the key.
    RCPtr<LControl> control;
    // Set by a sibling that handled the key.
    int32_t result = -1;

protected:
    LSiblingKeyParam(const KeyCode& key, const RCPtr<LControl>& control);
    ~LSiblingKeyParam() override;
};

class LTextValidationParams : public virtual LRefCountedObject {
public:
    // The text becomes both the old and the proposed text.
    static RCPtr<LTextValidationParams> Create(const StringT<char16_t, char>& text);

    StringT<char16_t, char> oldText;
    // A receiver may change it.
    StringT<char16_t, char> proposedText;
    // A receiver clears it to refuse the text.
    bool valid = true;

protected:
    explicit LTextValidationParams(const StringT<char16_t, char>& text) : oldText(text), proposedText(text) {}
};

class LCancelArgs : public virtual LRefCountedObject {
public:
    static RCPtr<LCancelArgs> Create();

    // A receiver sets it to stop the action.
    bool cancel = false;

protected:
    LCancelArgs() = default;
};

} // namespace VQ
