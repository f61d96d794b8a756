// The program protocol against the virtual driver's simulated controller, with an engine that runs
// from its cache: the bytes on the wire, what reaches the engine, and what is ignored or refused.
#include "editor/midi/MidiManager.h"

#include "editor/midi/ProgramMessages.h"
#include "tests/devicecontrol/generatedcode/engine/EngineTestSupport.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/vqframework/midi/MidiTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace VQ::test {
namespace {

using Controller = Platform::SimulatedController;

const Bytes DefaultProgram = {0x00, 0x24, 0x00, 0x00, 0x00, 0x25, 0x01, 0x01, 0x00, 0x26, 0x02, 0x02, 0x00, 0x27, 0x03,
                              0x03, 0x00, 0x28, 0x04, 0x04, 0x00, 0x29, 0x05, 0x05, 0x00, 0x2A, 0x06, 0x06, 0x00, 0x2B,
                              0x07, 0x07, 0x00, 0x00, 0x00, 0x7F, 0x01, 0x00, 0x7F, 0x02, 0x00, 0x7F, 0x03, 0x00, 0x7F,
                              0x04, 0x00, 0x7F, 0x05, 0x00, 0x7F, 0x06, 0x00, 0x7F, 0x07, 0x00, 0x7F};

// Every byte differs from the default program's.
Bytes OtherProgram(uint8_t seed)
{
    Bytes program(ProgramDataSize);
    for (size_t i = 0; i < program.size(); ++i)
        program[i] = uint8_t((DefaultProgram[i] + seed + i) & 0x7F);
    return program;
}

Bytes Reply(uint8_t program, const Bytes& data)
{
    Bytes reply = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A, program};
    reply.insert(reply.end(), data.begin(), data.end());
    reply.push_back(0xF7);
    return reply;
}

Array<signed char> Message(const Bytes& bytes)
{
    Array<signed char> message;
    for (const uint8_t byte : bytes)
        message.InsertAt(message.GetCount(), static_cast<signed char>(byte));
    return message;
}

// The engine's program with the controller's "RKT4" ports, or with none.
class MidiManagerTest : public ::testing::Test, public EngineFixtureBase {
protected:
    MidiManagerTest()
    {
        Platform::SetMidiDriver(&driver);
        MakeEngine();
    }
    ~MidiManagerTest() override
    {
        // The manager and its port layer go before the driver.
        manager = nullptr;
        Platform::SetMidiDriver(nullptr);
    }

    Controller& Connect()
    {
        inputId = driver.AddInput(u"RKT4");
        outputId = driver.AddOutput(u"RKT4");
        return driver.AttachController(inputId, outputId);
    }

    Platform::VirtualMidiDriver driver;
    uint32_t inputId = 0;
    uint32_t outputId = 0;
    RCPtr<LMidiManager> manager = LMidiManager::Create();
};

TEST_F(MidiManagerTest, GetOfProgramTwoSendsTheRequestAndWritesAllSeventeenValues)
{
    Controller& controller = Connect();
    const Bytes stored = OtherProgram(5);
    controller.SetProgram(2, stored);

    EXPECT_EQ(manager->GetPresetFromMidiDevice(2), 0);
    EXPECT_THAT(controller.GetReceived(),
                ::testing::ElementsAre(Bytes{0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01, 0x02, 0xF7}));
    EXPECT_EQ(EngineProgram(), stored);
}

TEST_F(MidiManagerTest, WhenTheMessageCannotGoOutGetAndSendFailAtOnce)
{
    // The ports open, but nobody listens behind them, so every message sent fails.
    TemporaryFolder folder;
    driver.ConnectToPeer(driver.AddInput(u"RKT4"), driver.AddOutput(u"RKT4"), folder.Path() + "/nobody.sock");

    EXPECT_EQ(manager->GetPresetFromMidiDevice(1), -1);
    EXPECT_EQ(manager->SendPresetToDevice(0), -1);
    EXPECT_EQ(EngineProgram(), DefaultProgram);
}

TEST_F(MidiManagerTest, AProgramNumberAboveSevenBitsIsRefusedWithNothingSent)
{
    Controller& controller = Connect();

    EXPECT_EQ(manager->GetPresetFromMidiDevice(0xF7), -1);
    EXPECT_EQ(manager->SendPresetToDevice(0x80), -1);
    EXPECT_TRUE(controller.GetReceived().empty());
}

TEST_F(MidiManagerTest, SendOfTheDefaultProgramToRamIsTheExactSysEx)
{
    Controller& controller = Connect();
    controller.SetProgram(0, OtherProgram(1));

    EXPECT_EQ(manager->SendPresetToDevice(0), 66);
    Bytes expected = {0xF0, 0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A, 0x00};
    expected.insert(expected.end(), DefaultProgram.begin(), DefaultProgram.end());
    expected.push_back(0xF7);
    EXPECT_THAT(controller.GetReceived(), ::testing::ElementsAre(expected));
    EXPECT_EQ(controller.GetProgram(0), DefaultProgram);
}

TEST_F(MidiManagerTest, WithoutTheControllersPortsGetAndSendFailAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -1);
    EXPECT_EQ(manager->SendPresetToDevice(0), -1);
    EXPECT_FALSE(manager->IsDevicePresent());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(LMidiManager::ReplyTimeoutMs));
    EXPECT_EQ(EngineProgram(), DefaultProgram);
}

TEST_F(MidiManagerTest, ASilentControllerTimesTheGetOutAndTheEngineKeepsItsProgram)
{
    Controller& controller = Connect();
    controller.SetMode(Controller::Mode::Silent);
    controller.SetProgram(0, OtherProgram(2));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -3);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(LMidiManager::ReplyTimeoutMs));
    EXPECT_EQ(controller.GetReceived().size(), 1u);
    EXPECT_EQ(EngineProgram(), DefaultProgram);
}

TEST_F(MidiManagerTest, AnswersThatAreNoProgramReplyAreIgnored)
{
    struct Case {
        std::string name;
        Bytes answer;
    };
    Bytes shorter = Reply(0, OtherProgram(3));
    shorter.erase(shorter.end() - 2);
    Bytes longer = Reply(0, OtherProgram(3));
    longer.insert(longer.end() - 1, 0x01);
    Bytes sendCommand = Reply(0, OtherProgram(3));
    sendCommand[4] = 0x61;
    Bytes highData = Reply(0, OtherProgram(3));
    highData[20] = 0x80;
    const Case cases[] = {{"65 bytes", shorter}, {"67 bytes", longer}, {"command 61", sendCommand},
                          {"data byte 80", highData}};

    Controller& controller = Connect();
    controller.SetMode(Controller::Mode::Fixed);
    for (const Case& c : cases) {
        controller.SetFixedAnswer(c.answer);
        EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -3) << c.name;
        EXPECT_EQ(EngineProgram(), DefaultProgram) << c.name;
    }
}

TEST_F(MidiManagerTest, OfTwoRepliesToOneGetOnlyTheFirstIsWritten)
{
    Controller& controller = Connect();
    controller.SetMode(Controller::Mode::Fixed);
    const Bytes first = OtherProgram(7);
    Bytes answers = Reply(4, first);
    const Bytes second = Reply(4, OtherProgram(9));
    answers.insert(answers.end(), second.begin(), second.end());
    controller.SetFixedAnswer(answers);

    EXPECT_EQ(manager->GetPresetFromMidiDevice(4), 0);
    EXPECT_EQ(EngineProgram(), first);
}

TEST_F(MidiManagerTest, AReplyAfterTheTimeOutChangesNothing)
{
    Controller& controller = Connect();
    controller.SetMode(Controller::Mode::Late);
    controller.SetAnswerDelay(std::chrono::milliseconds(LMidiManager::ReplyTimeoutMs + 500));
    const Bytes stored = OtherProgram(11);
    controller.SetProgram(0, stored);

    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -3);
    // A port of the test's own sees the reply arrive after the get has given up.
    const RCPtr<LMidiComm> comm = LMidiComm::Create();
    const RCPtr<CapturingClient> client = MakeRC<CapturingClient>();
    ASSERT_NE(client->Register(comm, MidiDataCapturedName, 0), nullptr);
    RCPtr<LRefCountedObject> port;
    ASSERT_EQ(comm->OpenCapturePort(Text(u"RKT4"), port), S_OK);
    ASSERT_TRUE(client->WaitFor(1));
    EXPECT_EQ(BytesOf(*client->Messages().front()), Reply(0, stored));
    EXPECT_EQ(EngineProgram(), DefaultProgram);
    port = nullptr;
    client->UnregisterAll();
}

// The reply lands about when the get gives up: either it counts wholly or it changes nothing.
TEST_F(MidiManagerTest, AReplyRacingTheTimeOutIsWrittenWhollyOrNotAtAll)
{
    Controller& controller = Connect();
    controller.SetMode(Controller::Mode::Late);
    controller.SetAnswerDelay(std::chrono::milliseconds(LMidiManager::ReplyTimeoutMs));
    const Bytes stored = OtherProgram(13);
    controller.SetProgram(1, stored);

    const int32_t result = manager->GetPresetFromMidiDevice(1);
    ASSERT_TRUE(result == 0 || result == -3) << result;
    EXPECT_EQ(EngineProgram(), result == 0 ? stored : DefaultProgram);
}

TEST_F(MidiManagerTest, SendRefusesAProgramThatWouldBreakTheMessageAndSendsNothing)
{
    struct Case {
        std::string name;
        int32_t id;
        Variant value;
    };
    const Case cases[] = {
        {"a number for the channel", 0, Variant(int32_t(3))},
        {"a pad of three bytes", 4, Blob({0x24, 0x00, 0x00})},
        {"a knob of four bytes", 12, Blob({0x01, 0x00, 0x7F, 0x00})},
        {"a pad holding F7", 8, Blob({0x24, 0xF7, 0x00, 0x00})},
    };
    Controller& controller = Connect();
    for (const Case& c : cases) {
        const Variant previous = [&] {
            Array<ParamValue> values;
            engine->GetParamValues(ParamRange{c.id, 1}, values, -1);
            return values.GetAt(0u).value;
        }();
        ASSERT_EQ(engine->SetParamValue(ParamDescriptor(c.id), c.value), S_OK) << c.name;
        EXPECT_EQ(manager->SendPresetToDevice(0), -1) << c.name;
        EXPECT_TRUE(controller.GetReceived().empty()) << c.name;
        ASSERT_EQ(engine->SetParamValue(ParamDescriptor(c.id), previous), S_OK) << c.name;
    }
    EXPECT_EQ(manager->SendPresetToDevice(0), 66) << "the restored program goes";
}

TEST_F(MidiManagerTest, SendSysExFramesEachMessageOnce)
{
    struct Case {
        std::string name;
        Bytes message;
        VQRESULT result;
        Bytes sent;
    };
    const Case cases[] = {
        {"lone F7", {0xF7}, E_FAIL, {}},
        {"lone F0", {0xF0}, E_FAIL, {}},
        {"one data byte", {0x05}, 3, {0xF0, 0x05, 0xF7}},
        {"unframed", {0x7E, 0x7F, 0x06, 0x01}, 6, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
        {"framed", {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, 6, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
        {"start only", {0xF0, 0x01}, 3, {0xF0, 0x01, 0xF7}},
        {"end only", {0x01, 0xF7}, 3, {0xF0, 0x01, 0xF7}},
    };
    Controller& controller = Connect();
    const RCPtr<LMidiComm> comm = LMidiComm::Create();
    RCPtr<LRefCountedObject> port;
    ASSERT_EQ(comm->OpenRenderPort(Text(u"RKT4"), port), S_OK);
    size_t received = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(manager->SendSysEx(Message(c.message), port), c.result) << c.name;
        const auto messages = controller.GetReceived();
        if (c.sent.empty()) {
            EXPECT_EQ(messages.size(), received) << c.name;
        } else {
            ASSERT_EQ(messages.size(), received + 1) << c.name;
            EXPECT_EQ(messages.back(), c.sent) << c.name;
        }
        received = messages.size();
    }
    EXPECT_EQ(manager->SendSysEx(Message({0x05}), RCPtr<LRefCountedObject>()), -1) << "no port";
}

} // namespace
} // namespace VQ::test
