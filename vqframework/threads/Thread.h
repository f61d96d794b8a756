// A thread created suspended: it starts on Resume, and its owner can wait for its end with a limit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace VQ {

// Wait results and the unlimited wait, with the values the system's callers compare against.
inline constexpr uint32_t WaitObject0 = 0;
inline constexpr uint32_t WaitTimeout = 258;
inline constexpr uint32_t WaitFailed = 0xFFFFFFFFu;
inline constexpr uint32_t Infinite = 0xFFFFFFFFu;

// How long the owners of threads wait for them at destruction before leaving them to end alone.
inline constexpr uint32_t DefaultStopTimeout = 60000;

class Thread {
public:
    static constexpr int32_t PriorityBelowNormal = -1;
    static constexpr int32_t PriorityNormal = 0;
    static constexpr int32_t PriorityAboveNormal = 1;
    static constexpr int32_t PriorityHighest = 2;
    static constexpr int32_t PriorityTimeCritical = 15;

    using StartRoutine = uint32_t (*)(void* argument);

    Thread(StartRoutine routine, void* argument);
    // The body's captures are released on the thread when it ends, or at destruction when the
    // thread never ran.
    explicit Thread(std::function<uint32_t()> body);
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // Does not wait: a thread still running goes on alone; one never resumed ends without running.
    virtual ~Thread();

    // False when the thread could not be created; every other call then fails.
    bool IsValid() const noexcept { return m_state != nullptr; }

    bool Resume();
    // Best effort for raised levels, which need privileges (see ThreadScheduling.h).
    bool SetPriority(int32_t priority);
    // The scheduler here has no dynamic boost to switch; kept for the callers that ask.
    bool SetPriorityBoost(bool on);
    bool HasExited() const;
    // True when the thread ended within the time; a thread waiting for itself gets false at once.
    bool WaitForExit(uint32_t milliseconds);

    // The kernel's id of the thread, 0 when it could not be created.
    uint64_t GetId() const noexcept { return m_id; }
    bool IsCurrentThread() const noexcept;

private:
    struct State;

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    uint64_t m_id = 0;
};

} // namespace VQ
