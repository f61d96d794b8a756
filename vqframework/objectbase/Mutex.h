// The system's one lock type, re-entrant for the thread that holds it, and its scoped guard.
#pragma once

#include <mutex>

namespace VQ {

class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    // Virtual: owners that create a lock on request delete it through this type.
    virtual ~Mutex();

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

    // The standard's lockable names, so that std::unique_lock, std::scoped_lock and
    // std::condition_variable_any take this lock. A wait on a condition lets go of one holding
    // only: a thread that holds the lock twice keeps it while it waits.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds the lock for its scope. A null lock is no lock, for owners whose lock is optional (a pool
// or queue that one thread owns). GCC honours nodiscard on the constructors only; with it there,
// a temporary that would unlock at once (MutexLock{m};) does not compile.
class [[nodiscard]] MutexLock {
public:
    [[nodiscard]] explicit MutexLock(Mutex& mutex) : m_mutex(&mutex) { m_mutex->Lock(); }
    [[nodiscard]] explicit MutexLock(Mutex* mutex) : m_mutex(mutex)
    {
        if (m_mutex)
            m_mutex->Lock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock()
    {
        if (m_mutex)
            m_mutex->Unlock();
    }

private:
    Mutex* const m_mutex;
};

} // namespace VQ
