#include "vqframework/controlbase/VisualPartDescriptor.h"

#include "vqframework/controlbase/VisualPart.h"

#include <utility>

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

namespace {

// The rectangle of a skin image; null when the image cannot be loaded.
RCPtr<LBitmap> LoadImageRect(const ImageRef& image)
{
    const RCPtr<LBitmap> loaded = LBitmap::Load(image.file);
    if (!loaded)
        return nullptr;
    return loaded->CreateSubBitmap(image.x, image.y, image.width, image.height);
}

} // namespace

RCPtr<LVisualPart> LVisualPartDescriptor::GetVisualPart()
{
    if (m_visualPart)
        return m_visualPart;

    // A mask that cannot be loaded leaves the part unmasked.
    const RCPtr<LBitmap> mask = m_mask.HasImage() ? LoadImageRect(m_mask) : nullptr;
    RCPtr<LVisualPart> part;
    if (m_image.HasImage()) {
        const RCPtr<LBitmap> image = LoadImageRect(m_image);
        if (!image)
            return nullptr;
        part = LVisualPart::CreateFromBitmap(m_name, image, m_resizeType, m_colorizer, m_alphaModifier, mask);
    } else {
        part = LVisualPart::CreateFromColorizer(m_name, m_colorizer, m_width, m_height, m_resizeType,
                                                m_alphaModifier, mask);
    }
    if (!part)
        return nullptr;
    m_visualPart = part;
    part->BindDescriptor(RCPtr<LVisualPartDescriptor>(this));
    return part;
}

void LVisualPartDescriptor::DropVisualPart(const LVisualPart* part)
{
    if (!part || m_visualPart.Get() != part)
        return;
    RCPtr<LVisualPart> dropped = std::move(m_visualPart);
    dropped->AddCyclicReferences(-1);
}

} // namespace VQ
