// The engine with the stand-in device library beside the program: connection, parameter traffic,
// values the device reports, and the polling worker driven by a clock the test holds.
#include "devicecontrol/communication/DeviceControlClock.h"
#include "tests/devicecontrol/fakeclient/FakeDeviceLibrary.h"
#include "tests/devicecontrol/generatedcode/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace VQ::test {
namespace {

using Testing::FakeDeviceLibrary;
using Testing::FakeEntry;

// The discovery's quarter-second steps pass at once; every other sleep (the engine's pause after a
// full refresh) waits until the test hands out that much time, so the worker stops where the test
// can look at it.
class TestClock {
public:
    static TestClock& Get()
    {
        static TestClock* const clock = new TestClock();
        return *clock;
    }

    void Install()
    {
        {
            std::lock_guard lock(m_mutex);
            m_free = false;
            m_allowedMs = 0;
        }
        DeviceControlClock::SetSleepFunction(&TestClock::Sleep);
    }

    // Lets every sleeper go, now and later.
    void Release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_free = true;
        }
        m_changed.notify_all();
    }

    void Uninstall()
    {
        Release();
        DeviceControlClock::SetSleepFunction(nullptr);
    }

    void Advance(uint32_t milliseconds)
    {
        {
            std::lock_guard lock(m_mutex);
            m_allowedMs += milliseconds;
        }
        m_changed.notify_all();
    }

    // True once a sleeper waits and all time handed out is used up.
    bool WaitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_waiting > 0 && m_allowedMs == 0; });
    }

private:
    static void Sleep(uint32_t milliseconds)
    {
        if (milliseconds == 250)
            return;
        TestClock& clock = Get();
        std::unique_lock lock(clock.m_mutex);
        ++clock.m_waiting;
        clock.m_changed.notify_all();
        clock.m_changed.wait(lock, [&] { return clock.m_free || clock.m_allowedMs >= milliseconds; });
        if (!clock.m_free)
            clock.m_allowedMs -= milliseconds;
        --clock.m_waiting;
        clock.m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_free = true;
    uint32_t m_allowedMs = 0;
    int m_waiting = 0;
};

constexpr uint32_t PauseMs = 1500;

Variant Device(int32_t id)
{
    return Variant(id);
}

class RootModuleEngineLibraryTest : public ::testing::Test, public EngineFixtureBase {
protected:
    void SetUp() override { TestClock::Get().Install(); }
    void TearDown() override
    {
        // The worker may wait on the clock, and it calls the library until it has stopped.
        TestClock::Get().Uninstall();
        application.engine = nullptr;
        engine = nullptr;
    }

    // Drains the centre until count notifications have come since the last call.
    std::vector<Posted> WaitForPosted(size_t count)
    {
        std::vector<Posted> collected;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (collected.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (Posted& posted : listener->Drain(application.center))
                collected.push_back(std::move(posted));
            if (collected.size() < count)
                std::this_thread::yield();
        }
        return collected;
    }

    FakeDeviceLibrary library;
};

std::vector<std::string> IdsOf(const std::vector<Posted>& posted)
{
    std::vector<std::string> ids;
    for (const Posted& each : posted)
        ids.push_back(each.id);
    return ids;
}

int32_t PairId(const Posted& posted)
{
    const auto pair = RCPtrDynamicCast<ParamChangePair>(posted.payload);
    return pair ? pair->key.id : INT32_MIN;
}

uint32_t ListCount(const Posted& posted)
{
    const auto holder = RCPtrDynamicCast<LHolder<uint32_t>>(posted.payload);
    return holder ? holder->GetValue() : UINT32_MAX;
}

TEST_F(RootModuleEngineLibraryTest, InitializeConnectsTheFirstDeviceAndAsksForTheWholeModel)
{
    MakeEngine();
    EXPECT_EQ(library.GetCallCount(FakeEntry::ConnectDevice), 1);
    EXPECT_EQ(library.GetLastDevice(FakeEntry::ConnectDevice).GetType(), Variant::TypeEmpty);
    ParamRange range;
    ASSERT_EQ(library.GetLastRequestedRanges().GetAt(0, range), 0);
    EXPECT_EQ(range.first, 0);
    EXPECT_EQ(range.count, 17);
    int32_t id = 0;
    Variant key;
    ASSERT_EQ(library.GetLastRequestedDescriptors().GetAt(0, id, key), 0);
    EXPECT_EQ(id, -8);
    EXPECT_EQ(IdsOf(listener->Drain(application.center)),
              (std::vector<std::string>{"NID_PARAM_MODULE_STATE_CHANGE", "NID_DEVICE_CONNECTION_STATE_CHANGE"}));
}

TEST_F(RootModuleEngineLibraryTest, EveryWriteReachesTheLibraryAndOnlyChangesArePosted)
{
    MakeEngine();
    listener->Drain(application.center);
    const Variant pad1 = Blob({50, 3, 4, 1});
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(1), pad1), S_OK);
    EXPECT_EQ(library.GetLastSetDescriptor().id, 1);
    EXPECT_EQ(library.GetLastSetValue(), pad1);
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(1), pad1), S_OK);
    EXPECT_EQ(library.GetCallCount(FakeEntry::SetParamValue), 2) << "an unchanged value still goes to the device";
    const std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(PairId(posted[0]), 1);

    // The device's refusal is the caller's answer; the model keeps the value.
    library.SetResult(FakeEntry::SetParamValue, -5);
    const Variant knob2 = Blob({30, 1, 99});
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(10), knob2), -5);
    Array<ParamValue> values;
    ASSERT_EQ(engine->GetParamValues(ParamRange{10, 1}, values, -1), S_OK);
    EXPECT_EQ(values.GetAt(0).value, knob2);
}

TEST_F(RootModuleEngineLibraryTest, ARefusedConnectionLeavesTheModelToItsCache)
{
    library.SetResult(FakeEntry::ConnectDevice, -3);
    MakeEngine();
    const std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(StateOf(posted[1]), LRootModuleEngine::Connected);
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(0), Blob({9})), S_OK);
    EXPECT_EQ(library.GetCallCount(FakeEntry::SetParamValue), 0);
    EXPECT_EQ(listener->Drain(application.center).size(), 1u);
}

TEST_F(RootModuleEngineLibraryTest, ValuesTheDeviceReportsArePostedInTheirOrder)
{
    MakeEngine();
    listener->Drain(application.center);
    ParamValue reports[] = {{9, Variant(), Blob({1, 2, 3})}, {1, Variant(), Blob({36, 0, 0, 0})},
                            {20, Variant(), Blob({7})}, {0, Variant(), Blob({4})}};
    ParamValues first;
    // Kept in the given order, not sorted: the device's order is the order of the reports.
    ASSERT_EQ(first.Set(reports, 4), 0);
    ASSERT_TRUE(library.EmitValues(first));
    const std::vector<Posted> posted = WaitForPosted(3);
    ASSERT_EQ(posted.size(), 3u);
    // Pad 1 already holds its default: nothing to post for it.
    EXPECT_EQ(PairId(posted[0]), 9);
    EXPECT_EQ(PairId(posted[1]), 20) << "a value without a module is posted as it came";
    EXPECT_EQ(PairId(posted[2]), 0);
}

TEST_F(RootModuleEngineLibraryTest, PollingSearchesEightTimesThenRefreshesAndPauses)
{
    library.SetRemoteDevices({Device(7)});
    library.SetRefreshResult(1);
    MakeEngine();
    listener->Drain(application.center);

    ASSERT_EQ(engine->EnableDevicePolling(true), 0) << "the first search finds a device";
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    // The first discovery, then a first waiting search that finds the list changed at once, seven
    // that wait out 1500 ms in seven queries each, and one full refresh.
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 1 + 1 + 7 * 7);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), 1);
    std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(IdsOf(posted), std::vector<std::string>{"NID_REMOTE_DEVICE_LIST_CHANGE"});
    EXPECT_EQ(ListCount(posted[0]), 1u);

    // While polling, the list is the last one polled; the library is not asked.
    Array<Variant> devices;
    ASSERT_EQ(engine->GetRemoteDevices(devices), S_OK);
    ASSERT_EQ(devices.GetCount(), 1u);
    EXPECT_EQ(devices.GetAt(0), Device(7));
    EXPECT_EQ(engine->EnableDevicePolling(true), S_OK);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 51);

    // The refresh answered 1: the next pass refreshes again, and finds a second device.
    library.SetRemoteDevices({Device(7), Device(8)});
    library.SetRefreshResult(0);
    TestClock::Get().Advance(PauseMs);
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 51);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), 2);
    posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(ListCount(posted[0]), 2u);

    // That refresh answered 0: eight searches again before the next.
    TestClock::Get().Advance(PauseMs);
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 51 + 8 * 7);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), 3);
    EXPECT_TRUE(listener->Drain(application.center).empty());
}

TEST_F(RootModuleEngineLibraryTest, PollingSwitchedOffEndsAfterThePassAndCanBeSwitchedOnAgain)
{
    library.SetRemoteDevices({Device(7)});
    // A loop that went on would refresh again next; a fresh one searches eight times first.
    library.SetRefreshResult(1);
    MakeEngine();
    ASSERT_EQ(engine->EnableDevicePolling(true), 0);
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    EXPECT_EQ(engine->EnableDevicePolling(false), S_OK);
    const int32_t searches = library.GetRemoteDeviceQueryCount(0);
    const int32_t refreshes = library.GetRemoteDeviceQueryCount(1);
    // With no device to connect, the loop ends where it pauses instead of searching again.
    TestClock::Get().Advance(PauseMs);
    ASSERT_EQ(engine->EnableDevicePolling(true), 0) << "the first discovery's result stands";
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), searches + 8 * 7) << "a fresh loop starts with eight searches";
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), refreshes + 1);
}

TEST_F(RootModuleEngineLibraryTest, ReleasingThePollingEngineStopsItsWorkerAndUnloadsTheLibrary)
{
    library.SetRemoteDevices({Device(7)});
    MakeEngine();
    ASSERT_EQ(engine->EnableDevicePolling(true), 0);
    ASSERT_TRUE(TestClock::Get().WaitUntilHeld());
    TestClock::Get().Release();
    application.engine = nullptr;
    engine = nullptr;
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 1);
    EXPECT_FALSE(library.HasCallback());
}

TEST_F(RootModuleEngineLibraryTest, SearchesWithoutPollingAskTheLibraryOnce)
{
    library.SetRemoteDevices({Device(7), Device(8)});
    MakeEngine();
    Array<Variant> devices;
    ASSERT_EQ(engine->GetRemoteDevices(devices), S_OK);
    EXPECT_EQ(devices.GetCount(), 2u);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 1);

    library.SetResult(FakeEntry::FindRemoteDevices, -7);
    EXPECT_EQ(engine->GetRemoteDevices(devices), E_FAIL);
    EXPECT_EQ(engine->EnableDevicePolling(true), E_FAIL) << "a failed first discovery keeps polling off";
    library.ClearResult(FakeEntry::FindRemoteDevices);
    EXPECT_EQ(engine->EnableDevicePolling(true), E_FAIL) << "and its result is kept";
}

} // namespace
} // namespace VQ::test
