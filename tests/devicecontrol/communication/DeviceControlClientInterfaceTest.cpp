#include "devicecontrol/communication/DeviceControlClientInterface.h"

#include "platform/library/SharedLibrary.h"
#include "tests/devicecontrol/fakeclient/FakeDeviceLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ::test {
namespace {

using Testing::FakeDeviceLibrary;
using Testing::FakeEntry;

void IgnoreValues(void*, int32_t, const ParamValues*) {}

// Calls every operation once; returns how many answered something other than -1 (or true).
int CallEverything(DeviceControlClientInterface& client)
{
    const Variant device(1);
    const ParamDescriptor descriptor(2);
    const ParamRanges ranges;
    const ParamDescriptors descriptors;
    const ParamValues values;
    Variant value;
    DeviceInfoRecord record{};
    const int32_t results[] = {
        client.FindDevices(1, 2, 3),
        client.FindRemoteDevices(nullptr, 0, &value, 0),
        client.ConnectDevice(&device, &IgnoreValues, nullptr),
        client.RequestParamRanges(&device, &ranges),
        client.RequestParamValues(&device, &descriptors),
        client.RequestParamValues(&device, descriptor),
        client.GetParamRanges(&device, 1, 2),
        client.GetParamValues(&device, 1, 2),
        client.GetParamValue(&device, &descriptor, &value),
        client.SetParamValue(&device, &descriptor, &value),
        client.SetParamValues(&device, &values),
        client.DisconnectDevice(&device),
        client.GetDeviceInfo(&device, &record),
    };
    int answered = client.IsDeviceConnected(0) ? 1 : 0;
    for (int32_t result : results)
        answered += result != -1 ? 1 : 0;
    return answered;
}

TEST(DeviceControlClientInterfaceTest, LoadsTheLibraryBesideTheExecutable)
{
    FakeDeviceLibrary library;
    {
        DeviceControlClientInterface client;
        ASSERT_TRUE(client.IsLoaded());
        EXPECT_EQ(CallEverything(client), 14);
        EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 0) << "only the destructor releases";
    }
    EXPECT_EQ(library.GetCallCount(FakeEntry::ReleaseAll), 1);
    EXPECT_EQ(library.GetCalls().back(), FakeEntry::ReleaseAll);
}

TEST(DeviceControlClientInterfaceTest, DeviceIsConnectedExactlyWhenTheLibraryAnswersZero)
{
    FakeDeviceLibrary library;
    DeviceControlClientInterface client;
    const struct {
        int32_t answer;
        bool connected;
    } cases[] = {{0, true}, {1, false}, {-1, false}, {-5, false}};
    for (const auto& c : cases) {
        library.SetResult(FakeEntry::IsDeviceConnected, c.answer);
        EXPECT_EQ(client.IsDeviceConnected(0), c.connected) << c.answer;
    }
}

TEST(DeviceControlClientInterfaceTest, RequestsASingleParameterAsAListOfOne)
{
    FakeDeviceLibrary library;
    DeviceControlClientInterface client;
    ParamDescriptor descriptor(9);
    descriptor.key = Variant(4);
    const Variant device(1);
    library.SetResult(FakeEntry::RequestParamValues, 6);

    EXPECT_EQ(client.RequestParamValues(&device, descriptor), 6);
    const ParamDescriptors sent = library.GetLastRequestedDescriptors();
    ASSERT_EQ(sent.GetListCount(), 1u);
    int32_t id = 0;
    Variant key;
    ASSERT_EQ(sent.GetAt(0, id, key), 0);
    EXPECT_EQ(id, 9);
    EXPECT_EQ(key, Variant(4));
}

TEST(DeviceControlClientInterfaceTest, TreatsAnIncompleteOrUnreachableLibraryAsNone)
{
    FakeDeviceLibrary library;
    const std::string folder = Platform::GetExecutableFolder();
    ASSERT_FALSE(folder.empty());
    // The same library at a path longer than the system allows.
    std::string tooLong = folder;
    while (tooLong.size() + sizeof DeviceControlClientApi::LibraryFileName <= Platform::GetMaxPathLength() + 1)
        tooLong += "./";
    tooLong += DeviceControlClientApi::LibraryFileName;
    ASSERT_GT(tooLong.size(), Platform::GetMaxPathLength());

    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        // It lacks UVDI_IsDeviceConnected and, if used, answers 0 where the fake answers -1.
        {"lacking an entry point", folder + "libDeviceControlClientIncomplete.so"},
        {"too long a path", tooLong},
        {"missing", folder + "libNoSuchClient.so"},
    };
    for (const auto& c : cases) {
        {
            DeviceControlClientInterface client(c.path);
            EXPECT_FALSE(client.IsLoaded()) << c.what;
            EXPECT_EQ(CallEverything(client), 0) << c.what;
        }
        EXPECT_TRUE(library.GetCalls().empty()) << c.what << ": not even UVDI_ReleaseAll";
    }
}

} // namespace
} // namespace VQ::test
