#include "vqframework/renderer/opengl/GLTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace VQ {

RCPtr<LGLTexture> LGLTexture::Create()
{
    return RCPtr<LGLTexture>(new LGLTexture());
}

LGLTexture::LGLTexture() : m_target(GL_TEXTURE_2D) {}

LGLTexture::~LGLTexture()
{
    // Without a current context the call does nothing; the context's own end frees the name then.
    if (m_name != ~0u) {
        const GLuint name = m_name;
        glDeleteTextures(1, &name);
    }
}

int32_t LGLTexture::GetTextureSize(int32_t imageSize)
{
    int32_t size = 1;
    while (size < imageSize && size < MaximumSize)
        size <<= 1;
    return size;
}

VQRESULT LGLTexture::LoadImage(const void* pixels, int32_t width, int32_t height, int32_t rowLength,
                               uint32_t sourceFormat, uint32_t internalFormat, uint32_t flags, float scale)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || rowLength < width || scale <= 0)
        return E_INVALIDARG;
    if (!HasTexture()) {
        GLuint name = 0;
        glGenTextures(1, &name);
        m_name = name;
    }
    glBindTexture(m_target, m_name);

    int32_t textureWidth = GetTextureSize(width);
    int32_t textureHeight = GetTextureSize(height);
    const bool mipmaps = (flags & FlagMipmaps) != 0;
    const GLint magnify = (flags & FlagNearest) ? GL_NEAREST : GL_LINEAR;
    const GLint minify = !mipmaps ? magnify : (flags & FlagNearest) ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
    const GLint wrap = (flags & FlagRepeat) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(m_target, GL_TEXTURE_MAG_FILTER, magnify);
    glTexParameteri(m_target, GL_TEXTURE_MIN_FILTER, minify);
    glTexParameteri(m_target, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(m_target, GL_TEXTURE_WRAP_T, wrap);

    // The proxy answers a width of 0 for a size the implementation refuses.
    int32_t factor = 1;
    for (;;) {
        glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(internalFormat), textureWidth, textureHeight, 0, sourceFormat,
                     GL_UNSIGNED_BYTE, nullptr);
        GLint accepted = 0;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
        if (accepted == textureWidth || (textureWidth == 1 && textureHeight == 1))
            break;
        textureWidth = std::max(textureWidth / 2, 1);
        textureHeight = std::max(textureHeight / 2, 1);
        factor *= 2;
    }

    const int32_t bytesPerPixel = sourceFormat == GL_ALPHA ? 1 : 4;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // A texture smaller than the image (capped at the largest size) takes it scaled down.
    const bool rescale = factor > 1 || textureWidth < width || textureHeight < height ||
                         ((flags & FlagRepeat) && (textureWidth != width || textureHeight != height));
    if (mipmaps) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        gluBuild2DMipmaps(m_target, GLint(internalFormat), width, height, sourceFormat, GL_UNSIGNED_BYTE, pixels);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    } else if (rescale) {
        // The image fills the whole texture.
        std::vector<unsigned char> scaled(size_t(textureWidth) * size_t(textureHeight) * size_t(bytesPerPixel));
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        const GLint scaledResult = gluScaleImage(sourceFormat, width, height, GL_UNSIGNED_BYTE, pixels, textureWidth,
                                                 textureHeight, GL_UNSIGNED_BYTE, scaled.data());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        if (scaledResult != 0)
            return E_FAIL;
        glTexImage2D(m_target, 0, GLint(internalFormat), textureWidth, textureHeight, 0, sourceFormat, GL_UNSIGNED_BYTE,
                     scaled.data());
    } else {
        glTexImage2D(m_target, 0, GLint(internalFormat), textureWidth, textureHeight, 0, sourceFormat, GL_UNSIGNED_BYTE,
                     nullptr);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        glTexSubImage2D(m_target, 0, 0, 0, width, height, sourceFormat, GL_UNSIGNED_BYTE, pixels);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    if (glGetError() != GL_NO_ERROR) {
        while (glGetError() != GL_NO_ERROR) {
        }
        return E_FAIL;
    }

    m_textureWidth = textureWidth;
    m_textureHeight = textureHeight;
    m_imageWidth = width;
    m_imageHeight = height;
    m_scaledWidth = float(width) / scale;
    m_scaledHeight = float(height) / scale;
    m_coverX = (rescale || mipmaps) ? 1.0f : float(width) / float(textureWidth);
    m_coverY = (rescale || mipmaps) ? 1.0f : float(height) / float(textureHeight);
    return 0;
}

bool LGLTexture::HasTexture() const
{
    return m_name != ~0u && glIsTexture(m_name) == GL_TRUE;
}

void LGLTexture::DrawQuad(const RectT<float>& imageRect, const RectT<float>& screenRect) const
{
    if (m_imageWidth <= 0 || m_imageHeight <= 0)
        return;
    const float scaleX = m_coverX / float(m_imageWidth);
    const float scaleY = m_coverY / float(m_imageHeight);
    const float left = imageRect.x * scaleX;
    const float top = imageRect.y * scaleY;
    const float right = (imageRect.x + imageRect.width) * scaleX;
    const float bottom = (imageRect.y + imageRect.height) * scaleY;
    const float screenRight = screenRect.x + screenRect.width;
    const float screenBottom = screenRect.y + screenRect.height;
    glEnable(m_target);
    glBindTexture(m_target, m_name);
    glBegin(GL_QUADS);
    glTexCoord2f(left, top);
    glVertex2f(screenRect.x, screenRect.y);
    glTexCoord2f(right, top);
    glVertex2f(screenRight, screenRect.y);
    glTexCoord2f(right, bottom);
    glVertex2f(screenRight, screenBottom);
    glTexCoord2f(left, bottom);
    glVertex2f(screenRect.x, screenBottom);
    glEnd();
}

} // namespace VQ
