#include "platform/midi/virtual/VirtualMidiDriver.h"

#include "VirtualMidiTestSupport.h"

#include <gtest/gtest.h>

namespace VQ::Platform {
namespace {

using namespace test;

// A driver with one input and one output device, the input open with its own recorder.
class VirtualMidiDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        in = driver.AddInput(u"Pads In");
        out = driver.AddOutput(u"Pads Out");
    }

    void TearDown() override
    {
        if (inputHandle)
            driver.CloseInput(inputHandle);
        if (outputHandle)
            driver.CloseOutput(outputHandle);
        // A callback already under way may still be in a recorder, which goes with the fixture.
        driver.WaitForCallbacks(inputEvents.Instance());
        driver.WaitForCallbacks(outputEvents.Instance());
    }

    void OpenInput(size_t bufferCount, bool start = true)
    {
        ASSERT_EQ(driver.OpenInput(&inputHandle, in, &Recorder::OnInput, inputEvents.Instance()), MidiOk);
        for (size_t i = 0; i < bufferCount; ++i)
            AddBuffer(i);
        if (start) {
            ASSERT_EQ(driver.StartInput(inputHandle), MidiOk);
        }
    }

    void AddBuffer(size_t index)
    {
        ASSERT_EQ(driver.PrepareInputBuffer(inputHandle, &buffers[index].header), MidiOk);
        ASSERT_EQ(driver.AddInputBuffer(inputHandle, &buffers[index].header), MidiOk);
    }

    void OpenOutput()
    {
        ASSERT_EQ(driver.OpenOutput(&outputHandle, out, &Recorder::OnOutput, outputEvents.Instance()), MidiOk);
    }

    uint32_t SendLong(MidiBuffer& header)
    {
        const uint32_t prepared = driver.PrepareOutputBuffer(outputHandle, &header);
        return prepared == MidiOk ? driver.SendLong(outputHandle, &header) : prepared;
    }

    VirtualMidiDriver driver;
    uint32_t in = 0;
    uint32_t out = 0;
    Recorder inputEvents;
    Recorder outputEvents;
    std::array<InputBuffer, 3> buffers;
    MidiInputHandle inputHandle = nullptr;
    MidiOutputHandle outputHandle = nullptr;
};

TEST_F(VirtualMidiDriverTest, DevicesAreNumberedInOrderOfAddingWithNamesCutTo31Units)
{
    const std::u16string longName(40, u'x');
    // A surrogate pair across the cut is dropped whole.
    const std::u16string pairAtCut = std::u16string(30, u'y') + u"\U0001F3B9";
    EXPECT_EQ(driver.AddInput(longName), 1u);
    EXPECT_EQ(driver.AddInput(pairAtCut), 2u);
    EXPECT_EQ(driver.AddOutput(u"Second Out"), 1u);

    ASSERT_EQ(driver.GetInputCount(), 3u);
    ASSERT_EQ(driver.GetOutputCount(), 2u);
    std::u16string name;
    EXPECT_EQ(driver.GetInputName(0, name), MidiOk);
    EXPECT_EQ(name, u"Pads In");
    EXPECT_EQ(driver.GetInputName(1, name), MidiOk);
    EXPECT_EQ(name, std::u16string(31, u'x'));
    EXPECT_EQ(driver.GetInputName(2, name), MidiOk);
    EXPECT_EQ(name, std::u16string(30, u'y'));
    EXPECT_EQ(driver.GetOutputName(1, name), MidiOk);
    EXPECT_EQ(name, u"Second Out");
    EXPECT_EQ(driver.GetInputName(3, name), MidiErrorBadDeviceId);
    EXPECT_EQ(driver.GetOutputName(2, name), MidiErrorBadDeviceId);
    MidiInputHandle handle = nullptr;
    EXPECT_EQ(driver.OpenInput(&handle, 3, nullptr, 0), MidiErrorBadDeviceId);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(VirtualMidiDriverTest, RemovedDeviceFailsTheLivenessQueryOfItsHandlesAndLaterIdsMoveDown)
{
    driver.AddInput(u"Other In");
    OpenInput(1);
    OpenOutput();
    std::u16string name;
    EXPECT_EQ(driver.GetInputNameOfHandle(inputHandle, name), MidiOk);
    EXPECT_EQ(name, u"Pads In");
    EXPECT_EQ(driver.GetOutputNameOfHandle(outputHandle, name), MidiOk);
    EXPECT_EQ(name, u"Pads Out");

    driver.RemoveInput(in);
    driver.RemoveOutput(out);
    EXPECT_NE(driver.GetInputNameOfHandle(inputHandle, name), MidiOk);
    EXPECT_NE(driver.GetOutputNameOfHandle(outputHandle, name), MidiOk);
    ASSERT_EQ(driver.GetInputCount(), 1u);
    EXPECT_EQ(driver.GetOutputCount(), 0u);
    EXPECT_EQ(driver.GetInputName(0, name), MidiOk);
    EXPECT_EQ(name, u"Other In");

    // The removed device's handle hears nothing more, even from bytes meant for the device now at its id.
    driver.Feed(0, {0x90, 0x3C, 0x64});
    EXPECT_TRUE(inputEvents.WaitFor(MidiInputData, 1, NegativeWait).empty());
    EXPECT_EQ(driver.SendShort(outputHandle, 0x90), MidiErrorNoDriver);
}

TEST_F(VirtualMidiDriverTest, OpenAndCloseEventsComeOnTheCallingThreadAndHandlesAreNeverReused)
{
    OpenInput(0, false);
    OpenOutput();
    const auto self = std::this_thread::get_id();
    ASSERT_EQ(inputEvents.Events(MidiInputOpened).size(), 1u);
    EXPECT_EQ(inputEvents.Events(MidiInputOpened)[0].thread, self);
    EXPECT_EQ(inputEvents.Events(MidiInputOpened)[0].handle, reinterpret_cast<uintptr_t>(inputHandle));
    ASSERT_EQ(outputEvents.Events(MidiOutputOpened).size(), 1u);
    EXPECT_EQ(outputEvents.Events(MidiOutputOpened)[0].thread, self);

    MidiInputHandle second = nullptr;
    EXPECT_EQ(driver.OpenInput(&second, in, nullptr, 0), MidiErrorAllocated) << "an input has one user";

    const MidiInputHandle firstInput = inputHandle;
    const MidiOutputHandle firstOutput = outputHandle;
    EXPECT_EQ(driver.CloseInput(inputHandle), MidiOk);
    EXPECT_EQ(driver.CloseOutput(outputHandle), MidiOk);
    ASSERT_EQ(inputEvents.Events(MidiInputClosed).size(), 1u);
    EXPECT_EQ(inputEvents.Events(MidiInputClosed)[0].thread, self);
    ASSERT_EQ(outputEvents.Events(MidiOutputClosed).size(), 1u);
    EXPECT_EQ(outputEvents.Events(MidiOutputClosed)[0].thread, self);
    EXPECT_EQ(driver.CloseInput(firstInput), MidiErrorInvalidHandle);
    EXPECT_EQ(driver.StartInput(firstInput), MidiErrorInvalidHandle);
    EXPECT_EQ(driver.SendShort(firstOutput, 0xF8), MidiErrorInvalidHandle);

    inputHandle = nullptr;
    outputHandle = nullptr;
    OpenInput(0, false);
    OpenOutput();
    EXPECT_NE(inputHandle, firstInput);
    EXPECT_NE(outputHandle, firstOutput);
}

struct ShortInputCase {
    const char* name;
    Bytes fed;
    std::vector<uint32_t> messages;
};

class ShortInputTest : public VirtualMidiDriverTest, public testing::WithParamInterface<ShortInputCase> {};

TEST_P(ShortInputTest, EachShortMessageArrivesAsOneDataEventOnTheDriversThread)
{
    OpenInput(0);
    driver.Feed(in, GetParam().fed);
    const size_t count = GetParam().messages.size();
    const std::vector<Callback> data = inputEvents.WaitFor(MidiInputData, count);
    ASSERT_EQ(data.size(), count);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(data[i].param1, GetParam().messages[i]) << "message " << i;
        EXPECT_NE(data[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(inputEvents.WaitFor(MidiInputData, count + 1, NegativeWait).size(), count) << "nothing more";
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ShortInputTest,
    testing::Values(ShortInputCase{"NoteOn", {0x90, 0x3C, 0x64}, {0x643C90}},
                    ShortInputCase{"ProgramChange", {0xC0, 0x05}, {0x05C0}},
                    ShortInputCase{"RunningStatus", {0x90, 0x3C, 0x64, 0x3E, 0x00}, {0x643C90, 0x003E90}},
                    ShortInputCase{"RealtimeInsideAMessage", {0x90, 0x3C, 0xF8, 0x64, 0xFE}, {0xF8, 0x643C90, 0xFE}},
                    ShortInputCase{"SystemCommonKeepsItsData",
                                   {0xF1, 0x15, 0xF2, 0x01, 0x02, 0xF3, 0x07, 0xF6},
                                   {0x15F1, 0x0201F2, 0x07F3, 0xF6}},
                    ShortInputCase{"SystemCommonEndsRunningStatus", {0x90, 0x3C, 0x64, 0xF6, 0x3E, 0x70}, {0x643C90, 0xF6}},
                    ShortInputCase{"DataWithoutStatusIsDropped", {0x3C, 0x64, 0xB0, 0x07, 0x7F}, {0x7F07B0}},
                    ShortInputCase{"StatusCutShortIsDropped", {0x90, 0x3C, 0xC0, 0x05}, {0x05C0}}),
    [](const testing::TestParamInfo<ShortInputCase>& info) { return info.param.name; });

TEST_F(VirtualMidiDriverTest, TimeStampsCountFromStartAndNeverGoBack)
{
    OpenInput(0);
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i)
        driver.Feed(in, {0x90, uint8_t(i), 0x40});
    const std::vector<Callback> data = inputEvents.WaitFor(MidiInputData, 20);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(data.size(), 20u);
    for (size_t i = 1; i < data.size(); ++i)
        EXPECT_GE(data[i].param2, data[i - 1].param2);
    EXPECT_LE(data.back().param2, uintptr_t(elapsed.count()) + 1);
}

TEST_F(VirtualMidiDriverTest, SysExRepliesFillTheBuffersInOrderAndComeBackFullOrAtF7)
{
    inputEvents.RequeueWith(&driver);
    OpenInput(3);
    const Bytes reply = SysEx(66);
    const Bytes large = SysEx(600);
    driver.Feed(in, reply);
    driver.Feed(in, large);

    const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, 4);
    ASSERT_EQ(handed.size(), 4u);
    EXPECT_EQ(handed[0].bytes, reply);
    EXPECT_EQ(handed[1].bytes.size(), 256u);
    EXPECT_EQ(handed[2].bytes.size(), 256u);
    EXPECT_EQ(handed[3].bytes.size(), 88u);
    EXPECT_EQ(Concat({handed[1].bytes, handed[2].bytes, handed[3].bytes}), large);
    for (const Callback& callback : handed) {
        EXPECT_NE(callback.thread, std::this_thread::get_id());
        EXPECT_EQ(callback.flags & (MidiBufferDone | MidiBufferQueued), MidiBufferDone);
    }
    EXPECT_EQ(handed[0].param1, reinterpret_cast<uintptr_t>(&buffers[0].header)) << "buffers in the order queued";
    EXPECT_EQ(handed[1].param1, reinterpret_cast<uintptr_t>(&buffers[1].header));
}

TEST_F(VirtualMidiDriverTest, RealtimeInsideSysExArrivesOnItsOwnAndTheMessageStaysWhole)
{
    OpenInput(1);
    driver.Feed(in, {0xF0, 0x01, 0xF8, 0x02, 0xF7});
    const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, 1);
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].bytes, (Bytes{0xF0, 0x01, 0x02, 0xF7}));
    const std::vector<Callback> data = inputEvents.WaitFor(MidiInputData, 1);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].param1, 0xF8u);
}

TEST_F(VirtualMidiDriverTest, SysExCutShortByAStatusComesBackBeforeTheNextMessage)
{
    inputEvents.RequeueWith(&driver);
    OpenInput(2);
    driver.Feed(in, {0xF0, 0x01, 0x02, 0x90, 0x3C, 0x64, 0xF0, 0x03, 0xF7});
    const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, 2);
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[0].bytes, (Bytes{0xF0, 0x01, 0x02}));
    EXPECT_EQ(handed[1].bytes, (Bytes{0xF0, 0x03, 0xF7}));
    ASSERT_EQ(inputEvents.WaitFor(MidiInputData, 1).size(), 1u);
    EXPECT_EQ(inputEvents.Events(MidiInputData)[0].param1, 0x643C90u);
}

TEST_F(VirtualMidiDriverTest, SysExBytesWaitForABufferWhileShortMessagesPass)
{
    OpenInput(0);
    const Bytes reply = SysEx(66);
    driver.Feed(in, reply);
    driver.Feed(in, {0xFE});
    EXPECT_TRUE(inputEvents.WaitFor(MidiInputLongData, 1, NegativeWait).empty());

    AddBuffer(0);
    const std::vector<Callback> handed = inputEvents.WaitFor(MidiInputLongData, 1);
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].bytes, reply);
}

TEST_F(VirtualMidiDriverTest, InputFlowsOnlyBetweenStartAndStop)
{
    OpenInput(1, false);
    driver.Feed(in, {0x90, 0x3C, 0x64});
    ASSERT_EQ(driver.StartInput(inputHandle), MidiOk);
    driver.Feed(in, {0xC0, 0x01});
    ASSERT_EQ(inputEvents.WaitFor(MidiInputData, 1).size(), 1u);
    ASSERT_EQ(driver.StopInput(inputHandle), MidiOk);
    driver.Feed(in, {0xC0, 0x02});
    driver.Feed(in, SysEx(10));
    EXPECT_EQ(inputEvents.WaitFor(MidiInputData, 2, NegativeWait).size(), 1u);
    EXPECT_TRUE(inputEvents.Events(MidiInputLongData).empty());
    EXPECT_EQ(inputEvents.Events(MidiInputData)[0].param1, 0x01C0u);
    EXPECT_TRUE(buffers[0].header.flags & MidiBufferQueued) << "stopping keeps the queued buffers";
}

TEST_F(VirtualMidiDriverTest, ResetHandsBackEveryQueuedBufferOnTheCallingThread)
{
    OpenInput(3);
    driver.Feed(in, {0xF0, 0x01, 0x02});
    // The bytes are in the first buffer once a later short message has come through.
    driver.Feed(in, {0xFE});
    ASSERT_EQ(inputEvents.WaitFor(MidiInputData, 1).size(), 1u);

    ASSERT_EQ(driver.ResetInput(inputHandle), MidiOk);
    const std::vector<Callback> handed = inputEvents.Events(MidiInputLongData);
    ASSERT_EQ(handed.size(), 3u);
    for (size_t i = 0; i < handed.size(); ++i) {
        EXPECT_EQ(handed[i].thread, std::this_thread::get_id());
        EXPECT_EQ(handed[i].param1, reinterpret_cast<uintptr_t>(&buffers[i].header));
        EXPECT_EQ(handed[i].flags & (MidiBufferDone | MidiBufferQueued | MidiBufferPrepared),
                  MidiBufferDone | MidiBufferPrepared);
    }
    EXPECT_EQ(handed[0].bytes, (Bytes{0xF0, 0x01, 0x02}));
    EXPECT_TRUE(handed[1].bytes.empty());
    for (InputBuffer& buffer : buffers)
        EXPECT_EQ(driver.UnprepareInputBuffer(inputHandle, &buffer.header), MidiOk);

    // Reset stops the input too.
    driver.Feed(in, {0xFE});
    EXPECT_EQ(inputEvents.WaitFor(MidiInputData, 2, NegativeWait).size(), 1u);
}

TEST_F(VirtualMidiDriverTest, BuffersAreAddedOnlyPreparedAndUnpreparedOnlyWhenNotQueued)
{
    OpenInput(0, false);
    MidiBuffer& header = buffers[0].header;
    EXPECT_EQ(driver.AddInputBuffer(inputHandle, &header), MidiErrorUnprepared);
    EXPECT_EQ(driver.PrepareInputBuffer(inputHandle, &header), MidiOk);
    EXPECT_TRUE(header.flags & MidiBufferPrepared);
    header.recorded = 17;
    header.flags |= MidiBufferDone;
    EXPECT_EQ(driver.AddInputBuffer(inputHandle, &header), MidiOk);
    EXPECT_EQ(header.flags & (MidiBufferDone | MidiBufferQueued), MidiBufferQueued);
    EXPECT_EQ(header.recorded, 0u);
    EXPECT_EQ(driver.AddInputBuffer(inputHandle, &header), MidiErrorStillPlaying) << "queued once at a time";
    EXPECT_EQ(driver.UnprepareInputBuffer(inputHandle, &header), MidiErrorStillPlaying);
    EXPECT_TRUE(header.flags & MidiBufferPrepared);

    ASSERT_EQ(driver.ResetInput(inputHandle), MidiOk);
    EXPECT_EQ(driver.UnprepareInputBuffer(inputHandle, &header), MidiOk);
    EXPECT_FALSE(header.flags & MidiBufferPrepared);

    MidiBuffer empty{};
    EXPECT_EQ(driver.PrepareInputBuffer(inputHandle, &empty), MidiErrorInvalidParameter);
}

TEST_F(VirtualMidiDriverTest, NoCallbackFollowsClose)
{
    inputEvents.RequeueWith(&driver);
    OpenInput(1);
    driver.Feed(in, {0xFE});
    ASSERT_EQ(inputEvents.WaitFor(MidiInputData, 1).size(), 1u);
    const MidiInputHandle closed = inputHandle;
    inputHandle = nullptr;
    ASSERT_EQ(driver.CloseInput(closed), MidiOk);
    EXPECT_FALSE(buffers[0].header.flags & MidiBufferQueued);
    driver.Feed(in, {0xFE});
    driver.Feed(in, SysEx(20));
    EXPECT_EQ(inputEvents.WaitFor(MidiInputData, 2, NegativeWait).size(), 1u);
    EXPECT_TRUE(inputEvents.Events(MidiInputLongData).empty());
}

struct ShortOutputCase {
    uint32_t message;
    Bytes sent;
};

TEST_F(VirtualMidiDriverTest, ShortMessagesAreSentWithTheLengthOfTheirStatusByte)
{
    const ShortOutputCase cases[] = {
        {0x643C90, {0x90, 0x3C, 0x64}}, {0x7F07B0, {0xB0, 0x07, 0x7F}}, {0x0005C0, {0xC0, 0x05}},
        {0x0040D0, {0xD0, 0x40}},       {0x4000E0, {0xE0, 0x00, 0x40}}, {0x0015F1, {0xF1, 0x15}},
        {0x0201F2, {0xF2, 0x01, 0x02}}, {0x0007F3, {0xF3, 0x07}},       {0x0000F6, {0xF6}},
        {0x1234F8, {0xF8}},             {0x000045, {0x45}},
    };
    OpenOutput();
    for (const ShortOutputCase& c : cases)
        ASSERT_EQ(driver.SendShort(outputHandle, c.message), MidiOk);
    const auto sent = driver.TakeSent(out);
    ASSERT_EQ(sent.size(), std::size(cases));
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], cases[i].sent) << "case " << i;
    EXPECT_TRUE(driver.TakeSent(out).empty()) << "taken messages are forgotten";
    EXPECT_TRUE(outputEvents.Events(MidiOutputDone).empty());
}

TEST_F(VirtualMidiDriverTest, LongMessageIsSentWholeAndCompletesOnTheDriversThread)
{
    OpenOutput();
    Bytes message = SysEx(70);
    MidiBuffer header{message.data(), 70, 66, 0, 0};
    EXPECT_EQ(driver.SendLong(outputHandle, &header), MidiErrorUnprepared);
    ASSERT_EQ(SendLong(header), MidiOk);

    const std::vector<Callback> done = outputEvents.WaitFor(MidiOutputDone, 1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].param1, reinterpret_cast<uintptr_t>(&header));
    EXPECT_NE(done[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(done[0].flags & MidiBufferDone);
    EXPECT_EQ(driver.UnprepareOutputBuffer(outputHandle, &header), MidiOk);
    EXPECT_FALSE(header.flags & MidiBufferPrepared);
    const auto sent = driver.TakeSent(out);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Bytes(message.begin(), message.begin() + 66)) << "the recorded bytes only";

    MidiBuffer overlong{message.data(), 4, 5, 0, 0};
    EXPECT_EQ(SendLong(overlong), MidiErrorInvalidParameter);
}

TEST_F(VirtualMidiDriverTest, HeldCompletionsWaitForTheRelease)
{
    OpenOutput();
    driver.HoldCompletions(out, true);
    Bytes first = SysEx(6);
    Bytes second = SysEx(8);
    MidiBuffer firstHeader{first.data(), 6, 6, 0, 0};
    MidiBuffer secondHeader{second.data(), 8, 8, 0, 0};
    ASSERT_EQ(SendLong(firstHeader), MidiOk);
    ASSERT_EQ(SendLong(secondHeader), MidiOk);
    EXPECT_TRUE(driver.WaitForSent(out, 2, LongWait)) << "held messages are sent, only their completion waits";
    EXPECT_TRUE(outputEvents.WaitFor(MidiOutputDone, 1, NegativeWait).empty());
    EXPECT_EQ(SendLong(firstHeader), MidiErrorStillPlaying);
    EXPECT_EQ(driver.UnprepareOutputBuffer(outputHandle, &firstHeader), MidiErrorStillPlaying);

    // The first was given up on by that unprepare: its owner may free it, so no done names it.
    driver.HoldCompletions(out, false);
    const std::vector<Callback> done = outputEvents.WaitFor(MidiOutputDone, 1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].param1, reinterpret_cast<uintptr_t>(&secondHeader));
    EXPECT_EQ(outputEvents.WaitFor(MidiOutputDone, 2, NegativeWait).size(), 1u);
    EXPECT_EQ(driver.UnprepareOutputBuffer(outputHandle, &secondHeader), MidiOk);
}

TEST_F(VirtualMidiDriverTest, WaitForSentTimesOutWhenTooFewWereSent)
{
    OpenOutput();
    ASSERT_EQ(driver.SendShort(outputHandle, 0xFE), MidiOk);
    EXPECT_TRUE(driver.WaitForSent(out, 1, LongWait));
    EXPECT_FALSE(driver.WaitForSent(out, 2, NegativeWait));
    EXPECT_FALSE(driver.WaitForSent(7, 1, NegativeWait)) << "no such output";
}

TEST(VirtualMidiDriverLifetimeTest, DestroyingTheDriverWithOpenHandlesMakesNoCallbackAfterwards)
{
    Recorder events;
    std::array<InputBuffer, 2> buffers;
    {
        VirtualMidiDriver driver;
        const uint32_t in = driver.AddInput(u"In");
        const uint32_t out = driver.AddOutput(u"Out");
        MidiInputHandle input = nullptr;
        MidiOutputHandle output = nullptr;
        ASSERT_EQ(driver.OpenInput(&input, in, &Recorder::OnInput, events.Instance()), MidiOk);
        ASSERT_EQ(driver.OpenOutput(&output, out, &Recorder::OnOutput, events.Instance()), MidiOk);
        for (InputBuffer& buffer : buffers) {
            ASSERT_EQ(driver.PrepareInputBuffer(input, &buffer.header), MidiOk);
            ASSERT_EQ(driver.AddInputBuffer(input, &buffer.header), MidiOk);
        }
        ASSERT_EQ(driver.StartInput(input), MidiOk);
        driver.HoldCompletions(out, true);
        Bytes message = SysEx(6);
        MidiBuffer header{message.data(), 6, 6, 0, 0};
        ASSERT_EQ(driver.PrepareOutputBuffer(output, &header), MidiOk);
        ASSERT_EQ(driver.SendLong(output, &header), MidiOk);
        for (int i = 0; i < 50; ++i)
            driver.Feed(in, {0x90, 0x3C, 0x64});
    }
    const size_t made = events.Events(MidiInputData).size();
    EXPECT_EQ(events.WaitFor(MidiInputData, made + 1, NegativeWait).size(), made);
    EXPECT_TRUE(events.Events(MidiOutputDone).empty());
    for (const InputBuffer& buffer : buffers)
        EXPECT_FALSE(buffer.header.flags & MidiBufferQueued);
}

} // namespace
} // namespace VQ::Platform
