// Runs work items on a fixed set of worker threads: straight on a free one, otherwise queued by
// priority and handed out by a queue thread as workers become free, highest priority first and the
// oldest first among equals.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/ReuseAllocator.h"
#include "vqframework/threads/Thread.h"
#include "vqframework/threads/ThreadWorker.h"

#include <cstdint>

namespace VQ {

class LThreadPool : public LThreadWorker {
public:
    class LWorkerParams;

    // Worker threads and the queue thread start at once; the queue thread runs at priority. A
    // count of 0 or less gives a stopped pool. stopTimeoutMs bounds the wait for each thread at stop.
    static RCPtr<LThreadPool> Create(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs = DefaultStopTimeout);

    // Runs the item as soon as possible at its priority level. Never blocks on the queue thread;
    // after Stop, and for a null worker, the item is dropped.
    void QueueWork(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters, int32_t priority);
    // Hands the item to a free worker thread and returns its index; -1 when none is free, when the
    // pool has one thread and items are queued (they go first), or when stopped.
    int32_t TryDispatch(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                        int32_t priority);
    // Drops the queued items and stops every thread, waiting for running items within the stop
    // timeout. Safe on a worker thread of the pool, whose own thread then ends after its item.
    void Stop();

    // The dispatch loop, which the queue thread runs: until the pool stops, hands queued items to
    // worker threads as they become free.
    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;

    // 0 once stopped.
    int32_t GetThreadCount() const noexcept;
    uint32_t GetQueuedCount() const;

protected:
    LThreadPool(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs);
    ~LThreadPool() override;

private:
    class Core;

    // Shared with the queue thread, so that a thread left running past its stop wait still finds
    // the pool's threads and events.
    const RCPtr<Core> m_core;
};

// A queued item. Items pass between threads, so their pool is locked.
class LThreadPool::LWorkerParams : public virtual LRefCountedObject, public ReusePooled<LWorkerParams, 1, true> {
public:
    static RCPtr<LWorkerParams> Create(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                       int32_t priority);

    const RCPtr<LThreadWorker>& GetWorker() const noexcept { return m_worker; }
    const RCPtr<LRefCountedObject>& GetParameters() const noexcept { return m_parameters; }
    int32_t GetPriority() const noexcept { return m_priority; }

private:
    LWorkerParams(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters, int32_t priority)
        : m_worker(worker), m_parameters(parameters), m_priority(priority)
    {
    }

    const RCPtr<LThreadWorker> m_worker;
    const RCPtr<LRefCountedObject> m_parameters;
    const int32_t m_priority;
};

} // namespace VQ
