// The placement and size rules of a control, per axis, as its SubControl element gives them. The
// fields carry the names of the attributes that set them.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

// What a position or size is measured against.
enum LayoutReferenceKind : int32_t {
    // "Parent" or "Screen".
    ReferenceParent = 0,
    // "Client" or "Active Window".
    ReferenceClient = 1,
    // A position's named control.
    ReferencePositionNamed = 2,
    // A size of its own: the record's Abs.
    ReferenceSelf = 2,
    // A size's named control.
    ReferenceSizeNamed = 3,
};

struct LayoutPosition {
    // The fraction of the control's size that lies before its computed position.
    float anchor = 0;
    int32_t kind = ReferenceClient;
    StringT<char16_t, char> name;
    float rel = 0;
    double abs = 0;
};

struct LayoutSize {
    int32_t kind = ReferenceSelf;
    StringT<char16_t, char> name;
    float rel = 0;
    double abs = 0;
};

// A minimum or maximum size; named means "Children" or one of the control's own children.
struct LayoutLimit {
    bool named = false;
    StringT<char16_t, char> name;
    float rel = 0;
    double abs = 0;
};

// One axis's position record with that axis's docked flag, as callers read and write it.
struct LayoutPositionSpec {
    float anchor = 0;
    int32_t kind = ReferenceClient;
    StringT<char16_t, char> name;
    float rel = 0;
    double abs = 0;
    bool docked = false;

    // The names count only for a named reference.
    bool operator==(const LayoutPositionSpec& other) const;
};

// One axis's size record; a limit record travels in it too, its kind holding the named flag (0, 1).
struct LayoutSizeSpec {
    int32_t kind = ReferenceSelf;
    StringT<char16_t, char> name;
    float rel = 0;
    double abs = 0;

    // The names count only for a named size (kind 3).
    bool operator==(const LayoutSizeSpec& other) const;
    // As a limit: the names count only when named.
    bool EqualsAsLimit(const LayoutSizeSpec& other) const;
};

class LLayoutDescriptor : public virtual LRefCountedObject {
public:
    static RCPtr<LLayoutDescriptor> Create();
    // A new descriptor with every field copied.
    RCPtr<LLayoutDescriptor> Clone() const;

    // Axis 0 is X, 1 is Y; any other gives E_INVALIDARG and reads or writes nothing.
    VQRESULT GetPlacement(int32_t axis, LayoutPositionSpec& position, LayoutSizeSpec& size) const;
    VQRESULT SetPlacement(int32_t axis, const LayoutPositionSpec& position, const LayoutSizeSpec& size);
    VQRESULT GetSizeLimits(int32_t axis, LayoutSizeSpec& minimum, LayoutSizeSpec& maximum) const;
    VQRESULT SetSizeLimits(int32_t axis, const LayoutSizeSpec& minimum, const LayoutSizeSpec& maximum);
    // Renames the position and size references (not the limits) of that name: 0 when one was
    // renamed, else 1.
    VQRESULT RenameReference(const StringT<char16_t, char>& oldName, const StringT<char16_t, char>& newName);

    bool ClipToParent = true;
    int32_t Z_Order = 0;
    // Negative means not focusable.
    int32_t TabStop = 0;
    bool IsVisible = true;
    // No attribute sets it.
    bool IsEnabled = true;
    bool XIsDocked = false;
    bool YIsDocked = false;
    LayoutPosition XPosition;
    LayoutPosition YPosition;
    LayoutSize XSize{ReferenceSelf, {}, 0, 16.0};
    LayoutSize YSize{ReferenceSelf, {}, 0, 40.0};
    LayoutLimit XMinSize;
    LayoutLimit YMinSize;
    LayoutLimit XMaxSize;
    LayoutLimit YMaxSize;
    StringT<char16_t, char> TextDecoration;
    // 0 Clip, 1 Expand, 2 Wrap (X only).
    int32_t TextOverflowXType = 0;
    int32_t TextOverflowYType = 0;
    int32_t LayoutOrder = 0;

private:
    LLayoutDescriptor() = default;
    LLayoutDescriptor(const LLayoutDescriptor&) = default;
};

} // namespace VQ
