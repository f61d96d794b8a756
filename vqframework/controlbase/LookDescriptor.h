// The appearance of a control in one look state: a client part, the parts around it and where its
// text goes. Look lists hold one look per state.
#pragma once

#include "vqframework/controlbase/VisualPart.h"
#include "vqframework/controlbase/VisualPartDescriptor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

// Where a part sits inside a look. A client part gives all four offsets (flags 15).
struct DockRecord {
    enum OffsetFlags : int32_t { LeftGiven = 1, TopGiven = 2, RightGiven = 4, BottomGiven = 8, AllGiven = 15 };

    int32_t offsetFlags = 0;
    int32_t OffsetLeft = 0;
    int32_t OffsetTop = 0;
    int32_t OffsetRight = 0;
    int32_t OffsetBottom = 0;
    // "has" is 1 exactly when the value is above 0.
    int32_t hasWidth = 0;
    int32_t Width = 0;
    int32_t hasHeight = 0;
    int32_t Height = 0;

    bool operator==(const DockRecord&) const = default;
};

class LDockedPart : public virtual LRefCountedObject {
public:
    // Null when there is no part.
    static RCPtr<LDockedPart> Create(const RCPtr<LVisualPartDescriptor>& part, const DockRecord& placement);

    const RCPtr<LVisualPartDescriptor>& GetPart() const { return m_part; }
    const DockRecord& GetPlacement() const { return m_placement; }
    // The visual part of the part descriptor; null when it has none.
    RCPtr<LVisualPart> GetVisualPart() const;

private:
    LDockedPart(const RCPtr<LVisualPartDescriptor>& part, const DockRecord& placement);

    const RCPtr<LVisualPartDescriptor> m_part;
    const DockRecord m_placement;
};

// Rel values are fractions of the look's width or height, Abs values pixels, the aligns the text's
// position inside its rectangle (0 left or top, 0.5 centre, 1 right or bottom).
struct LookTextProperties {
    float TextLeftRel = 0;
    int32_t TextLeftAbs = 0;
    float TextRightRel = 0;
    int32_t TextRightAbs = 0;
    float TextHAlign = 0;
    float TextTopRel = 0;
    int32_t TextTopAbs = 0;
    float TextBottomRel = 0;
    int32_t TextBottomAbs = 0;
    float TextVAlign = 0;

    bool operator==(const LookTextProperties&) const = default;
};

class LLookDescriptor : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    static RCPtr<LLookDescriptor> Create(const String& name);

    // Nothing happens when the part is the one held; returns 0.
    VQRESULT SetClientPart(const RCPtr<LDockedPart>& part);
    // Appends; returns 0, or E_INVALIDARG for a null part, which is not added.
    VQRESULT AddNonClientPart(const RCPtr<LDockedPart>& part);
    // Stores the values and the part whose colorizer colours the text, and marks the look as having
    // text; returns 0.
    VQRESULT SetTextProperties(const LookTextProperties& properties,
                               const RCPtr<LVisualPartDescriptor>& foregroundPart);

    const String& GetName() const { return m_name; }
    const RCPtr<LDockedPart>& GetClientPart() const { return m_clientPart; }
    const RCPtrArray<LDockedPart>& GetNonClientParts() const { return m_nonClientParts; }
    bool HasText() const { return m_hasText; }
    const LookTextProperties& GetTextProperties() const { return m_text; }
    const RCPtr<LVisualPartDescriptor>& GetTextForegroundPart() const { return m_textForegroundPart; }

private:
    explicit LLookDescriptor(const String& name);

    const String m_name;
    RCPtr<LDockedPart> m_clientPart;
    RCPtrArray<LDockedPart> m_nonClientParts;
    bool m_hasText = false;
    LookTextProperties m_text;
    RCPtr<LVisualPartDescriptor> m_textForegroundPart;
};

// Entry i is the look of look state i; entries no Look fills stay null.
using LookList = LRCPtrArray<LLookDescriptor>;

// A look list of count null entries.
RCPtr<LookList> CreateLookList(uint32_t count);

} // namespace VQ
