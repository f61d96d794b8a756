// Workers and parameters shared by the thread tests: they block on command, log their runs and
// report the end of their life, so that tests wait on events instead of sleeping.
#pragma once

#include "vqframework/threads/Event.h"
#include "vqframework/threads/ThreadWorker.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace VQ::test {

// A short wait for things that must not happen; what must happen is waited for without limit, and
// CTest's timeout catches a hang.
inline constexpr uint32_t NegativeWaitMs = 50;

// Counts live objects of one kind and signals when the count falls back to zero.
class AliveCounter {
public:
    void Enter()
    {
        std::lock_guard lock(m_mutex);
        if (m_alive++ == 0)
            m_noneAlive.Reset();
    }
    void Leave()
    {
        std::lock_guard lock(m_mutex);
        if (--m_alive == 0)
            m_noneAlive.Set();
    }
    int Alive() const
    {
        std::lock_guard lock(m_mutex);
        return m_alive;
    }
    bool WaitNoneAlive()
    {
        m_noneAlive.Wait(Infinite);
        return Alive() == 0;
    }

private:
    mutable std::mutex m_mutex;
    int m_alive = 0;
    TrafficLight m_noneAlive;
};

// Parameters whose life is tracked; a use after free shows under the sanitizers through value.
class LTrackedParameters : public virtual LRefCountedObject {
public:
    LTrackedParameters(AliveCounter& counter, int value) : value(value), m_counter(counter) { m_counter.Enter(); }
    ~LTrackedParameters() override { m_counter.Leave(); }

    const int value;

private:
    AliveCounter& m_counter;
};

// A shared, locked record of which items ran, in order.
class RunLog {
public:
    void Add(const std::string& entry)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(entry);
        m_changed.Set();
    }
    std::vector<std::string> Entries() const
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    // Waits until the log holds count entries.
    std::vector<std::string> WaitFor(size_t count)
    {
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_entries.size() >= count)
                    return m_entries;
            }
            m_changed.Wait(Infinite);
        }
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_entries;
    Event m_changed{true};
};

// Logs its name, signals started, optionally waits for release, runs its action, reads its
// parameters and returns result. Each may run any number of times.
class LTestWorker : public LThreadWorker {
public:
    LTestWorker(std::string name, RunLog* log = nullptr, AliveCounter* counter = nullptr)
        : name(std::move(name)), m_log(log), m_counter(counter)
    {
        if (m_counter)
            m_counter->Enter();
    }
    ~LTestWorker() override
    {
        if (m_counter)
            m_counter->Leave();
    }

    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override
    {
        running.store(true);
        if (m_log)
            m_log->Add(name);
        ++runs;
        started.Set();
        if (blocking)
            release.Wait(Infinite);
        if (action)
            action(parameters);
        if (auto* tracked = dynamic_cast<LTrackedParameters*>(parameters.Get()))
            lastValue.store(tracked->value);
        running.store(false);
        finished.Set();
        return result;
    }

    const std::string name;
    // Set before the worker is handed to a thread.
    bool blocking = false;
    VQRESULT result = S_OK;
    std::function<void(const RCPtr<LRefCountedObject>&)> action;

    Event started{true};
    Event release{true};
    Event finished{true};
    std::atomic<int> runs{0};
    std::atomic<int> lastValue{-1};
    std::atomic<bool> running{false};

private:
    RunLog* const m_log;
    AliveCounter* const m_counter;
};

inline RCPtr<LTestWorker> MakeWorker(std::string name, RunLog* log = nullptr, bool blocking = false,
                                     AliveCounter* counter = nullptr)
{
    RCPtr<LTestWorker> worker(new LTestWorker(std::move(name), log, counter));
    worker->blocking = blocking;
    return worker;
}

} // namespace VQ::test
