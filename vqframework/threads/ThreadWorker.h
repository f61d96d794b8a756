// A unit of work that a thread runs: threaders, gated threaders and the thread pool take these.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"

namespace VQ {

class LThreadWorker : public virtual LRefCountedObject {
public:
    // Parameters may be null.
    virtual VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) = 0;
};

} // namespace VQ
