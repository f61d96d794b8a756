#include "MidiTestSupport.h"

#include "vqframework/storage/Array.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace VQ {
namespace {

using test::ArrivalTimeout;
using test::Bytes;
using test::BytesOf;
using test::NegativeWait;
using test::Text;

std::vector<std::string> Utf8(const LMidiComm::StringArray& names)
{
    std::vector<std::string> out;
    for (const LMidiComm::String& name : names)
        out.emplace_back(name.ToUTF8().GetString());
    return out;
}

Array<signed char> Message(const Bytes& bytes)
{
    Array<signed char> message;
    for (uint8_t byte : bytes)
        message.Add(static_cast<signed char>(byte));
    return message;
}

class MidiPortsTest : public test::MidiDriverFixture {
protected:
    std::vector<std::string> OpenCaptureNames()
    {
        LMidiComm::StringArray names;
        comm->GetOpenCapturePortNames(names);
        return Utf8(names);
    }
    std::vector<std::string> OpenRenderNames()
    {
        LMidiComm::StringArray names;
        comm->GetOpenRenderPortNames(names);
        return Utf8(names);
    }
};

TEST_F(MidiPortsTest, DeviceNamesAreListedInOrderWithEqualNamesNumbered)
{
    driver.AddInput(u"RKT4");
    driver.AddInput(u"Synth");
    driver.AddInput(u"RKT4");
    driver.AddOutput(u"RKT4");
    LMidiComm::StringArray names;
    EXPECT_EQ(comm->GetCapturePortNames(names), S_OK);
    EXPECT_EQ(Utf8(names), (std::vector<std::string>{"RKT4 (1)", "RKT4 (2)", "Synth"}));
    EXPECT_EQ(comm->GetRenderPortNames(names), S_OK);
    EXPECT_EQ(Utf8(names), (std::vector<std::string>{"RKT4"}));
}

TEST_F(MidiPortsTest, NameMatchingSeveralDevicesIsRefusedAndOpensNothing)
{
    driver.AddInput(u"RKT4");
    driver.AddInput(u"RKT4");
    EXPECT_EQ(comm->OpenCapturePort(Text(u"RKT4"), port), E_INVALIDARG);
    EXPECT_FALSE(port);
    EXPECT_TRUE(OpenCaptureNames().empty());
}

TEST_F(MidiPortsTest, NameMatchingNoDeviceFailsAndLeavesTheListsUnchanged)
{
    driver.AddInput(u"Synth");
    driver.AddOutput(u"Synth");
    RCPtr<LRefCountedObject> held;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"Synth"), held), S_OK);
    port = held;
    EXPECT_EQ(comm->OpenCapturePort(Text(u"RKT4"), port), E_FAIL);
    EXPECT_FALSE(port);
    EXPECT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), E_FAIL);
    EXPECT_EQ(OpenCaptureNames(), (std::vector<std::string>{"Synth"}));
    EXPECT_TRUE(OpenRenderNames().empty());
}

TEST_F(MidiPortsTest, NumberSuffixOpensThatDeviceAmongEqualNames)
{
    driver.AddOutput(u"Pad");
    driver.AddOutput(u"Pad");
    for (uint32_t number : {1u, 2u}) {
        SCOPED_TRACE(number);
        const std::u16string name = u"Pad (" + std::u16string(1, char16_t(u'0' + number)) + u")";
        ASSERT_EQ(comm->OpenRenderPort(Text(name.c_str()), port), S_OK);
        ASSERT_EQ(comm->Send(port, Message({0xC0, 0x05})), 2);
        EXPECT_EQ(driver.TakeSent(number - 1).size(), 1u);
        EXPECT_TRUE(driver.TakeSent(2 - number).empty());
        port = nullptr;
    }
}

TEST_F(MidiPortsTest, CaptureByNumberSuffixReceivesFromThatDevice)
{
    driver.AddInput(u"Pad");
    const uint32_t second = driver.AddInput(u"Pad");
    Listen();
    ASSERT_EQ(comm->OpenCapturePort(Text(u"pad (2)"), port), S_OK);
    driver.Feed(second, {0x90, 0x3C, 0x64});
    ASSERT_TRUE(client->WaitFor(1));
    EXPECT_EQ(client->Messages()[0]->GetSourceId(), comm->GetPortId(port));
}

TEST_F(MidiPortsTest, DeviceWhoseNameEqualsTheRequestIsOpenedBeforeOneThatContainsIt)
{
    driver.AddOutput(u"RKT4 Mk2");
    driver.AddOutput(u"rkt4");
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    ASSERT_EQ(comm->Send(port, Message({0xFE})), 1);
    EXPECT_TRUE(driver.TakeSent(0).empty());
    EXPECT_EQ(driver.TakeSent(1), (std::vector<Bytes>{{0xFE}}));
    EXPECT_EQ(OpenRenderNames(), (std::vector<std::string>{"rkt4"}));
}

TEST_F(MidiPortsTest, SecondCaptureRequestSharesThePortAndTheLastReleaseClosesIt)
{
    const uint32_t input = driver.AddInput(u"RKT4");
    Listen();
    RCPtr<LRefCountedObject> first;
    RCPtr<LRefCountedObject> second;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), first), S_OK);
    ASSERT_EQ(comm->OpenCapturePort(Text(u"rkt4"), second), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(OpenCaptureNames(), (std::vector<std::string>{"RKT4"}));

    first = nullptr;
    EXPECT_EQ(OpenCaptureNames(), (std::vector<std::string>{"RKT4"}));
    driver.Feed(input, {0xFE});
    ASSERT_TRUE(client->WaitFor(1));

    second = nullptr;
    EXPECT_TRUE(OpenCaptureNames().empty());
    // Closed once: the device can be opened anew, as a new port.
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), port), S_OK);
    driver.Feed(input, {0xF8});
    ASSERT_TRUE(client->WaitFor(2));
    EXPECT_EQ(test::BytesOf(*client->Messages()[1]), Bytes{0xF8});
}

TEST_F(MidiPortsTest, PortOfAVanishedDeviceIsOpenedAgainByTheNextRequest)
{
    driver.AddInput(u"RKT4");
    Listen();
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), port), S_OK);
    driver.RemoveInput(0);
    const uint32_t back = driver.AddInput(u"RKT4");
    RCPtr<LRefCountedObject> again;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), again), S_OK);
    EXPECT_EQ(again.Get(), port.Get());
    // Reopened and started again.
    driver.Feed(back, {0xC0, 0x05});
    ASSERT_TRUE(client->WaitFor(1));
    EXPECT_EQ(BytesOf(*client->Messages()[0]), (Bytes{0xC0, 0x05}));
}

TEST_F(MidiPortsTest, RenderPortOfADuplicatedOutputNameIsShared)
{
    driver.AddOutput(u"Out");
    driver.AddOutput(u"Out");
    RCPtr<LRefCountedObject> again;
    RCPtr<LRefCountedObject> other;
    ASSERT_EQ(comm->OpenRenderPort(Text(u"Out (2)"), port), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(Text(u"out (2)"), again), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(Text(u"Out (1)"), other), S_OK);
    EXPECT_EQ(again.Get(), port.Get());
    EXPECT_NE(other.Get(), port.Get());
    EXPECT_EQ(OpenRenderNames(), (std::vector<std::string>{"Out (2)", "Out (1)"}));
}

TEST_F(MidiPortsTest, SendRefusesWhatIsNoRenderPortAndEmptyMessages)
{
    driver.AddInput(u"RKT4");
    driver.AddOutput(u"RKT4");
    RCPtr<LRefCountedObject> capture;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), capture), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    EXPECT_EQ(comm->Send(capture, Message({0xC0, 0x05})), E_INVALIDARG);
    EXPECT_EQ(comm->Send(nullptr, Message({0xC0, 0x05})), E_INVALIDARG);
    EXPECT_EQ(comm->Send(port, Message({})), E_INVALIDARG);
    EXPECT_EQ(comm->Send(port, ConstRCPtr<LIBuffer>()), E_INVALIDARG);
    EXPECT_TRUE(driver.TakeSent(0).empty());
}

struct SendCase {
    Bytes message;
    VQRESULT result;
    Bytes sent;
};

class MidiSendTest : public MidiPortsTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(MidiSendTest, ShortMessagesReportTheirStatusLengthAndSysExGoesWhole)
{
    const SendCase& c = GetParam();
    driver.AddOutput(u"RKT4");
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    EXPECT_EQ(comm->Send(port, Message(c.message)), c.result);
    ASSERT_TRUE(driver.WaitForSent(0, 1, ArrivalTimeout));
    EXPECT_EQ(driver.TakeSent(0), std::vector<Bytes>{c.sent});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MidiSendTest,
    ::testing::Values(SendCase{{0xC0, 0x05, 0x00}, 2, {0xC0, 0x05}}, SendCase{{0x90, 0x3C, 0x64}, 3, {0x90, 0x3C, 0x64}},
                      SendCase{{0xF2, 0x01, 0x02}, 3, {0xF2, 0x01, 0x02}}, SendCase{{0xFE}, 1, {0xFE}},
                      SendCase{{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, 6, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}}));

TEST_F(MidiPortsTest, SendOfACountedBufferGoesLikeAnArray)
{
    driver.AddOutput(u"RKT4");
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    const Bytes sysEx{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    ConstRCPtr<LIBuffer> buffer = LBufferT<1, 0, 8, char*>::Create(uint32_t(sysEx.size()), 0, false);
    std::memcpy(buffer->GetData(), sysEx.data(), sysEx.size());
    EXPECT_EQ(comm->Send(port, buffer), 6);
    EXPECT_EQ(driver.TakeSent(0), std::vector<Bytes>{sysEx});
}

TEST_F(MidiPortsTest, SendWaitsForThePreviousLongMessageToComplete)
{
    driver.AddOutput(u"RKT4");
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    driver.HoldCompletions(0, true);
    const Array<signed char> sysEx = Message({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7});
    auto first = std::async(std::launch::async, [&] { return comm->Send(port, sysEx); });
    ASSERT_TRUE(driver.WaitForSent(0, 1, ArrivalTimeout));
    auto second = std::async(std::launch::async, [&] { return comm->Send(port, Message({0xC0, 0x05})); });
    EXPECT_EQ(second.wait_for(NegativeWait), std::future_status::timeout);
    EXPECT_EQ(first.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    driver.HoldCompletions(0, false);
    EXPECT_EQ(first.get(), 6);
    EXPECT_EQ(second.get(), 2);
    EXPECT_EQ(driver.TakeSent(0), (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, {0xC0, 0x05}}));
}

} // namespace
} // namespace VQ
