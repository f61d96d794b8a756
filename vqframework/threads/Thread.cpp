#include "vqframework/threads/Thread.h"

#include "platform/threads/ThreadScheduling.h"

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <system_error>

namespace VQ {

// Shared by the owner and the thread, so that either may be gone first.
struct Thread::State {
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t id = 0;
    bool resumed = false;
    bool abandoned = false;
    bool exited = false;
    // The level last applied; unknown at first, since a new thread inherits its creator's.
    int32_t priority = INT32_MIN;
    // The level last refused, not asked of the system again while it stays the one wanted: an
    // owner that sets a level with every item would otherwise pay two failing calls each time.
    int32_t refused = INT32_MIN;
};

Thread::Thread(StartRoutine routine, void* argument) : Thread([routine, argument] { return routine(argument); }) {}

Thread::Thread(std::function<uint32_t()> body)
{
    auto state = std::make_shared<State>();
    try {
        m_thread = std::thread([state, body = std::move(body)]() mutable {
            std::unique_lock lock(state->mutex);
            state->id = Platform::GetCurrentThreadId();
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->resumed || state->abandoned; });
            const bool run = state->resumed;
            lock.unlock();
            if (run)
                body();
            // Whoever learns of the end may rely on the body's references being gone.
            body = nullptr;
            lock.lock();
            state->exited = true;
            state->changed.notify_all();
        });
    } catch (const std::system_error&) {
        return;
    }
    // The id is known before the constructor returns, so priorities can be set while suspended.
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->id != 0; });
    m_id = state->id;
    m_state = std::move(state);
}

Thread::~Thread()
{
    if (!m_state)
        return;
    bool exited;
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->resumed) {
            m_state->abandoned = true;
            m_state->changed.notify_all();
        }
        exited = m_state->exited;
    }
    // An ended thread is past its body: joining it takes no time and frees it at once.
    if (exited && !IsCurrentThread())
        m_thread.join();
    else
        m_thread.detach();
}

bool Thread::Resume()
{
    if (!m_state)
        return false;
    std::lock_guard lock(m_state->mutex);
    m_state->resumed = true;
    m_state->changed.notify_all();
    return true;
}

bool Thread::SetPriority(int32_t priority)
{
    if (!m_state)
        return false;
    // Under the lock the thread cannot report its end, so its id still names it.
    std::lock_guard lock(m_state->mutex);
    if (m_state->exited)
        return false;
    if (m_state->priority == priority)
        return true;
    if (m_state->refused == priority)
        return false;
    if (!Platform::SetThreadPriority(m_id, priority)) {
        m_state->refused = priority;
        return false;
    }
    m_state->priority = priority;
    m_state->refused = INT32_MIN;
    return true;
}

bool Thread::SetPriorityBoost(bool) { return m_state != nullptr; }

bool Thread::HasExited() const
{
    if (!m_state)
        return false;
    std::lock_guard lock(m_state->mutex);
    return m_state->exited;
}

bool Thread::WaitForExit(uint32_t milliseconds)
{
    if (!m_state || IsCurrentThread())
        return false;
    std::unique_lock lock(m_state->mutex);
    const auto exited = [&] { return m_state->exited; };
    if (milliseconds == Infinite) {
        m_state->changed.wait(lock, exited);
        return true;
    }
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), exited);
}

// The standard id, unlike the kernel's, is not reused while this object holds the thread.
bool Thread::IsCurrentThread() const noexcept { return m_state && m_thread.get_id() == std::this_thread::get_id(); }

} // namespace VQ
