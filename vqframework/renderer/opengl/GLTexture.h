// A texture of the OpenGL back end: a bitmap's pixels or a glyph atlas, uploaded at a power-of-two
// size into the context that is current.
#pragma once

#include "vqframework/graphics/Bitmap.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

class LGLTexture : public virtual LRefCountedObject {
public:
    // Texture flags: nearest instead of linear filtering, repeat instead of clamp, mipmaps.
    static constexpr uint32_t FlagNearest = 1;
    static constexpr uint32_t FlagRepeat = 2;
    static constexpr uint32_t FlagMipmaps = 4;
    // The largest texture side asked for.
    static constexpr int32_t MaximumSize = 16384;

    static RCPtr<LGLTexture> Create();
    ~LGLTexture() override;

    // The smallest power of two not below the size, at most MaximumSize.
    static int32_t GetTextureSize(int32_t imageSize);

    // Uploads width x height pixels, rows rowLength pixels apart, of the source format (GL_BGRA or
    // GL_ALPHA, unsigned bytes) into a texture of the internal format, making the texture name when
    // needed; the texture is sized and, when refused, halved as the proxy check says. 0, or E_FAIL
    // when GL refuses the upload.
    VQRESULT LoadImage(const void* pixels, int32_t width, int32_t height, int32_t rowLength, uint32_t sourceFormat,
                       uint32_t internalFormat, uint32_t flags, float scale);
    // Whether the name is made and still a texture of the current context.
    bool HasTexture() const;
    // One textured quad mapping the rectangle of image pixels onto the screen rectangle.
    void DrawQuad(const RectT<float>& imageRect, const RectT<float>& screenRect) const;

    uint32_t GetTarget() const { return m_target; }
    // -1 (all bits set) when no name is made.
    uint32_t GetName() const { return m_name; }
    int32_t GetTextureWidth() const { return m_textureWidth; }
    int32_t GetTextureHeight() const { return m_textureHeight; }
    int32_t GetImageWidth() const { return m_imageWidth; }
    int32_t GetImageHeight() const { return m_imageHeight; }
    float GetScaledWidth() const { return m_scaledWidth; }
    float GetScaledHeight() const { return m_scaledHeight; }
    // The bitmap the texture was made from; empty for other images.
    const RCPtr<LBitmap>& GetBitmap() const { return m_bitmap; }
    void SetBitmap(const RCPtr<LBitmap>& bitmap) { m_bitmap = bitmap; }

protected:
    LGLTexture();

private:
    uint32_t m_target;
    uint32_t m_name = ~0u;
    int32_t m_textureWidth = 0;
    int32_t m_textureHeight = 0;
    int32_t m_imageWidth = 0;
    int32_t m_imageHeight = 0;
    // The image size divided by the scale factor.
    float m_scaledWidth = 0;
    float m_scaledHeight = 0;
    // The part of the texture the image covers: 1 when it was scaled to fill it.
    float m_coverX = 1;
    float m_coverY = 1;
    RCPtr<LBitmap> m_bitmap;
};

} // namespace VQ
