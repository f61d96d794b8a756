#include "vqframework/threads/Event.h"

#include <chrono>

namespace VQ {

Event::Event(bool autoReset) : Event(autoReset, std::make_shared<detail::WaitDomain>()) {}

Event::Event(bool autoReset, std::shared_ptr<detail::WaitDomain> domain)
    : m_domain(std::move(domain)), m_autoReset(autoReset)
{
}

Event::~Event() = default;

bool Event::Set()
{
    std::lock_guard lock(m_domain->mutex);
    if (!m_signalled) {
        m_signalled = true;
        // Every waiter of the domain wakes: waiters of other events in it, or a wait on several, may
        // be among them; an auto-reset signal still goes to the first that takes the lock. Notified
        // under the lock, so that a waiter that destroys the event once released finds Set done.
        m_domain->changed.notify_all();
    }
    return true;
}

bool Event::Reset()
{
    std::lock_guard lock(m_domain->mutex);
    m_signalled = false;
    return true;
}

uint32_t Event::Wait(uint32_t milliseconds)
{
    std::unique_lock lock(m_domain->mutex);
    const auto signalled = [this] { return m_signalled; };
    if (milliseconds == Infinite)
        m_domain->changed.wait(lock, signalled);
    else if (!m_domain->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), signalled))
        return WaitTimeout;
    if (m_autoReset)
        m_signalled = false;
    return WaitObject0;
}

RCPtr<LEvent> LEvent::Create() { return RCPtr<LEvent>(new LEvent(std::make_shared<detail::WaitDomain>())); }

} // namespace VQ
