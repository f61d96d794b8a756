#include "vqframework/renderer/opengl/GLDisplayList.h"

#include <GL/gl.h>

namespace VQ {

RCPtr<LGLDisplayList> LGLDisplayList::Create(int32_t count)
{
    RCPtr<LGLDisplayList> list(new LGLDisplayList());
    if (count > 0) {
        const GLuint first = glGenLists(count);
        if (first != 0) {
            list->m_firstName = first;
            list->m_count = count;
        }
    }
    return list;
}

LGLDisplayList::~LGLDisplayList()
{
    // Without a current context the call does nothing; the context's own end frees the names then.
    if (HasNames())
        glDeleteLists(m_firstName, m_count);
}

} // namespace VQ
