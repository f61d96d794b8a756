// No client library lies beside this executable.
#include "devicecontrol/communication/DeviceCommunicationInterface.h"

#include "CommunicationTestSupport.h"

#include "vqframework/storage/Array.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace VQ::test {
namespace {

using Comm = LDeviceCommunicationInterface;

Variant Text(const char* text)
{
    Variant value;
    value.SetString(text);
    return value;
}

class DeviceCommunicationWithoutLibraryTest : public ::testing::Test {
protected:
    RecordingReceiver receiver;
    RCPtr<Comm> comm = Comm::Create();
    Array<Guid> types;
    Array<Variant> devices;
};

// Every call that needs the library, with what it answers when there is no library object at all.
struct LibraryCall {
    const char* name;
    std::function<int32_t(Comm&, Array<Guid>&, Array<Variant>&)> call;
};

const LibraryCall kLibraryCalls[] = {
    {"ConnectDevice", [](Comm& c, auto&, auto&) { return c.ConnectDevice(Variant(3)); }},
    {"FindRemoteDevices", [](Comm& c, auto& t, auto& d) { return c.FindRemoteDevices(t, d, 0); }},
    {"RefreshRemoteDevices", [](Comm& c, auto& t, auto& d) { return c.RefreshRemoteDevices(t, d); }},
    {"RequestParamRanges", [](Comm& c, auto&, auto&) { return c.RequestParamRanges(ParamRanges()); }},
    {"RequestParamValues", [](Comm& c, auto&, auto&) { return c.RequestParamValues(ParamDescriptors()); }},
    {"RequestParamValue", [](Comm& c, auto&, auto&) { return c.RequestParamValue(ParamDescriptor(4)); }},
    {"GetParamRanges", [](Comm& c, auto&, auto&) { return c.GetParamRanges(1, 2); }},
    {"GetParamValues", [](Comm& c, auto&, auto&) { return c.GetParamValues(1, 2); }},
    {"SetParamValues", [](Comm& c, auto&, auto&) { return c.SetParamValues(ParamValues()); }},
    {"DisconnectDevice", [](Comm& c, auto&, auto&) { return c.DisconnectDevice(); }},
    {"GetDeviceInfo",
     [](Comm& c, auto&, auto&) {
         DeviceInfoRecord record{};
         return c.GetDeviceInfo(Variant(3), &record);
     }},
    {"GetDeviceInfoValue",
     [](Comm& c, auto&, auto&) {
         Variant out;
         return c.GetDeviceInfoValue(out);
     }},
    {"SetDeviceInfoValue", [](Comm& c, auto&, auto&) { return c.SetDeviceInfoValue(Variant(1)); }},
    {"GetConnectedDevice",
     [](Comm& c, auto&, auto&) {
         Variant out;
         return c.GetConnectedDevice(out);
     }},
};

TEST_F(DeviceCommunicationWithoutLibraryTest, BeforeInitializeEveryLibraryCallAnswersMinusOne)
{
    for (const LibraryCall& c : kLibraryCalls)
        EXPECT_EQ(c.call(*comm, types, devices), -1) << c.name;
}

TEST_F(DeviceCommunicationWithoutLibraryTest, BeforeInitializeAnswersItsOwnParametersAndRefusesTheRest)
{
    const struct {
        int32_t id;
        int32_t result;
        Variant value;
    } cases[] = {
        {Comm::ParamDeviceAvailability, 0, Variant::Of(true)},
        {Comm::ParamMakerName, 0, Text("Tuvex")},
        {Comm::ParamProductName, 0, Text("RKT4 Editor")},
        {Comm::ParamDeviceInfo, -1, Variant()},
        {Comm::ParamLoopback, E_FAIL, Variant()},
        {7, E_FAIL, Variant()},
    };
    for (const auto& c : cases) {
        Variant out;
        EXPECT_EQ(comm->GetParamValue(ParamDescriptor(c.id), out), c.result) << c.id;
        EXPECT_EQ(out, c.value) << c.id;
    }
    Variant name;
    comm->GetParamValue(ParamDescriptor(Comm::ParamProductName), name);
    EXPECT_EQ(name.GetType(), Variant::TypeString);
}

TEST_F(DeviceCommunicationWithoutLibraryTest, BeforeInitializeSetParamValueLoopsBackOrRefuses)
{
    for (int32_t id : {Comm::ParamLoopback, Comm::ParamDeviceInfo, 7})
        EXPECT_EQ(comm->SetParamValue(ParamDescriptor(id), Variant(5)), E_FAIL) << "no receiver, id " << id;

    comm->SetReceiver(&receiver);
    const struct {
        int32_t id;
        int32_t result;
    } cases[] = {
        {Comm::ParamLoopback, 0},
        {Comm::FirstRefusedParam, E_FAIL},
        {-241, E_FAIL},
        {Comm::LastRefusedParam, E_FAIL},
        {Comm::ParamDeviceInfo, -1},
        {7, E_FAIL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(comm->SetParamValue(ParamDescriptor(c.id), Variant(5)), c.result) << c.id;
    EXPECT_EQ(receiver.Reports().size(), 1u) << "the loopback only";
}

TEST_F(DeviceCommunicationWithoutLibraryTest, WithoutTheLibraryFileInitializeSucceedsAndLibraryCallsFail)
{
    EXPECT_EQ(comm->Initialize(), 0);
    EXPECT_EQ(comm->Initialize(), 1);
    comm->SetReceiver(&receiver);

    EXPECT_EQ(comm->ConnectDevice(Variant(3)), -1);
    EXPECT_EQ(comm->FindRemoteDevices(types, devices, 0), E_FAIL);
    EXPECT_EQ(comm->RefreshRemoteDevices(types, devices), -1);
    DeviceInfoRecord record{};
    EXPECT_EQ(comm->GetDeviceInfo(Variant(3), &record), -1);
    Variant out;
    EXPECT_EQ(comm->GetParamValue(ParamDescriptor(Comm::ParamDeviceAvailability), out), -1);
    EXPECT_EQ(comm->GetParamValue(ParamDescriptor(Comm::ParamMakerName), out), -1);
    EXPECT_EQ(comm->SetParamValue(ParamDescriptor(7), Variant(1)), -1);
    EXPECT_EQ(comm->SetParamValue(ParamDescriptor(-241), Variant(1)), E_FAIL);
    EXPECT_EQ(comm->DisconnectDevice(), -1);
    // The device was stored although the library could not be asked.
    EXPECT_EQ(comm->GetConnectedDevice(out), 0);
    EXPECT_EQ(out, Variant(3));
}

TEST_F(DeviceCommunicationWithoutLibraryTest, LoopbackDeliversOnTheCallingThreadBeforeReturning)
{
    EXPECT_FALSE(comm->Loopback(5)) << "no receiver";
    comm->SetReceiver(&receiver);

    EXPECT_TRUE(comm->Loopback(5));
    EXPECT_EQ(comm->SetParamValue(ParamDescriptor(Comm::ParamLoopback), Variant(-6)), 0);

    const std::vector<ParamValues> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(receiver.Threads(), std::vector<std::thread::id>(2, std::this_thread::get_id()));
    const int64_t sent[] = {5, -6};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(reports[i].GetListCount(), 1u);
        const ReportElement element = FirstElement(reports[i]);
        ASSERT_EQ(element.result, 0);
        EXPECT_EQ(element.id, Comm::ParamLoopback);
        EXPECT_EQ(element.key, Variant());
        const Variant expected[] = {Variant::Of(sent[i]), Variant::Of(true)};
        Variant list;
        list.SetList(expected, 2);
        EXPECT_EQ(element.value, list) << "[the value as a 64-bit integer, true]";
    }
}

TEST_F(DeviceCommunicationWithoutLibraryTest, FindDevicesGivesOneEmptyDevice)
{
    devices.Add(Variant(1));
    devices.Add(Variant(2));
    EXPECT_EQ(comm->FindDevices(types, devices), 0);
    ASSERT_EQ(devices.GetCount(), 1u);
    EXPECT_EQ(devices.GetAt(0u), Variant());
}

TEST_F(DeviceCommunicationWithoutLibraryTest, ReleasingTheCyclicReferencesStopsTheThreadsHold)
{
    EXPECT_EQ(comm->GetRefCount(), 2) << "the threader holds the interface as its parameters";
    EXPECT_EQ(comm->GetCyclicCount(), 1);
    EXPECT_EQ(comm->ReleaseCyclicReferences(), S_OK);
    EXPECT_EQ(comm->GetRefCount(), 1);
    EXPECT_EQ(comm->GetCyclicCount(), 0);
    EXPECT_EQ(comm->ReleaseCyclicReferences(), S_OK) << "a second release finds nothing to do";

    // With the thread gone a late report waits in the queue and goes with the interface.
    comm->SetReceiver(&receiver);
    comm->SetReceiveEnabled(true);
    const ParamValues report = MakeReport(1, Variant(1));
    Comm::OnLibraryValues(comm.Get(), 0, &report);
    EXPECT_TRUE(receiver.Reports().empty());
}

} // namespace
} // namespace VQ::test
