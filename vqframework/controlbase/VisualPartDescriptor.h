// One drawable part of a skin: a rectangle cut from an image, or a plain area a colorizer fills.
#pragma once

#include "vqframework/graphics/Colorizer.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/renderer/RenderTypes.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LVisualPart;

// A rectangle of an image file; an empty file means no image.
struct ImageRef {
    StringT<char16_t, char> file;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool HasImage() const { return !file.IsEmpty(); }
};

class LVisualPartDescriptor : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // Null when the image has no file; the size is the image rectangle's.
    static RCPtr<LVisualPartDescriptor> CreateFromImage(const String& name, const ImageRef& image,
                                                        ResizeType resizeType, const RCPtr<LColorizer>& colorizer,
                                                        float alphaModifier, const ImageRef& mask);
    // Null without a colorizer; the part has no image.
    static RCPtr<LVisualPartDescriptor> CreateFromColorizer(const String& name, const RCPtr<LColorizer>& colorizer,
                                                            int32_t width, int32_t height, ResizeType resizeType,
                                                            float alphaModifier, const ImageRef& mask);

    const String& GetName() const { return m_name; }
    const ImageRef& GetImage() const { return m_image; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    ResizeType GetResizeType() const { return m_resizeType; }
    const RCPtr<LColorizer>& GetColorizer() const { return m_colorizer; }
    float GetAlphaModifier() const { return m_alphaModifier; }
    const ImageRef& GetMask() const { return m_mask; }

    // Built on the first call and kept; null when the image cannot be loaded or a part without
    // image has no colorizer. The part refers back to this descriptor; when only the cache keeps the
    // part, the part asks the descriptor to drop it.
    RCPtr<LVisualPart> GetVisualPart();
    // Drops the cached part when it is the one given, with the cyclic count the cache stands for.
    void DropVisualPart(const LVisualPart* part);

private:
    LVisualPartDescriptor(const String& name, const ImageRef& image, ResizeType resizeType,
                          const RCPtr<LColorizer>& colorizer, int32_t width, int32_t height, float alphaModifier,
                          const ImageRef& mask);

    const String m_name;
    const ImageRef m_image;
    const int32_t m_width;
    const int32_t m_height;
    const ResizeType m_resizeType;
    const RCPtr<LColorizer> m_colorizer;
    const float m_alphaModifier;
    const ImageRef m_mask;
    RCPtr<LVisualPart> m_visualPart;
};

} // namespace VQ
