#include "vqframework/objectbase/Mutex.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

namespace VQ {
namespace {

// Locks the mutex on another thread; ready when that thread got it.
std::future<void> LockElsewhere(Mutex& mutex)
{
    return std::async(std::launch::async, [&mutex] {
        MutexLock lock(mutex);
    });
}

TEST(Mutex, IsReentrantForItsOwnerAndFreeAfterMatchingUnlocks)
{
    Mutex mutex;
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    auto other = LockElsewhere(mutex);
    other.get(); // a lock still held here hangs the test until the runner's time-out
}

TEST(MutexLock, UnlocksWhenItsScopeIsLeftByAnException)
{
    Mutex mutex;
    EXPECT_THROW(
        {
            MutexLock outer(mutex);
            MutexLock inner(&mutex);
            throw std::runtime_error("leave");
        },
        std::runtime_error);
    auto other = LockElsewhere(mutex);
    other.get(); // a lock still held here hangs the test until the runner's time-out
}

TEST(MutexLock, NullLockLocksNothing)
{
    Mutex* none = nullptr;
    MutexLock lock(none);
    MutexLock literal(nullptr);
}

TEST(Mutex, ExcludesOtherThreads)
{
    Mutex mutex;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            MutexLock lock(mutex);
            ++counter;
        }
    };
    auto a = std::async(std::launch::async, work);
    auto b = std::async(std::launch::async, work);
    a.get();
    b.get();
    EXPECT_EQ(counter, 40000);
}

} // namespace
} // namespace VQ
