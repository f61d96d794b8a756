#include "vqframework/controlbase/VisualPartDescriptor.h"

namespace VQ {

LVisualPartDescriptor::LVisualPartDescriptor(const String& name, const ImageRef& image, ResizeType resizeType,
                                             const RCPtr<LColorizer>& colorizer, int32_t width, int32_t height,
                                             float alphaModifier, const ImageRef& mask)
    : m_name(name), m_image(image), m_width(width), m_height(height), m_resizeType(resizeType),
      m_colorizer(colorizer), m_alphaModifier(alphaModifier), m_mask(mask)
{
}

RCPtr<LVisualPartDescriptor> LVisualPartDescriptor::CreateFromImage(const String& name, const ImageRef& image,
                                                                    ResizeType resizeType,
                                                                    const RCPtr<LColorizer>& colorizer,
                                                                    float alphaModifier, const ImageRef& mask)
{
    if (!image.HasImage())
        return nullptr;
    return RCPtr<LVisualPartDescriptor>(new LVisualPartDescriptor(name, image, resizeType, colorizer, image.width,
                                                                  image.height, alphaModifier, mask));
}

RCPtr<LVisualPartDescriptor> LVisualPartDescriptor::CreateFromColorizer(const String& name,
                                                                        const RCPtr<LColorizer>& colorizer,
                                                                        int32_t width, int32_t height,
                                                                        ResizeType resizeType, float alphaModifier,
                                                                        const ImageRef& mask)
{
    if (!colorizer)
        return nullptr;
    return RCPtr<LVisualPartDescriptor>(
        new LVisualPartDescriptor(name, ImageRef(), resizeType, colorizer, width, height, alphaModifier, mask));
}

} // namespace VQ
