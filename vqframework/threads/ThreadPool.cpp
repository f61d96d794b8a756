#include "vqframework/threads/ThreadPool.h"

#include "vqframework/objectbase/Mutex.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/threads/EventPool.h"
#include "vqframework/threads/RetriggerableThreader.h"

#include <atomic>
#include <memory>
#include <vector>

namespace VQ {

// Everything the pool's threads touch. The queue thread runs this core's dispatch loop as its work
// item and so holds a reference on it until the loop ends.
class LThreadPool::Core : public LThreadWorker {
public:
    Core(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs);

    void Start();
    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;
    int32_t Dispatch(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters, int32_t priority);
    void Queue(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters, int32_t priority);
    void Stop();

    std::atomic<int32_t> threadCount;
    // Guards the queue, and keeps the hand-overs to workers of callers and queue thread apart.
    mutable Mutex queueLock;
    RCPtrArray<LWorkerParams, 16, 16> queue;

private:
    // Hands the item to worker j when it is free; under the lock.
    bool TriggerIfFree(uint32_t j, const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                       int32_t priority);
    int32_t DispatchLocked(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                           int32_t priority);
    // Items handed over are moved to handedOver, to be released after the lock.
    void DispatchQueuedLocked(std::vector<RCPtr<LWorkerParams>>& handedOver);

    const uint32_t m_workerCount;
    const int32_t m_priority;
    const uint32_t m_stopTimeout;
    std::atomic<bool> m_stopped{false};
    std::vector<std::unique_ptr<RetriggerableThreader>> m_workers;
    // Event i is worker i's completion: set once it is free again. The last one wakes the queue
    // thread for a queued item or a stop.
    EventPool m_events;
    const uint32_t m_wakeIndex;
    RetriggerableThreader m_queueThreader;
};

LThreadPool::Core::Core(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs)
    : threadCount(threadCount > 0 ? threadCount : 0),
      m_workerCount(threadCount > 0 ? uint32_t(threadCount) : 0),
      m_priority(priority),
      m_stopTimeout(stopTimeoutMs),
      m_events(m_workerCount + 1),
      m_wakeIndex(m_workerCount),
      m_queueThreader(u"LThreadPool::mQueueThreader", stopTimeoutMs)
{
    m_workers.reserve(m_workerCount);
    for (uint32_t i = 0; i < m_workerCount; ++i)
        m_workers.push_back(std::make_unique<RetriggerableThreader>(u"LThreadPool::mThreads", stopTimeoutMs));
}

void LThreadPool::Core::Start()
{
    if (threadCount.load() > 0)
        m_queueThreader.Trigger(RCPtr<LThreadWorker>(this), nullptr, m_priority);
}

VQRESULT LThreadPool::Core::Run(const RCPtr<LRefCountedObject>&)
{
    // Any event may mean work: a worker became free or an item was queued. A failed wait ends the loop.
    std::vector<RCPtr<LWorkerParams>> handedOver;
    while (m_events.Wait(Infinite) >= 0) {
        if (threadCount.load() == 0)
            break;
        {
            MutexLock lock(queueLock);
            DispatchQueuedLocked(handedOver);
        }
        // An item that has already finished holds the last references to its worker and
        // parameters: their destructors, which may even release the pool, run outside the lock.
        handedOver.clear();
    }
    return S_OK;
}

int32_t LThreadPool::Core::Dispatch(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                    int32_t priority)
{
    if (!worker || threadCount.load() == 0)
        return -1;
    MutexLock lock(queueLock);
    return DispatchLocked(worker, parameters, priority);
}

int32_t LThreadPool::Core::DispatchLocked(const RCPtr<LThreadWorker>& worker,
                                          const RCPtr<LRefCountedObject>& parameters, int32_t priority)
{
    // Rechecked under the lock: a stop empties the queue under it, and nothing may start after.
    if (threadCount.load() == 0)
        return -1;
    // With one thread, queued items go first.
    if (m_workerCount == 1 && queue.GetCount() > 0)
        return -1;
    for (uint32_t j = 0; j < m_workerCount; ++j) {
        if (TriggerIfFree(j, worker, parameters, priority))
            return int32_t(j);
    }
    return -1;
}

bool LThreadPool::Core::TriggerIfFree(uint32_t j, const RCPtr<LThreadWorker>& worker,
                                      const RCPtr<LRefCountedObject>& parameters, int32_t priority)
{
    RetriggerableThreader& thread = *m_workers[j];
    // A busy worker keeps its item's name; one whose thread has ended refuses the trigger itself.
    if (thread.IsBusy())
        return false;
    thread.SetName(worker->ToString());
    return Succeeded(thread.Trigger(worker, parameters, m_events.GetEvent(j), priority));
}

void LThreadPool::Core::DispatchQueuedLocked(std::vector<RCPtr<LWorkerParams>>& handedOver)
{
    for (uint32_t j = 0; j < m_workerCount && queue.GetCount() > 0 && threadCount.load() > 0; ++j) {
        // The back holds the highest priority, and the oldest among equals.
        const RCPtr<LWorkerParams>& item = queue.GetAt(queue.GetCount() - 1);
        if (TriggerIfFree(j, item->GetWorker(), item->GetParameters(), item->GetPriority())) {
            RCPtr<LWorkerParams> taken;
            queue.RemoveLast(taken);
            handedOver.push_back(std::move(taken));
        }
    }
}

void LThreadPool::Core::Queue(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                              int32_t priority)
{
    if (!worker || threadCount.load() == 0)
        return;
    {
        MutexLock lock(queueLock);
        if (DispatchLocked(worker, parameters, priority) >= 0 || threadCount.load() == 0)
            return;
        // Sorted ascending; a new item goes before its equals, so that the oldest is served first.
        uint32_t index = 0;
        const uint32_t count = queue.GetCount();
        while (index < count && queue.GetAt(index)->GetPriority() < priority)
            ++index;
        queue.InsertAt(index, LWorkerParams::Create(worker, parameters, priority));
    }
    // The queue thread looks at once rather than wait for a completion that may already be past.
    m_events.GetEvent(m_wakeIndex)->Set();
}

void LThreadPool::Core::Stop()
{
    if (m_stopped.exchange(true))
        return;
    threadCount.store(0);
    std::vector<RCPtr<LWorkerParams>> dropped;
    {
        MutexLock lock(queueLock);
        dropped.assign(queue.begin(), queue.end());
        queue.Clear();
    }
    // The items' references go outside the lock: their release may run any destructor.
    dropped.clear();
    m_events.GetEvent(m_wakeIndex)->Set();
    m_queueThreader.Stop(m_stopTimeout);
    for (uint32_t j = m_workerCount; j-- > 0;)
        m_workers[j]->Stop(m_stopTimeout);
}

RCPtr<LThreadPool> LThreadPool::Create(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs)
{
    return RCPtr<LThreadPool>(new LThreadPool(threadCount, priority, stopTimeoutMs));
}

LThreadPool::LThreadPool(int32_t threadCount, int32_t priority, uint32_t stopTimeoutMs)
    : m_core(new Core(threadCount, priority, stopTimeoutMs))
{
    m_core->Start();
}

LThreadPool::~LThreadPool() { m_core->Stop(); }

void LThreadPool::QueueWork(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                            int32_t priority)
{
    m_core->Queue(worker, parameters, priority);
}

int32_t LThreadPool::TryDispatch(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& parameters,
                                 int32_t priority)
{
    return m_core->Dispatch(worker, parameters, priority);
}

void LThreadPool::Stop() { m_core->Stop(); }

VQRESULT LThreadPool::Run(const RCPtr<LRefCountedObject>& parameters) { return m_core->Run(parameters); }

int32_t LThreadPool::GetThreadCount() const noexcept { return m_core->threadCount.load(); }

uint32_t LThreadPool::GetQueuedCount() const
{
    MutexLock lock(m_core->queueLock);
    return m_core->queue.GetCount();
}

RCPtr<LThreadPool::LWorkerParams> LThreadPool::LWorkerParams::Create(const RCPtr<LThreadWorker>& worker,
                                                                     const RCPtr<LRefCountedObject>& parameters,
                                                                     int32_t priority)
{
    return RCPtr<LWorkerParams>(new LWorkerParams(worker, parameters, priority));
}

} // namespace VQ
