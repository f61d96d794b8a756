// A thread that runs its worker each time a gate event is signalled; signals that arrive while it
// runs or before it wakes count as one.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/threads/Event.h"
#include "vqframework/threads/Thread.h"
#include "vqframework/threads/ThreadWorker.h"

#include <atomic>
#include <memory>

namespace VQ {

class LEventGatedThreader : public virtual LRefCountedObject {
public:
    // Running on return. The gate is required; the worker may be null (the thread then only waits).
    static RCPtr<LEventGatedThreader> Create(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                             const RCPtr<LRefCountedObject>& parameters, int32_t priority,
                                             uint32_t stopTimeoutMs = DefaultStopTimeout);

    // True while the worker runs.
    bool IsRunning() const noexcept;
    // The result of the thread's latest wait on the gate.
    uint32_t GetLastWaitResult() const noexcept;

protected:
    LEventGatedThreader(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                        const RCPtr<LRefCountedObject>& parameters, int32_t priority, uint32_t stopTimeoutMs);
    // Stops and waits up to the stop timeout for a running worker; past it the thread finishes
    // alone, keeping what it uses alive.
    ~LEventGatedThreader() override;

private:
    struct State;
    static uint32_t Run(State& state);

    const std::shared_ptr<State> m_state;
    Thread m_thread;
    const uint32_t m_stopTimeout;
};

} // namespace VQ
