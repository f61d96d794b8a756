#include "platform/midi/virtual/VirtualMidiDriver.h"

#include "PeerListener.h"
#include "VirtualMidiTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ::Platform {
namespace {

using namespace test;

// "RKT4" in and out played by the peer; the devices are opened by the test.
class PeerSocketTest : public testing::Test {
protected:
    void SetUp() override
    {
        in = driver.AddInput(u"RKT4");
        out = driver.AddOutput(u"RKT4");
        driver.ConnectToPeer(in, out, peer.path);
        inputEvents.RequeueWith(&driver);
    }

    void TearDown() override
    {
        if (inputHandle) {
            driver.ResetInput(inputHandle);
            driver.CloseInput(inputHandle);
        }
        if (outputHandle)
            driver.CloseOutput(outputHandle);
    }

    void OpenBoth()
    {
        ASSERT_EQ(driver.OpenInput(&inputHandle, in, &Recorder::OnInput, inputEvents.Instance()), MidiOk);
        for (InputBuffer& buffer : buffers) {
            ASSERT_EQ(driver.PrepareInputBuffer(inputHandle, &buffer.header), MidiOk);
            ASSERT_EQ(driver.AddInputBuffer(inputHandle, &buffer.header), MidiOk);
        }
        ASSERT_EQ(driver.StartInput(inputHandle), MidiOk);
        ASSERT_EQ(driver.OpenOutput(&outputHandle, out, &Recorder::OnOutput, outputEvents.Instance()), MidiOk);
    }

    PeerListener peer;
    VirtualMidiDriver driver;
    uint32_t in = 0;
    uint32_t out = 0;
    Recorder inputEvents;
    Recorder outputEvents;
    std::array<InputBuffer, 3> buffers;
    MidiInputHandle inputHandle = nullptr;
    MidiOutputHandle outputHandle = nullptr;
};

TEST_F(PeerSocketTest, SentBytesReachThePeerRawAndItsBytesArriveOnTheInput)
{
    ASSERT_TRUE(peer.Listen());
    OpenBoth();
    ASSERT_TRUE(peer.Accept()) << "opening the devices connects";

    ASSERT_EQ(driver.SendShort(outputHandle, 0x643C90), MidiOk);
    Bytes request = SysEx(9);
    MidiBuffer header{request.data(), 9, 9, 0, 0};
    ASSERT_EQ(driver.PrepareOutputBuffer(outputHandle, &header), MidiOk);
    ASSERT_EQ(driver.SendLong(outputHandle, &header), MidiOk);
    EXPECT_EQ(peer.Read(12), Concat({{0x90, 0x3C, 0x64}, request}));
    ASSERT_EQ(outputEvents.WaitFor(MidiOutputDone, 1).size(), 1u);
    EXPECT_EQ(driver.TakeSent(out).size(), 2u);

    const Bytes reply = SysEx(600);
    ASSERT_TRUE(peer.Write(Concat({reply, {0xC0, 0x05}})));
    const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, 3);
    ASSERT_EQ(handed.size(), 3u);
    EXPECT_EQ(handed[0].bytes.size(), 256u);
    EXPECT_EQ(handed[1].bytes.size(), 256u);
    EXPECT_EQ(Concat({handed[0].bytes, handed[1].bytes, handed[2].bytes}), reply);
    const std::vector<Callback> data = inputEvents.WaitFor(MidiInputData, 1);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].param1, 0x05C0u);
}

TEST_F(PeerSocketTest, WithoutAPeerSendsFailAndTheFirstUseAfterItAppearsConnects)
{
    OpenBoth();
    std::u16string name;
    EXPECT_EQ(driver.GetOutputNameOfHandle(outputHandle, name), MidiOk) << "the devices exist all the same";
    EXPECT_EQ(driver.SendShort(outputHandle, 0xFE), MidiErrorNoDriver);
    Bytes request = SysEx(9);
    MidiBuffer header{request.data(), 9, 9, 0, 0};
    ASSERT_EQ(driver.PrepareOutputBuffer(outputHandle, &header), MidiOk);
    EXPECT_EQ(driver.SendLong(outputHandle, &header), MidiErrorNoDriver);
    EXPECT_FALSE(header.flags & MidiBufferQueued);
    EXPECT_EQ(driver.UnprepareOutputBuffer(outputHandle, &header), MidiOk) << "a failed send leaves nothing in flight";
    EXPECT_TRUE(outputEvents.WaitFor(MidiOutputDone, 1, NegativeWait).empty());
    EXPECT_TRUE(driver.TakeSent(out).empty());

    ASSERT_TRUE(peer.Listen());
    ASSERT_EQ(driver.SendShort(outputHandle, 0xFE), MidiOk);
    ASSERT_TRUE(peer.Accept());
    EXPECT_EQ(peer.Read(1), Bytes{0xFE});
}

TEST_F(PeerSocketTest, APeerThatHangsUpIsConnectedAgainOnALaterSend)
{
    ASSERT_TRUE(peer.Listen());
    OpenBoth();
    ASSERT_TRUE(peer.Accept());
    peer.CloseConnection();
    // Sends fail until the hang-up has been noticed; then one connects anew.
    const auto deadline = std::chrono::steady_clock::now() + LongWait;
    while (driver.SendShort(outputHandle, 0xF8) != MidiOk && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(peer.Accept());
    EXPECT_EQ(peer.Read(1), Bytes{0xF8});
}

// Run in a process of its own, where the default driver is made anew with the variable set.
bool DefaultDriverPlaysThePeerTheEnvironmentNames()
{
    PeerListener peer;
    if (!peer.Listen() || setenv("VQ_MIDI_PEER", peer.path.c_str(), 1) != 0)
        return false;
    VirtualMidiDriver& driver = VirtualMidiDriver::GetDefault();
    MidiOutputHandle output = nullptr;
    return driver.OpenOutput(&output, 0, nullptr, 0) == MidiOk && peer.Accept() &&
           driver.SendShort(output, 0x05C0) == MidiOk && peer.Read(2) == Bytes{0xC0, 0x05};
}

TEST(DefaultVirtualDriverPeerTest, EnvironmentPutsThePeerInTheControllersPlace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(DefaultDriverPlaysThePeerTheEnvironmentNames() ? 0 : 1), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace VQ::Platform
