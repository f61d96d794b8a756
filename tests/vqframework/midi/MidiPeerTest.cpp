// The port layer against a program that plays the controller over the virtual driver's peer socket.
#include "tests/vqframework/midi/MidiTestSupport.h"

#include "vqframework/storage/Array.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace VQ::test {
namespace {

const Bytes GetRequest = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01, 0x02, 0xF7};

Bytes Reply()
{
    Bytes reply = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A, 0x02};
    for (uint8_t i = 0; i < 57; ++i)
        reply.push_back(i);
    reply.push_back(0xF7);
    return reply;
}

// Reads exactly count bytes, each wait bounded so that a silent program fails the test, not hangs it.
bool ReadExactly(int fd, Bytes& out, size_t count)
{
    out.clear();
    while (out.size() < count) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 10000) <= 0)
            return false;
        uint8_t chunk[64];
        const ssize_t got = read(fd, chunk, std::min(sizeof chunk, count - out.size()));
        if (got <= 0)
            return false;
        out.insert(out.end(), chunk, chunk + got);
    }
    return true;
}

// The other program: answers one get request with a reply written in two pieces.
class SmallPeer {
public:
    SmallPeer()
    {
        std::string pattern = testing::TempDir() + "midi-peer-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        m_folder = pattern;
        path = m_folder + "/peer";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path)
            return;
        path.copy(address.sun_path, path.size());
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        listening = m_listener >= 0 &&
                    bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                    listen(m_listener, 1) == 0;
    }

    ~SmallPeer()
    {
        Join();
        if (m_connection >= 0)
            close(m_connection);
        if (m_listener >= 0)
            close(m_listener);
        if (!path.empty())
            unlink(path.c_str());
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }

    void Serve()
    {
        m_thread = std::thread([this] {
            pollfd ready{m_listener, POLLIN, 0};
            if (poll(&ready, 1, 10000) <= 0)
                return;
            const int connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                return;
            if (ReadExactly(connection, request, GetRequest.size())) {
                const Bytes reply = Reply();
                const size_t half = 30;
                answered = write(connection, reply.data(), half) == static_cast<ssize_t>(half) &&
                           write(connection, reply.data() + half, reply.size() - half) ==
                               static_cast<ssize_t>(reply.size() - half);
            }
            // Kept open until the test is over, so the layer reads the reply before any hang-up.
            m_connection = connection;
        });
    }

    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    std::string path;
    bool listening = false;
    // Written by the peer's thread, read after Join.
    Bytes request;
    bool answered = false;

private:
    std::string m_folder;
    int m_listener = -1;
    // Set by the peer's thread, used after it was joined.
    int m_connection = -1;
    std::thread m_thread;
};

class MidiPeerTest : public MidiDriverFixture {};

TEST_F(MidiPeerTest, GetRequestAndReplyTravelThroughThePeer)
{
    SmallPeer peer;
    ASSERT_TRUE(peer.listening);
    const uint32_t input = driver.AddInput(u"RKT4");
    const uint32_t output = driver.AddOutput(u"RKT4");
    driver.ConnectToPeer(input, output, peer.path);
    peer.Serve();

    RCPtr<LRefCountedObject> capture;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), capture), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    Listen();

    Array<signed char> request;
    for (uint8_t byte : GetRequest)
        request.Add(static_cast<signed char>(byte));
    ASSERT_EQ(comm->Send(port, request), static_cast<VQRESULT>(GetRequest.size()));

    ASSERT_TRUE(client->WaitFor(1));
    const auto messages = client->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(BytesOf(*messages[0]), Reply()) << "the reply written in two pieces arrives as one message";
    EXPECT_EQ(messages[0]->GetTimeStamp(), 0u);
    peer.Join();
    EXPECT_EQ(peer.request, GetRequest);
    EXPECT_TRUE(peer.answered);

    capture = nullptr;
    port = nullptr;
}

} // namespace
} // namespace VQ::test
