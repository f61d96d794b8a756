// The port layer against a program that plays the controller over the virtual driver's peer socket.
#include "tests/platform/midi/PeerListener.h"
#include "tests/vqframework/midi/MidiTestSupport.h"

#include "vqframework/storage/Array.h"

#include <gtest/gtest.h>

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

class MidiPeerTest : public MidiDriverFixture {};

TEST_F(MidiPeerTest, GetRequestAndReplyTravelThroughThePeer)
{
    Platform::test::PeerListener peer;
    ASSERT_TRUE(peer.Listen());
    const uint32_t input = driver.AddInput(u"RKT4");
    const uint32_t output = driver.AddOutput(u"RKT4");
    driver.ConnectToPeer(input, output, peer.path);

    RCPtr<LRefCountedObject> capture;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), capture), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    Listen();

    Array<signed char> request;
    for (uint8_t byte : GetRequest)
        request.Add(static_cast<signed char>(byte));
    ASSERT_EQ(comm->Send(port, request), static_cast<VQRESULT>(GetRequest.size()));

    // The other program reads the request and answers in two pieces.
    ASSERT_TRUE(peer.Accept());
    EXPECT_EQ(peer.Read(GetRequest.size()), GetRequest);
    const Bytes reply = Reply();
    ASSERT_TRUE(peer.Write(Bytes(reply.begin(), reply.begin() + 30)));
    ASSERT_TRUE(peer.Write(Bytes(reply.begin() + 30, reply.end())));

    ASSERT_TRUE(client->WaitFor(1));
    const auto messages = client->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(BytesOf(*messages[0]), reply) << "the reply written in two pieces arrives as one message";
    EXPECT_EQ(messages[0]->GetTimeStamp(), 0u);

    capture = nullptr;
    port = nullptr;
}

} // namespace
} // namespace VQ::test
