#include "vqframework/threads/EventPool.h"

#include <chrono>

namespace VQ {

EventPool::EventPool(uint32_t count) : m_domain(std::make_shared<detail::WaitDomain>())
{
    m_handles.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        RCPtr<LEvent> event(new LEvent(m_domain));
        m_handles.push_back(event.Get());
        m_events.Add(event);
    }
}

EventPool::~EventPool() = default;

RCPtr<LEvent> EventPool::GetEvent(uint32_t index) const
{
    return index < m_handles.size() ? RCPtr<LEvent>(m_handles[index]) : RCPtr<LEvent>();
}

int32_t EventPool::Wait(uint32_t milliseconds)
{
    if (m_handles.empty())
        return -1;
    int32_t found = -1;
    const auto anySignalled = [&] {
        for (size_t i = 0; i < m_handles.size(); ++i) {
            if (static_cast<const Event*>(m_handles[i])->m_signalled) {
                found = static_cast<int32_t>(i);
                return true;
            }
        }
        return false;
    };
    std::unique_lock lock(m_domain->mutex);
    if (milliseconds == Infinite)
        m_domain->changed.wait(lock, anySignalled);
    else if (!m_domain->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), anySignalled))
        return -1;
    Event& event = *m_handles[found];
    if (event.m_autoReset)
        event.m_signalled = false;
    return found;
}

} // namespace VQ
