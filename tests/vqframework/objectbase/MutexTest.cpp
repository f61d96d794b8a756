#include "vqframework/objectbase/Mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace VQ {
namespace {

using namespace std::chrono_literals;

// Whether another thread can take the lock now. It only tries, so a lock still held fails the
// test at once instead of hanging it.
bool FreeForOtherThreads(Mutex& mutex)
{
    return std::async(std::launch::async, [&mutex] {
               std::unique_lock<Mutex> lock(mutex, std::try_to_lock);
               return lock.owns_lock();
           })
        .get();
}

TEST(Mutex, IsReentrantForItsOwnerAndFreeAfterMatchingUnlocks)
{
    Mutex mutex;
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    EXPECT_FALSE(FreeForOtherThreads(mutex));
    mutex.Unlock();
    EXPECT_TRUE(FreeForOtherThreads(mutex));
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
    EXPECT_TRUE(FreeForOtherThreads(mutex));
}

TEST(MutexLock, NullLockLocksNothing)
{
    Mutex* none = nullptr;
    MutexLock lock(none);
    MutexLock literal(nullptr);
}

// Runs work on threads of its own and waits for all of them, at most a while: a lock that is
// never given back fails the test instead of hanging it. Threads stuck on such a lock are left
// behind, so what they use is owned by them (shared), not by the test.
testing::AssertionResult RunOnThreads(int threads, const std::function<void()>& work)
{
    struct Finished {
        std::mutex lock;
        std::condition_variable changed;
        int count = 0;
    };
    auto finished = std::make_shared<Finished>();
    std::vector<std::thread> started;
    for (int i = 0; i < threads; ++i)
        started.emplace_back([work, finished] {
            work();
            std::lock_guard<std::mutex> guard(finished->lock);
            ++finished->count;
            finished->changed.notify_all();
        });
    std::unique_lock<std::mutex> lock(finished->lock);
    const bool all = finished->changed.wait_for(lock, 10s, [&] { return finished->count == threads; });
    lock.unlock();
    for (std::thread& thread : started)
        all ? thread.join() : thread.detach();
    if (!all)
        return testing::AssertionFailure() << "threads still waiting for the lock";
    return testing::AssertionSuccess();
}

TEST(Mutex, ExcludesOtherThreads)
{
    struct Shared {
        Mutex mutex;
        int counter = 0;
    };
    auto shared = std::make_shared<Shared>();
    ASSERT_TRUE(RunOnThreads(2, [shared] {
        for (int i = 0; i < 20000; ++i) {
            MutexLock lock(shared->mutex);
            ++shared->counter;
        }
    }));
    EXPECT_EQ(shared->counter, 40000);
}

TEST(Mutex, WorksWithTheStandardLocks)
{
    Mutex first;
    Mutex second;
    {
        std::unique_lock<Mutex> lock(first);
        EXPECT_FALSE(FreeForOtherThreads(first));
        lock.unlock();
        EXPECT_TRUE(FreeForOtherThreads(first));
        EXPECT_TRUE(lock.try_lock());
        EXPECT_FALSE(FreeForOtherThreads(first));
    }
    {
        std::scoped_lock both(second, first);
        EXPECT_FALSE(FreeForOtherThreads(first));
        EXPECT_FALSE(FreeForOtherThreads(second));
    }
    EXPECT_TRUE(FreeForOtherThreads(first));
    EXPECT_TRUE(FreeForOtherThreads(second));
}

TEST(Mutex, ServesAsTheLockOfAConditionVariable)
{
    Mutex mutex;
    std::condition_variable_any changed;
    bool ready = false;
    std::unique_lock<Mutex> lock(mutex);
    std::thread setter([&] {
        {
            // Gets the lock only while the wait below has let go of it.
            std::lock_guard<Mutex> guard(mutex);
            ready = true;
        }
        changed.notify_all();
    });
    // A wait that kept the lock times out here instead of hanging the test.
    EXPECT_TRUE(changed.wait_for(lock, 10s, [&] { return ready; }));
    lock.unlock();
    setter.join();
}

} // namespace
} // namespace VQ
