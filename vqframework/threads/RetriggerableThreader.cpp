#include "vqframework/threads/RetriggerableThreader.h"

namespace VQ {

struct RetriggerableThreader::State {
    Event trigger{true};
    // Claimed by a trigger, cleared by the thread once the item's references are dropped. The
    // item's fields below are written by the trigger that claimed it, then published by ready; the
    // thread reads them only after taking ready, so a stop's wake-up never reads them half written.
    std::atomic<bool> busy{false};
    std::atomic<bool> ready{false};
    std::atomic<bool> stopping{false};
    RCPtr<LEvent> completion;
    RCPtr<LThreadWorker> worker;
    RCPtr<LRefCountedObject> parameters;
    std::atomic<VQRESULT> lastResult{S_OK};
    // The owner renames while others read the name.
    mutable Mutex nameLock;
    StringT<char16_t, char> name;
};

RetriggerableThreader::RetriggerableThreader(const StringT<char16_t, char>& name, uint32_t stopTimeoutMs)
    : m_state(std::make_shared<State>()),
      m_thread([state = m_state] { return Run(*state); }),
      m_stopTimeout(stopTimeoutMs)
{
    m_state->name = name;
    m_thread.SetPriorityBoost(false);
    m_thread.Resume();
}

RetriggerableThreader::~RetriggerableThreader()
{
    // An owner that stopped it has had its wait already.
    if (!m_state->stopping.load())
        Stop(m_stopTimeout);
}

VQRESULT RetriggerableThreader::Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                        const RCPtr<LEvent>& completion, int32_t priority)
{
    return Trigger(worker, parameters, &completion, priority);
}

VQRESULT RetriggerableThreader::Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                        int32_t priority)
{
    return Trigger(worker, parameters, nullptr, priority);
}

VQRESULT RetriggerableThreader::Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                        const RCPtr<LEvent>* completion, int32_t priority)
{
    // The item may destroy this threader before Trigger returns; the state stays for the rest of it.
    const std::shared_ptr<State> kept = m_state;
    State& state = *kept;
    if (state.stopping.load() || !m_thread.IsValid())
        return E_FAIL;
    // A thread that has ended runs nothing more: its leftover busy flag is cleared, but a trigger
    // that nobody would run is no success.
    if (m_thread.HasExited()) {
        state.busy.store(false);
        return E_FAIL;
    }
    // Claimed before the fields are written, so that a second trigger cannot interleave.
    bool idle = false;
    if (!state.busy.compare_exchange_strong(idle, true))
        return E_FAIL;
    m_thread.SetPriority(priority);
    state.worker = worker;
    state.parameters = parameters;
    state.completion = completion ? *completion : RCPtr<LEvent>();
    if (state.completion)
        state.completion->Reset();
    state.ready.store(true);
    const bool signalled = state.trigger.Set();
    // A stop that came in meanwhile may have ended the thread without the item: take it back
    // unless the thread took it first.
    if (signalled && !state.stopping.load())
        return S_OK;
    if (!state.ready.exchange(false))
        return S_OK;
    state.worker = nullptr;
    state.parameters = nullptr;
    state.completion = nullptr;
    state.busy.store(false);
    return E_FAIL;
}

uint32_t RetriggerableThreader::Run(State& state)
{
    for (;;) {
        if (!state.stopping.load())
            state.trigger.Wait(Infinite);
        // Woken without an item only by a stop. An item triggered just before a stop is dropped,
        // not run, but still let go of and completed: its references may hold the owner.
        if (state.ready.exchange(false)) {
            if (!state.stopping.load() && state.worker)
                state.lastResult.store(state.worker->Run(state.parameters));
            state.parameters = nullptr;
            state.worker = nullptr;
            RCPtr<LEvent> completion = std::move(state.completion);
            state.busy.store(false);
            if (completion)
                completion->Set();
        }
        if (state.stopping.load())
            return 0;
    }
}

bool RetriggerableThreader::Stop(uint32_t milliseconds)
{
    m_state->stopping.store(true);
    m_state->trigger.Set();
    return m_thread.WaitForExit(milliseconds);
}

StringT<char16_t, char> RetriggerableThreader::ToString() const
{
    MutexLock lock(m_state->nameLock);
    return m_state->name;
}

void RetriggerableThreader::SetName(const StringT<char16_t, char>& name)
{
    MutexLock lock(m_state->nameLock);
    m_state->name = name;
}

bool RetriggerableThreader::IsBusy() const noexcept { return m_state->busy.load(); }

VQRESULT RetriggerableThreader::GetLastResult() const noexcept { return m_state->lastResult.load(); }

} // namespace VQ
