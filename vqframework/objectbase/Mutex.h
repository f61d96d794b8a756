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

private:
    std::recursive_mutex m_mutex;
};

class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : m_mutex(&mutex) { m_mutex->Lock(); }
    explicit MutexLock(Mutex* mutex) : m_mutex(mutex) { m_mutex->Lock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() { m_mutex->Unlock(); }

private:
    Mutex* m_mutex;
};

} // namespace VQ
