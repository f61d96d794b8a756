#include "devicecontrol/communication/DeviceCommunicationInterface.h"

#include "devicecontrol/communication/DeviceControlClock.h"
#include "tests/devicecontrol/fakeclient/FakeDeviceLibrary.h"

#include "CommunicationTestSupport.h"

#include "vqframework/storage/Array.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace VQ::test {
namespace {

using Comm = LDeviceCommunicationInterface;
using Testing::FakeDeviceLibrary;
using Testing::FakeEntry;

Variant Text(const char* text)
{
    Variant value;
    value.SetString(text);
    return value;
}

Array<Variant> DeviceList(std::initializer_list<Variant> items)
{
    Array<Variant> list;
    for (const Variant& item : items)
        list.Add(item);
    return list;
}

std::vector<Variant> Elements(const IArray<Variant>& list)
{
    return std::vector<Variant>(list.begin(), list.end());
}

// The library lies beside this executable and is loaded by Initialize.
class DeviceCommunicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(comm->Initialize(), 0);
        comm->SetReceiver(&receiver);
        comm->SetReceiveEnabled(true);
    }

    FakeDeviceLibrary library;
    RecordingReceiver receiver;
    RCPtr<Comm> comm = Comm::Create();
    const Variant device = Text("pad-1");
};

TEST_F(DeviceCommunicationTest, ConnectRegistersThisInterfaceForTheLibrarysValues)
{
    EXPECT_EQ(comm->Initialize(), 1);
    EXPECT_EQ(comm->ConnectDevice(device), 0);
    EXPECT_EQ(library.GetLastDevice(FakeEntry::ConnectDevice), device);
    EXPECT_EQ(library.GetCallbackContext(), static_cast<void*>(comm.Get()));
    Variant connected;
    EXPECT_EQ(comm->GetConnectedDevice(connected), 0);
    EXPECT_EQ(connected, device);

    ASSERT_TRUE(library.EmitValues(MakeReport(12, Variant(7))));
    receiver.WaitForCount(1);
    const ReportElement element = FirstElement(receiver.Reports()[0]);
    EXPECT_EQ(element.id, 12);
    EXPECT_EQ(element.value, Variant(7));
    EXPECT_NE(receiver.Threads()[0], std::this_thread::get_id()) << "applied on the gated thread";
}

TEST_F(DeviceCommunicationTest, ARefusedConnectionStillNamesTheCurrentDevice)
{
    library.SetResult(FakeEntry::ConnectDevice, -5);
    EXPECT_EQ(comm->ConnectDevice(device), -5);
    EXPECT_FALSE(library.HasCallback());
    EXPECT_EQ(comm->DisconnectDevice(), 0);
    EXPECT_EQ(library.GetLastDevice(FakeEntry::DisconnectDevice), device);
}

// One forwarded operation: the entry point it reaches, the call, and what the library must have seen.
struct Forwarded {
    const char* name;
    FakeEntry entry;
    std::function<int32_t(Comm&)> call;
    std::function<void(const FakeDeviceLibrary&)> check;
};

ParamRanges SomeRanges()
{
    const ParamRange ranges[] = {{10, 3}, {40, 1}};
    ParamRanges list;
    list.Set(ranges, 2);
    return list;
}

ParamDescriptors SomeDescriptors()
{
    return ParamDescriptors(ParamRange{20, 2});
}

ParamValues SomeValues()
{
    return MakeReport(30, Variant(8));
}

int32_t IdOf(const ParamDescriptor& descriptor) { return descriptor.id; }

const Forwarded kForwarded[] = {
    {"RequestParamRanges", FakeEntry::RequestParamRanges, [](Comm& c) { return c.RequestParamRanges(SomeRanges()); },
     [](const FakeDeviceLibrary& l) { EXPECT_EQ(l.GetLastRequestedRanges(), SomeRanges()); }},
    {"RequestParamValues", FakeEntry::RequestParamValues,
     [](Comm& c) { return c.RequestParamValues(SomeDescriptors()); },
     [](const FakeDeviceLibrary& l) { EXPECT_EQ(l.GetLastRequestedDescriptors(), SomeDescriptors()); }},
    {"RequestParamValue", FakeEntry::RequestParamValues,
     [](Comm& c) { return c.RequestParamValue(ParamDescriptor(21)); },
     [](const FakeDeviceLibrary& l) {
         ParamDescriptor one(21);
         ParamDescriptors expected;
         expected.Set(&one, 1);
         EXPECT_EQ(l.GetLastRequestedDescriptors(), expected);
     }},
    {"GetParamRanges", FakeEntry::GetParamRanges, [](Comm& c) { return c.GetParamRanges(3, 4); },
     [](const FakeDeviceLibrary& l) {
         EXPECT_EQ(l.GetLastPassThrough(FakeEntry::GetParamRanges), std::make_pair(3, 4));
     }},
    {"GetParamValues", FakeEntry::GetParamValues, [](Comm& c) { return c.GetParamValues(5, 6); },
     [](const FakeDeviceLibrary& l) {
         EXPECT_EQ(l.GetLastPassThrough(FakeEntry::GetParamValues), std::make_pair(5, 6));
     }},
    {"GetParamValue", FakeEntry::GetParamValue,
     [](Comm& c) {
         Variant out;
         const int32_t result = c.GetParamValue(ParamDescriptor(Comm::ParamDeviceAvailability), out);
         EXPECT_EQ(out, result >= 0 ? Text("answer") : Variant());
         return result;
     },
     [](const FakeDeviceLibrary& l) { EXPECT_EQ(IdOf(l.GetLastGetDescriptor()), Comm::ParamDeviceAvailability); }},
    {"GetDeviceInfoValue", FakeEntry::GetParamValue,
     [](Comm& c) {
         Variant out;
         return c.GetDeviceInfoValue(out);
     },
     [](const FakeDeviceLibrary& l) { EXPECT_EQ(IdOf(l.GetLastGetDescriptor()), Comm::ParamDeviceInfo); }},
    {"SetParamValue", FakeEntry::SetParamValue,
     [](Comm& c) { return c.SetParamValue(ParamDescriptor(33), Variant(9)); },
     [](const FakeDeviceLibrary& l) {
         EXPECT_EQ(IdOf(l.GetLastSetDescriptor()), 33);
         EXPECT_EQ(l.GetLastSetValue(), Variant(9));
     }},
    {"SetDeviceInfoValue", FakeEntry::SetParamValue, [](Comm& c) { return c.SetDeviceInfoValue(Text("info")); },
     [](const FakeDeviceLibrary& l) {
         EXPECT_EQ(IdOf(l.GetLastSetDescriptor()), Comm::ParamDeviceInfo);
         EXPECT_EQ(l.GetLastSetValue(), Text("info"));
     }},
    {"SetParamValues", FakeEntry::SetParamValues, [](Comm& c) { return c.SetParamValues(SomeValues()); },
     [](const FakeDeviceLibrary& l) { EXPECT_EQ(l.GetLastSetValues(), SomeValues()); }},
    {"DisconnectDevice", FakeEntry::DisconnectDevice, [](Comm& c) { return c.DisconnectDevice(); },
     [](const FakeDeviceLibrary&) {}},
};

TEST_F(DeviceCommunicationTest, ForwardsParameterTrafficWithTheCurrentDeviceAndPassesResultsBack)
{
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    library.SetParamValueAnswer(Text("answer"));
    for (const Forwarded& f : kForwarded) {
        SCOPED_TRACE(f.name);
        for (int32_t answer : {17, -20}) {
            library.SetResult(f.entry, answer);
            const int32_t before = library.GetCallCount(f.entry);
            EXPECT_EQ(f.call(*comm), answer) << "the library's result, refusals included";
            EXPECT_EQ(library.GetCallCount(f.entry), before + 1);
            EXPECT_EQ(library.GetLastDevice(f.entry), device);
            f.check(library);
        }
        library.ClearResult(f.entry);
    }
}

TEST_F(DeviceCommunicationTest, RefusesReservedParametersWithoutAskingTheLibrary)
{
    const struct {
        int32_t id;
        int32_t result;
        int32_t libraryCalls;
    } cases[] = {
        {-243, 0, 1},
        {Comm::FirstRefusedParam, E_FAIL, 0},
        {-241, E_FAIL, 0},
        {Comm::LastRefusedParam, E_FAIL, 0},
        {-239, 0, 1},
    };
    for (const auto& c : cases) {
        const int32_t before = library.GetCallCount(FakeEntry::SetParamValue);
        EXPECT_EQ(comm->SetParamValue(ParamDescriptor(c.id), Variant(1)), c.result) << c.id;
        EXPECT_EQ(library.GetCallCount(FakeEntry::SetParamValue) - before, c.libraryCalls) << c.id;
    }
}

TEST_F(DeviceCommunicationTest, LoopbackIsAnsweredHereBeforeReturning)
{
    EXPECT_EQ(comm->SetParamValue(ParamDescriptor(Comm::ParamLoopback), Variant(5)), 0);
    ASSERT_EQ(receiver.Reports().size(), 1u);
    EXPECT_EQ(FirstElement(receiver.Reports()[0]).id, Comm::ParamLoopback);
    EXPECT_EQ(receiver.Threads()[0], std::this_thread::get_id());
    EXPECT_EQ(library.GetCallCount(FakeEntry::SetParamValue), 0);
}

TEST_F(DeviceCommunicationTest, DeviceInfoIsAskedForTheGivenDeviceNotTheCurrentOne)
{
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    const Variant other = Text("pad-2");
    for (bool available : {true, false}) {
        library.SetDeviceAvailable(available);
        DeviceInfoRecord record{};
        EXPECT_EQ(comm->GetDeviceInfo(other, &record), 0);
        EXPECT_EQ(record.IsAvailable(), available);
        EXPECT_EQ(library.GetLastDevice(FakeEntry::GetDeviceInfo), other);
    }
    library.SetResult(FakeEntry::GetDeviceInfo, -3);
    DeviceInfoRecord record{};
    EXPECT_EQ(comm->GetDeviceInfo(other, &record), -3);
}

TEST_F(DeviceCommunicationTest, FindDevicesDoesNotAskTheLibrary)
{
    Array<Guid> types;
    Array<Variant> devices = DeviceList({device});
    EXPECT_EQ(comm->FindDevices(types, devices), 0);
    EXPECT_EQ(Elements(devices), std::vector<Variant>{Variant()});
    EXPECT_EQ(library.GetCallCount(FakeEntry::FindDevices), 0);
    EXPECT_EQ(library.GetCallCount(FakeEntry::FindRemoteDevices), 0);
}

// The pauses of discovery, recorded instead of slept; a hook may act on the n-th pause.
struct SleepLog {
    std::mutex mutex;
    std::vector<uint32_t> sleeps;
    std::function<void(size_t)> onSleep;
};

SleepLog& Sleeps()
{
    static SleepLog log;
    return log;
}

void RecordSleep(uint32_t milliseconds)
{
    std::function<void(size_t)> hook;
    size_t count;
    {
        std::lock_guard lock(Sleeps().mutex);
        Sleeps().sleeps.push_back(milliseconds);
        count = Sleeps().sleeps.size();
        hook = Sleeps().onSleep;
    }
    if (hook)
        hook(count);
}

class DeviceDiscoveryTest : public DeviceCommunicationTest {
protected:
    void SetUp() override
    {
        DeviceCommunicationTest::SetUp();
        DeviceControlClock::SetSleepFunction(&RecordSleep);
        Guid type{};
        type.bytes[0] = 0x5a;
        type.bytes[15] = 0xa5;
        types.Add(type);
    }

    void TearDown() override
    {
        DeviceControlClock::SetSleepFunction(nullptr);
        std::lock_guard lock(Sleeps().mutex);
        Sleeps().sleeps.clear();
        Sleeps().onSleep = nullptr;
    }

    static std::vector<uint32_t> Recorded()
    {
        std::lock_guard lock(Sleeps().mutex);
        return Sleeps().sleeps;
    }

    Array<Guid> types;
    const Variant a = Text("pad-a");
    const Variant b = Text("pad-b");
};

TEST_F(DeviceDiscoveryTest, PollsEveryQuarterSecondUntilTheTimeoutWhileTheListStaysTheSame)
{
    library.SetRemoteDevices({a, b});
    Array<Variant> devices = DeviceList({a, b});

    EXPECT_EQ(comm->FindRemoteDevices(types, devices, 1500), 1);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 7) << "at 0, 250, ..., 1500 ms";
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), 0);
    EXPECT_EQ(Recorded(), std::vector<uint32_t>(6, 250));
    EXPECT_EQ(Elements(devices), (std::vector<Variant>{a, b}));
    const std::vector<Guid> sent = library.GetLastDeviceTypes();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes[0], 0x5a);
    EXPECT_EQ(sent[0].bytes[15], 0xa5);
}

TEST_F(DeviceDiscoveryTest, ReturnsAsSoonAsTheListChanges)
{
    library.SetRemoteDevices({a});
    {
        std::lock_guard lock(Sleeps().mutex);
        Sleeps().onSleep = [this](size_t count) {
            if (count == 2)
                library.SetRemoteDevices({a, b});
        };
    }
    Array<Variant> devices = DeviceList({a});

    EXPECT_EQ(comm->FindRemoteDevices(types, devices, 1500), 0);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 3);
    EXPECT_EQ(Recorded(), (std::vector<uint32_t>{250, 250}));
    EXPECT_EQ(Elements(devices), (std::vector<Variant>{a, b}));
}

TEST_F(DeviceDiscoveryTest, WithoutTimeoutAsksOnce)
{
    const struct {
        const char* what;
        std::vector<Variant> listed;
        std::vector<Variant> given;
        int32_t result;
    } cases[] = {
        {"the same list", {a, b}, {a, b}, 1},
        {"a device more", {a, b}, {a}, 0},
        {"another order", {b, a}, {a, b}, 0},
        {"no devices, as before", {}, {}, 1},
        {"all devices gone", {}, {a}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        library.SetRemoteDevices(c.listed);
        Array<Variant> devices;
        for (const Variant& given : c.given)
            devices.Add(given);
        const int32_t before = library.GetRemoteDeviceQueryCount(0);
        EXPECT_EQ(comm->FindRemoteDevices(types, devices, 0), c.result);
        EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), before + 1);
        EXPECT_EQ(Elements(devices), c.listed);
    }
    EXPECT_TRUE(Recorded().empty());
}

TEST_F(DeviceDiscoveryTest, ALibraryFailureEndsTheSearch)
{
    library.SetResult(FakeEntry::FindRemoteDevices, -3);
    Array<Variant> devices = DeviceList({a});
    EXPECT_EQ(comm->FindRemoteDevices(types, devices, 1500), E_FAIL);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 1);
    EXPECT_TRUE(Recorded().empty());
    EXPECT_EQ(Elements(devices), std::vector<Variant>{a});
}

TEST_F(DeviceDiscoveryTest, RefreshAsksOnceWithTheRefreshFlagAndPassesTheResultBack)
{
    library.SetRemoteDevices({a, b});
    library.SetRefreshResult(1);
    Array<Variant> devices;
    EXPECT_EQ(comm->RefreshRemoteDevices(types, devices), 1) << "refresh again";
    EXPECT_EQ(Elements(devices), (std::vector<Variant>{a, b}));
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(1), 1);
    EXPECT_EQ(library.GetRemoteDeviceQueryCount(0), 0);

    library.SetResult(FakeEntry::FindRemoteDevices, -3);
    library.SetRemoteDevices({});
    EXPECT_EQ(comm->RefreshRemoteDevices(types, devices), -3) << "passed back, not made E_FAIL";
    EXPECT_EQ(Elements(devices), (std::vector<Variant>{a, b})) << "a failed refresh leaves the list";
}

TEST_F(DeviceCommunicationTest, ReportsArrivingWhileTheReceiverIsBusyAreAllAppliedLaterInOrder)
{
    constexpr int32_t Later = 300;
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    receiver.HoldNext();
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(0))));
    receiver.WaitUntilHeld();
    for (int32_t i = 1; i <= Later; ++i)
        ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(i))));
    EXPECT_TRUE(receiver.Reports().empty());

    receiver.Release();
    receiver.WaitForCount(Later + 1);
    const std::vector<ParamValues> reports = receiver.Reports();
    const std::vector<std::thread::id> threads = receiver.Threads();
    ASSERT_EQ(reports.size(), size_t(Later + 1));
    for (int32_t i = 0; i <= Later; ++i)
        EXPECT_EQ(FirstElement(reports[size_t(i)]).value, Variant(i)) << "arrival order";
    EXPECT_NE(threads[0], std::this_thread::get_id());
    EXPECT_EQ(threads, std::vector<std::thread::id>(threads.size(), threads[0])) << "all on the gated thread";
}

TEST_F(DeviceCommunicationTest, SwitchingReceivingOffWaitsForTheReportBeingAppliedAndDropsTheQueue)
{
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    receiver.HoldNext();
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(0))));
    receiver.WaitUntilHeld();
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(1))));
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(2))));

    TrafficLight returned;
    size_t appliedAtReturn = 0;
    std::thread switcher([&] {
        comm->SetReceiveEnabled(false);
        appliedAtReturn = receiver.Reports().size();
        returned.Set();
    });
    EXPECT_EQ(returned.Wait(NegativeWaitMs), WaitTimeout) << "a report is still being applied";
    receiver.Release();
    switcher.join();
    EXPECT_EQ(appliedAtReturn, 1u) << "the report in progress was applied before the switch returned";

    // Receiving again: only what arrives from now on.
    comm->SetReceiveEnabled(true);
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(3))));
    receiver.WaitForCount(2);
    const std::vector<ParamValues> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(FirstElement(reports[0]).value, Variant(0));
    EXPECT_EQ(FirstElement(reports[1]).value, Variant(3)) << "the reports queued behind it were dropped";
}

TEST_F(DeviceCommunicationTest, ReleaseStopsTheThreadThenDisconnectsAndUnloadsTheLibrary)
{
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    EXPECT_EQ(comm->ReleaseCyclicReferences(), S_OK);
    EXPECT_EQ(comm->GetRefCount(), 1);
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 0);

    comm = nullptr;
    EXPECT_EQ(library.GetCallCount(FakeEntry::DisconnectDevice), 1);
    EXPECT_EQ(library.GetLastDevice(FakeEntry::DisconnectDevice), device);
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 1);
    const std::vector<FakeEntry> calls = library.GetCalls();
    EXPECT_EQ(std::vector<FakeEntry>(calls.end() - 2, calls.end()),
              (std::vector<FakeEntry>{FakeEntry::DisconnectDevice, FakeEntry::ReleaseAll}));
    EXPECT_FALSE(library.EmitValues(MakeReport(1, Variant(1)))) << "no callback after the release";
}

TEST_F(DeviceCommunicationTest, ReleaseWhileAReportIsAppliedWaitsForIt)
{
    ASSERT_EQ(comm->ConnectDevice(device), 0);
    receiver.HoldNext();
    ASSERT_TRUE(library.EmitValues(MakeReport(1, Variant(0))));
    receiver.WaitUntilHeld();

    TrafficLight released;
    std::thread releaser([&] {
        comm = nullptr;
        released.Set();
    });
    EXPECT_EQ(released.Wait(NegativeWaitMs), WaitTimeout);
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 0);
    receiver.Release();
    releaser.join();
    EXPECT_EQ(receiver.Reports().size(), 1u);
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 1);
}

} // namespace
} // namespace VQ::test
