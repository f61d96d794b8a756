#include "vqframework/threads/EventGatedThreader.h"

#include "vqframework/objectbase/Exception.h"

#include <stdexcept>

namespace VQ {

struct LEventGatedThreader::State {
    // Set before the thread starts and never changed while it runs.
    RCPtr<LEvent> gate;
    RCPtr<LThreadWorker> worker;
    RCPtr<LRefCountedObject> parameters;
    uint32_t waitTimeout = Infinite;
    std::atomic<bool> stopping{false};
    std::atomic<uint32_t> lastWaitResult{WaitObject0};
    std::atomic<bool> running{false};
};

RCPtr<LEventGatedThreader> LEventGatedThreader::Create(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                                       const RCPtr<LRefCountedObject>& parameters, int32_t priority,
                                                       uint32_t stopTimeoutMs)
{
    if (!gate)
        VQ_THROW_DETAIL(std::invalid_argument, "a gated threader needs a gate event");
    return RCPtr<LEventGatedThreader>(new LEventGatedThreader(gate, worker, parameters, priority, stopTimeoutMs));
}

LEventGatedThreader::LEventGatedThreader(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                         const RCPtr<LRefCountedObject>& parameters, int32_t priority,
                                         uint32_t stopTimeoutMs)
    : m_state(std::make_shared<State>()),
      m_thread([state = m_state] { return Run(*state); }),
      m_stopTimeout(stopTimeoutMs)
{
    m_state->gate = gate;
    m_state->worker = worker;
    m_state->parameters = parameters;
    m_thread.SetPriority(priority);
    m_thread.SetPriorityBoost(false);
    m_thread.Resume();
}

LEventGatedThreader::~LEventGatedThreader()
{
    m_state->stopping.store(true);
    m_state->gate->Set();
    m_thread.WaitForExit(m_stopTimeout);
}

uint32_t LEventGatedThreader::Run(State& state)
{
    while (!state.stopping.load()) {
        const uint32_t result = state.gate->Wait(state.waitTimeout);
        state.lastWaitResult.store(result);
        // A failed wait would fail again at once: leave rather than spin.
        if (state.stopping.load() || result == WaitFailed)
            break;
        if (result == WaitObject0 && state.worker) {
            state.running.store(true);
            state.worker->Run(state.parameters);
            state.running.store(false);
        }
    }
    return 0;
}

bool LEventGatedThreader::IsRunning() const noexcept { return m_state->running.load(); }

uint32_t LEventGatedThreader::GetLastWaitResult() const noexcept { return m_state->lastWaitResult.load(); }

} // namespace VQ
