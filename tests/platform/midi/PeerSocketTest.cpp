#include "platform/midi/virtual/VirtualMidiDriver.h"

#include "VirtualMidiTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace VQ::Platform {
namespace {

using namespace test;

constexpr int LongWaitMs = 10000;

// A Unix stream socket in a folder of its own, listening as the program playing the controller.
class PeerListener {
public:
    PeerListener()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vq-midi-peer-XXXXXX";
        if (mkdtemp(pattern.data()))
            m_folder = pattern;
        path = m_folder + "/peer.sock";
    }

    ~PeerListener()
    {
        CloseConnection();
        if (m_listener >= 0)
            close(m_listener);
        unlink(path.c_str());
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }

    bool Listen()
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_folder.empty() || path.size() >= sizeof(address.sun_path))
            return false;
        std::memcpy(address.sun_path, path.c_str(), path.size());
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return m_listener >= 0 && bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
               listen(m_listener, 4) == 0;
    }

    bool Accept()
    {
        pollfd ready{m_listener, POLLIN, 0};
        if (poll(&ready, 1, LongWaitMs) != 1)
            return false;
        CloseConnection();
        m_connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        return m_connection >= 0;
    }

    // Nobody asked to connect within the short wait.
    bool NoConnectionWaiting()
    {
        pollfd ready{m_listener, POLLIN, 0};
        return poll(&ready, 1, int(NegativeWait.count())) == 0;
    }

    Bytes Read(size_t count)
    {
        Bytes bytes;
        while (bytes.size() < count) {
            pollfd ready{m_connection, POLLIN, 0};
            if (poll(&ready, 1, LongWaitMs) != 1)
                break;
            uint8_t chunk[1024];
            const ssize_t received = recv(m_connection, chunk, std::min(sizeof(chunk), count - bytes.size()), 0);
            if (received <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + received);
        }
        return bytes;
    }

    bool Write(const Bytes& bytes)
    {
        return send(m_connection, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }

    void CloseConnection()
    {
        if (m_connection >= 0)
            close(m_connection);
        m_connection = -1;
    }

    std::string path;

private:
    std::string m_folder;
    int m_listener = -1;
    int m_connection = -1;
};

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
