// Events: a flag threads wait for, reset by the wait that takes it (auto reset) or only by Reset
// (manual reset). Set and wait from any thread.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/threads/Thread.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace VQ {

namespace detail {

// The lock and wake-up that a set of events share, so that one wait can watch all of them.
struct WaitDomain {
    std::mutex mutex;
    std::condition_variable changed;
};

} // namespace detail

class Event {
public:
    // Created not signalled.
    explicit Event(bool autoReset);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    virtual ~Event();

    bool Set();
    bool Reset();
    // WaitObject0 when signalled within the time (taking the signal when auto reset), else
    // WaitTimeout; Infinite waits without limit.
    uint32_t Wait(uint32_t milliseconds);
    // A wait of 0 ms; true only when it found the event signalled.
    bool IsSignaled() { return Wait(0) == WaitObject0; }
    uintptr_t GetHandle() const noexcept { return reinterpret_cast<uintptr_t>(this); }

protected:
    Event(bool autoReset, std::shared_ptr<detail::WaitDomain> domain);

private:
    friend class EventPool;

    const std::shared_ptr<detail::WaitDomain> m_domain;
    const bool m_autoReset;
    // Guarded by the domain's mutex.
    bool m_signalled = false;
};

// A manual-reset event: once set it lets every waiter pass until it is reset.
class TrafficLight : public Event {
public:
    TrafficLight() : Event(false) {}
};

// A counted auto-reset event, for events shared between an owner and its threads.
class LEvent : public virtual LRefCountedObject, public Event {
public:
    static RCPtr<LEvent> Create();

protected:
    explicit LEvent(std::shared_ptr<detail::WaitDomain> domain) : Event(true, std::move(domain)) {}

private:
    friend class EventPool;
};

} // namespace VQ
