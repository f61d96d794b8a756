// A fixed set of auto-reset events waited on together: the wait returns the lowest signalled one.
#pragma once

#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/threads/Event.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VQ {

class EventPool {
public:
    explicit EventPool(uint32_t count);
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;
    virtual ~EventPool();

    uint32_t GetCount() const { return m_events.GetCount(); }
    // Null past the end. The events may be held and set beyond the pool's life.
    RCPtr<LEvent> GetEvent(uint32_t index) const;
    // The index of a signalled event, the lowest when several are, taking only its signal; -1 when
    // none was signalled within the time, or the pool is empty.
    int32_t Wait(uint32_t milliseconds);

private:
    // All the pool's events share it, so that a set of any one wakes the wait.
    const std::shared_ptr<detail::WaitDomain> m_domain;
    RCPtrArray<LEvent, 1, 0> m_events;
    // The events in the same order, for the wait, which must not touch counts.
    std::vector<LEvent*> m_handles;
};

} // namespace VQ
