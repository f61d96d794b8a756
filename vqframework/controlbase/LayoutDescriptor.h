// The placement and size rules of a control, per axis, as its SubControl element gives them. The
// fields carry the names of the attributes that set them.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
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

class LLayoutDescriptor : public virtual LRefCountedObject {
public:
    static RCPtr<LLayoutDescriptor> Create();
    // A new descriptor with every field copied.
    RCPtr<LLayoutDescriptor> Clone() const;

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
