// One long-lived thread that runs one work item per trigger and refuses a trigger while busy.
#pragma once

#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/threads/Event.h"
#include "vqframework/threads/Thread.h"
#include "vqframework/threads/ThreadWorker.h"

#include <atomic>
#include <memory>

namespace VQ {

class RetriggerableThreader : public IStringable {
public:
    // Starts idle. stopTimeoutMs bounds the wait for a running item at destruction.
    explicit RetriggerableThreader(const StringT<char16_t, char>& name, uint32_t stopTimeoutMs = DefaultStopTimeout);
    RetriggerableThreader(const RetriggerableThreader&) = delete;
    RetriggerableThreader& operator=(const RetriggerableThreader&) = delete;
    // Stops, waiting up to the stop timeout for a running item (unless Stop was called before); past
    // it the thread finishes alone, keeping what it uses alive.
    virtual ~RetriggerableThreader();

    // Hands the item to the thread, which runs it at the given priority level. completion is reset
    // now and set once the item has finished, the threader already idle again. S_OK, or E_FAIL when
    // busy, stopping or without a thread.
    VQRESULT Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                     const RCPtr<LEvent>& completion, int32_t priority);
    VQRESULT Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters, int32_t priority);

    // Refuses further triggers, wakes the thread and waits up to the time for it to end (an item
    // that runs is finished first). True when it ended; never waits on its own thread.
    bool Stop(uint32_t milliseconds);

    // The name, which the owner may change between items.
    StringT<char16_t, char> ToString() const override;
    void SetName(const StringT<char16_t, char>& name);

    // Busy from a successful trigger until its item has finished.
    bool IsBusy() const noexcept;
    bool HasExited() const { return m_thread.HasExited(); }
    // What the last item's Run returned.
    VQRESULT GetLastResult() const noexcept;

private:
    struct State;
    static uint32_t Run(State& state);

    VQRESULT Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                     const RCPtr<LEvent>* completion, int32_t priority);

    // Everything the thread touches; the thread holds it too, so it outlives a timed-out stop.
    const std::shared_ptr<State> m_state;
    Thread m_thread;
    const uint32_t m_stopTimeout;
};

} // namespace VQ
