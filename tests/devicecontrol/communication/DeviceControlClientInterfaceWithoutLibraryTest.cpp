// No client library lies beside this executable.
#include "devicecontrol/communication/DeviceControlClientInterface.h"

#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/Variant.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ::test {
namespace {

void IgnoreValues(void*, int32_t, const ParamValues*) {}

TEST(DeviceControlClientInterfaceWithoutLibraryTest, EveryOperationAnswersMinusOne)
{
    for (const std::string& path : {std::string(), std::string("/no/such/folder/libDeviceControlClient.so")}) {
        DeviceControlClientInterface client(path);
        EXPECT_FALSE(client.IsLoaded()) << path;
    }
    DeviceControlClientInterface client;
    EXPECT_FALSE(client.IsLoaded()) << "none beside the executable";

    const Variant device(1);
    const ParamDescriptor descriptor(2);
    const ParamRanges ranges;
    const ParamDescriptors descriptors;
    const ParamValues values;
    Variant value;
    DeviceInfoRecord record{};
    EXPECT_EQ(client.FindDevices(1, 2, 3), -1);
    EXPECT_EQ(client.FindRemoteDevices(nullptr, 0, &value, 0), -1);
    EXPECT_EQ(client.ConnectDevice(&device, &IgnoreValues, nullptr), -1);
    EXPECT_EQ(client.RequestParamRanges(&device, &ranges), -1);
    EXPECT_EQ(client.RequestParamValues(&device, &descriptors), -1);
    EXPECT_EQ(client.RequestParamValues(&device, descriptor), -1);
    EXPECT_EQ(client.GetParamRanges(&device, 1, 2), -1);
    EXPECT_EQ(client.GetParamValues(&device, 1, 2), -1);
    EXPECT_EQ(client.GetParamValue(&device, &descriptor, &value), -1);
    EXPECT_EQ(client.SetParamValue(&device, &descriptor, &value), -1);
    EXPECT_EQ(client.SetParamValues(&device, &values), -1);
    EXPECT_FALSE(client.IsDeviceConnected(0));
    EXPECT_EQ(client.DisconnectDevice(&device), -1);
    EXPECT_EQ(client.GetDeviceInfo(&device, &record), -1);
}

} // namespace
} // namespace VQ::test
