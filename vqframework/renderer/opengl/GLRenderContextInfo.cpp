#include "vqframework/renderer/opengl/GLRenderContextInfo.h"

#include "platform/gl/GLContext.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

namespace VQ {

RCPtr<LGLRenderContextInfo> LGLRenderContextInfo::Create(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                                         bool offscreen, bool framebufferBacked,
                                                         const PointT<int32_t>& maximumSize,
                                                         const std::shared_ptr<Platform::GLContext>& glContext)
{
    return RCPtr<LGLRenderContextInfo>(
        new LGLRenderContextInfo(rect, window, offscreen, framebufferBacked, maximumSize, glContext));
}

LGLRenderContextInfo::LGLRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                           bool offscreen, bool framebufferBacked, const PointT<int32_t>& maximumSize,
                                           const std::shared_ptr<Platform::GLContext>& glContext)
    : LRenderContextInfo(rect, window, offscreen), m_framebufferBacked(framebufferBacked), m_maximumSize(maximumSize),
      m_glContext(glContext)
{
}

LGLRenderContextInfo::~LGLRenderContextInfo()
{
    if (m_framebuffer == 0 && m_texture == 0)
        return;
    // Outside a frame the context is not current: made so just for the deletion. Where it cannot be,
    // the names stay until the context goes, rather than being deleted in another one.
    const Platform::GLContext::ScopedCurrent current(*m_glContext);
    if (current.IsCurrent())
        DeleteFramebuffer();
}

void LGLRenderContextInfo::DeleteFramebuffer()
{
    if (m_framebuffer != 0) {
        const GLuint name = m_framebuffer;
        glDeleteFramebuffers(1, &name);
        m_framebuffer = 0;
    }
    if (m_texture != 0) {
        const GLuint name = m_texture;
        glDeleteTextures(1, &name);
        m_texture = 0;
    }
    m_textureWidth = 0;
    m_textureHeight = 0;
}

bool LGLRenderContextInfo::BindFramebuffer()
{
    if (!m_framebufferBacked) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return true;
    }
    const int32_t width = std::clamp(GetRect().width, 1, std::max(1, m_maximumSize.x));
    const int32_t height = std::clamp(GetRect().height, 1, std::max(1, m_maximumSize.y));
    if (m_framebuffer != 0 && glIsFramebuffer(m_framebuffer) && width == m_textureWidth && height == m_textureHeight) {
        glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        return true;
    }
    DeleteFramebuffer();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    m_texture = texture;
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    m_framebuffer = framebuffer;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        DeleteFramebuffer();
        return false;
    }
    m_textureWidth = width;
    m_textureHeight = height;
    // A fresh target starts transparent, like a window's fresh surface.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    return true;
}

} // namespace VQ
