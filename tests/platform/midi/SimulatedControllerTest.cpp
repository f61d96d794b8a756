#include "platform/midi/virtual/VirtualMidiDriver.h"

#include "platform/midi/MidiDriverBackEnds.h"

#include "VirtualMidiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace VQ::Platform {
namespace {

using namespace test;

const Bytes ReplyHead = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A};

Bytes GetRequest(uint8_t slot) { return {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01, slot, 0xF7}; }

Bytes SendProgram(uint8_t slot, const SimulatedController::Program& program)
{
    Bytes message = {0xF0, 0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A, slot};
    message.insert(message.end(), program.begin(), program.end());
    message.push_back(0xF7);
    return message;
}

Bytes Reply(uint8_t slot, const SimulatedController::Program& program)
{
    Bytes reply = ReplyHead;
    reply.push_back(slot);
    reply.insert(reply.end(), program.begin(), program.end());
    reply.push_back(0xF7);
    return reply;
}

// Channel 0; pad i plays note 36 + i; knob i sends controller i from 0 to 127.
SimulatedController::Program ModelDefaults()
{
    SimulatedController::Program program = {0};
    for (uint8_t pad = 0; pad < 8; ++pad)
        program.insert(program.end(), {uint8_t(36 + pad), pad, pad, 0});
    for (uint8_t knob = 0; knob < 8; ++knob)
        program.insert(program.end(), {knob, 0, 127});
    return program;
}

SimulatedController::Program SomeProgram()
{
    SimulatedController::Program program(SimulatedController::ProgramSize);
    for (size_t i = 0; i < program.size(); ++i)
        program[i] = uint8_t((i * 7 + 3) % 0x80);
    return program;
}

// The controller at "RKT4" in and out, the input open and started with its buffers requeued.
class SimulatedControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        in = driver.AddInput(u"RKT4");
        out = driver.AddOutput(u"RKT4");
        controller = &driver.AttachController(in, out);
        inputEvents.RequeueWith(&driver);
        ASSERT_EQ(driver.OpenInput(&inputHandle, in, &Recorder::OnInput, inputEvents.Instance()), MidiOk);
        for (InputBuffer& buffer : buffers) {
            ASSERT_EQ(driver.PrepareInputBuffer(inputHandle, &buffer.header), MidiOk);
            ASSERT_EQ(driver.AddInputBuffer(inputHandle, &buffer.header), MidiOk);
        }
        ASSERT_EQ(driver.StartInput(inputHandle), MidiOk);
        ASSERT_EQ(driver.OpenOutput(&outputHandle, out, &Recorder::OnOutput, outputEvents.Instance()), MidiOk);
    }

    void TearDown() override
    {
        driver.StopInput(inputHandle);
        driver.ResetInput(inputHandle);
        driver.CloseInput(inputHandle);
        driver.CloseOutput(outputHandle);
    }

    // Sends a long message and waits for its completion.
    void Send(Bytes message)
    {
        MidiBuffer header{message.data(), uint32_t(message.size()), uint32_t(message.size()), 0, 0};
        const size_t done = outputEvents.Events(MidiOutputDone).size();
        ASSERT_EQ(driver.PrepareOutputBuffer(outputHandle, &header), MidiOk);
        ASSERT_EQ(driver.SendLong(outputHandle, &header), MidiOk);
        ASSERT_EQ(outputEvents.WaitFor(MidiOutputDone, done + 1).size(), done + 1);
        ASSERT_EQ(driver.UnprepareOutputBuffer(outputHandle, &header), MidiOk);
    }

    // The next SysEx message the controller answered, whole.
    Bytes NextAnswer(std::chrono::milliseconds timeout = LongWait)
    {
        const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, ++m_answers, timeout);
        return handed.size() >= m_answers ? handed[m_answers - 1].bytes : Bytes{};
    }

    VirtualMidiDriver driver;
    uint32_t in = 0;
    uint32_t out = 0;
    SimulatedController* controller = nullptr;
    Recorder inputEvents;
    Recorder outputEvents;
    std::array<InputBuffer, 3> buffers;
    MidiInputHandle inputHandle = nullptr;
    MidiOutputHandle outputHandle = nullptr;

private:
    size_t m_answers = 0;
};

TEST_F(SimulatedControllerTest, EverySlotStartsAtTheModelDefaultsAndIsAnsweredIn66Bytes)
{
    for (uint8_t slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(controller->GetProgram(slot), ModelDefaults()) << "slot " << int(slot);
        Send(GetRequest(slot));
        const Bytes answer = NextAnswer();
        EXPECT_EQ(answer.size(), 66u);
        EXPECT_EQ(answer, Reply(slot, ModelDefaults())) << "slot " << int(slot);
    }
    EXPECT_TRUE(controller->GetProgram(5).empty());
}

TEST_F(SimulatedControllerTest, SentProgramIsStoredInItsSlotAndReadBack)
{
    Send(SendProgram(3, SomeProgram()));
    EXPECT_EQ(controller->GetProgram(3), SomeProgram());
    EXPECT_EQ(controller->GetProgram(2), ModelDefaults());
    Send(GetRequest(3));
    EXPECT_EQ(NextAnswer(), Reply(3, SomeProgram()));

    SimulatedController::Program ram = SomeProgram();
    ram[0] = 9;
    controller->SetProgram(0, ram);
    Send(GetRequest(0));
    EXPECT_EQ(NextAnswer(), Reply(0, ram));
}

TEST_F(SimulatedControllerTest, AnythingElseIsRecordedButNeitherAnsweredNorStored)
{
    Bytes highByteInside = SendProgram(1, SomeProgram());
    highByteInside[20] = 0x90;
    Bytes cutShort = SendProgram(2, SomeProgram());
    cutShort.erase(cutShort.end() - 2);
    const std::vector<Bytes> ignored = {
        GetRequest(5), {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01, 0x00, 0x00, 0xF7}, SendProgram(5, SomeProgram()),
        highByteInside, cutShort, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7},
    };
    for (const Bytes& message : ignored)
        Send(message);
    ASSERT_EQ(driver.SendShort(outputHandle, 0x643C90), MidiOk);

    EXPECT_TRUE(NextAnswer(NegativeWait).empty());
    std::vector<Bytes> expected = ignored;
    expected.push_back({0x90, 0x3C, 0x64});
    EXPECT_EQ(controller->GetReceived(), expected);
    for (uint32_t slot = 0; slot < 5; ++slot)
        EXPECT_EQ(controller->GetProgram(slot), ModelDefaults()) << "slot " << slot;
}

TEST_F(SimulatedControllerTest, SilentControllerReadsRequestsWithoutAnswering)
{
    controller->SetMode(SimulatedController::Mode::Silent);
    Send(GetRequest(1));
    EXPECT_TRUE(NextAnswer(NegativeWait).empty());
    EXPECT_EQ(controller->GetReceived(), std::vector<Bytes>{GetRequest(1)});
    // It still stores what it is sent.
    Send(SendProgram(1, SomeProgram()));
    EXPECT_EQ(controller->GetProgram(1), SomeProgram());
}

TEST_F(SimulatedControllerTest, FixedControllerAnswersEveryRequestWithTheGivenBytes)
{
    const Bytes wrong = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A, 0x02, 0x01, 0xF7};
    controller->SetFixedAnswer(wrong);
    controller->SetMode(SimulatedController::Mode::Fixed);
    Send(GetRequest(0));
    EXPECT_EQ(NextAnswer(), wrong);
    Send(GetRequest(4));
    EXPECT_EQ(NextAnswer(), wrong);
}

TEST_F(SimulatedControllerTest, LateControllerAnswersAfterTheDelayWithoutHoldingUpTheSender)
{
    constexpr auto delay = 200ms;
    controller->SetAnswerDelay(delay);
    controller->SetMode(SimulatedController::Mode::Late);
    const auto sent = std::chrono::steady_clock::now();
    Send(GetRequest(2));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, delay) << "the send and its completion do not wait";
    EXPECT_EQ(NextAnswer(), Reply(2, ModelDefaults()));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, delay);

    // An answer still due when the driver goes is dropped, not waited for.
    controller->SetAnswerDelay(std::chrono::hours(1));
    Send(GetRequest(3));
}

TEST_F(SimulatedControllerTest, RequestsFromSeveralThreadsAreEachAnswered)
{
    constexpr size_t perThread = 10;
    std::vector<std::thread> senders;
    for (int t = 0; t < 2; ++t) {
        senders.emplace_back([this] {
            for (size_t i = 0; i < perThread; ++i)
                EXPECT_EQ(driver.SendShort(outputHandle, 0xFE), MidiOk);
        });
    }
    for (size_t i = 0; i < perThread; ++i)
        Send(GetRequest(uint8_t(i % 5)));
    for (std::thread& sender : senders)
        sender.join();
    EXPECT_EQ(inputEvents.WaitFor(MidiInputLongData, perThread).size(), perThread);
    EXPECT_EQ(controller->GetReceived().size(), 3 * perThread);
}

TEST(DefaultVirtualDriverTest, HasOneRkt4InputAndOutputPlayedByTheController)
{
    if (std::getenv("VQ_MIDI_PEER"))
        GTEST_SKIP() << "VQ_MIDI_PEER puts a socket peer in the controller's place";
    VirtualMidiDriver& driver = VirtualMidiDriver::GetDefault();
    EXPECT_EQ(&GetVirtualMidiDriver(), static_cast<IMidiDriver*>(&driver));
    ASSERT_EQ(driver.GetInputCount(), 1u);
    ASSERT_EQ(driver.GetOutputCount(), 1u);
    std::u16string name;
    ASSERT_EQ(driver.GetInputName(0, name), MidiOk);
    EXPECT_EQ(name, u"RKT4");
    ASSERT_EQ(driver.GetOutputName(0, name), MidiOk);
    EXPECT_EQ(name, u"RKT4");

    Recorder events;
    InputBuffer buffer;
    MidiInputHandle input = nullptr;
    MidiOutputHandle output = nullptr;
    ASSERT_EQ(driver.OpenInput(&input, 0, &Recorder::OnInput, events.Instance()), MidiOk);
    ASSERT_EQ(driver.PrepareInputBuffer(input, &buffer.header), MidiOk);
    ASSERT_EQ(driver.AddInputBuffer(input, &buffer.header), MidiOk);
    ASSERT_EQ(driver.StartInput(input), MidiOk);
    ASSERT_EQ(driver.OpenOutput(&output, 0, &Recorder::OnOutput, events.Instance()), MidiOk);
    Bytes request = GetRequest(0);
    MidiBuffer header{request.data(), uint32_t(request.size()), uint32_t(request.size()), 0, 0};
    ASSERT_EQ(driver.PrepareOutputBuffer(output, &header), MidiOk);
    ASSERT_EQ(driver.SendLong(output, &header), MidiOk);
    const std::vector<Callback> answers = events.WaitFor(MidiInputLongData, 1);
    ASSERT_EQ(events.WaitFor(MidiOutputDone, 1).size(), 1u);
    driver.ResetInput(input);
    driver.CloseInput(input);
    driver.CloseOutput(output);
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(answers[0].bytes, Reply(0, ModelDefaults()));
    driver.TakeSent(0);
}

} // namespace
} // namespace VQ::Platform
