#include "platform/midi/alsa/AlsaMidiEvents.h"
#include "platform/midi/alsa/AlsaMidiNames.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <array>
#include <string>
#include <vector>

namespace VQ::Platform {
namespace {

constexpr unsigned In = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned Out = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr int OwnClient = 129;

std::vector<std::u16string> Names(const std::vector<AlsaMidiDevice>& devices)
{
    std::vector<std::u16string> names;
    for (const AlsaMidiDevice& device : devices)
        names.push_back(device.name);
    return names;
}

TEST(AlsaMidiNamesTest, SubscribableReadablePortsAreInputsAndWritablePortsOutputs)
{
    const AlsaMidiDeviceLists lists = MakeAlsaMidiDeviceLists(
        {
            {0, "System", 0, "Timer", In | Out},
            {0, "System", 1, "Announce", In},
            {20, "Reader", 0, "only read", In},
            {24, "Writer", 0, "only write", Out},
            // Readable or writable, but nobody may subscribe.
            {28, "Direct", 0, "no subscription", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_WRITE},
            {32, "Hidden", 0, "unexported", In | Out | SND_SEQ_PORT_CAP_NO_EXPORT},
            {OwnClient, "Us", 0, "ours", In | Out},
            {36, "Both", 2, "duplex", In | Out},
        },
        OwnClient);
    EXPECT_EQ(Names(lists.inputs), (std::vector<std::u16string>{u"Reader", u"Both"}));
    EXPECT_EQ(Names(lists.outputs), (std::vector<std::u16string>{u"Writer", u"Both"}));
    ASSERT_EQ(lists.inputs.size(), 2u);
    EXPECT_EQ(lists.inputs[1].client, 36);
    EXPECT_EQ(lists.inputs[1].port, 2);
    EXPECT_EQ(lists.inputs[1].clientName, "Both");
}

// So that the exact client name finds the client's first port and nothing else.
TEST(AlsaMidiNamesTest, FirstPortInEachDirectionGoesByClientNameFurtherPortsAddTheirOwn)
{
    const AlsaMidiDeviceLists lists = MakeAlsaMidiDeviceLists(
        {
            {24, "RKT4", 0, "RKT4 MIDI 1", In | Out},
            {24, "RKT4", 1, "RKT4 MIDI 2", In | Out},
            // The first output of this client comes after its first input.
            {28, "Synth", 0, "Keys", In},
            {28, "Synth", 1, "Sound", Out},
            {28, "Synth", 2, "Sound 2", Out},
        },
        OwnClient);
    EXPECT_EQ(Names(lists.inputs), (std::vector<std::u16string>{u"RKT4", u"RKT4 RKT4 MIDI 2", u"Synth"}));
    EXPECT_EQ(Names(lists.outputs),
              (std::vector<std::u16string>{u"RKT4", u"RKT4 RKT4 MIDI 2", u"Synth", u"Synth Sound 2"}));
}

TEST(AlsaMidiNamesTest, DevicesAreOrderedByClientThenPortWhateverTheOrderGiven)
{
    const AlsaMidiDeviceLists lists = MakeAlsaMidiDeviceLists(
        {
            {40, "B", 1, "second", In},
            {24, "A", 0, "a", In},
            {40, "B", 0, "first", In},
        },
        OwnClient);
    EXPECT_EQ(Names(lists.inputs), (std::vector<std::u16string>{u"A", u"B", u"B second"}));
}

TEST(AlsaMidiNamesTest, NamesAreCutToTheLongestDeviceName)
{
    const std::string longName(40, 'x');
    const AlsaMidiDeviceLists lists = MakeAlsaMidiDeviceLists(
        {{24, longName, 0, "p", Out}, {24, "Client", 0, "p", In}, {24, "Client", 1, longName, In}}, OwnClient);
    ASSERT_EQ(lists.outputs.size(), 1u);
    EXPECT_EQ(lists.outputs[0].name, std::u16string(MidiMaxNameLength, u'x'));
    ASSERT_EQ(lists.inputs.size(), 2u);
    EXPECT_EQ(lists.inputs[1].name, u"Client " + std::u16string(MidiMaxNameLength - 7, u'x'));
}

struct Utf8Case {
    const char* label;
    std::string utf8;
    size_t maxUnits;
    std::u16string expected;
};

class Utf8ToUtf16Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToUtf16Test, Converts)
{
    EXPECT_EQ(Utf8ToUtf16(GetParam().utf8, GetParam().maxUnits), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToUtf16Test,
    testing::Values(Utf8Case{"Ascii", "RKT4", 31, u"RKT4"},
                    Utf8Case{"TwoAndThreeByteForms", "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC", 31, u"Gr\u00FC\u00DF \u20AC"},
                    Utf8Case{"FourByteFormIsASurrogatePair", "a\xF0\x9F\x8E\xB9", 31, u"a\U0001F3B9"},
                    Utf8Case{"CutAtTheLimit", "abcdef", 4, u"abcd"},
                    Utf8Case{"PairNeverSplitAtTheLimit", "abc\xF0\x9F\x8E\xB9", 4, u"abc"},
                    Utf8Case{"LoneContinuationByte", "a\x80z", 31, u"a\uFFFDz"},
                    Utf8Case{"TruncatedSequenceAtTheEnd", "a\xE2\x82", 31, u"a\uFFFD\uFFFD"},
                    Utf8Case{"SequenceBrokenByAsciiByte", "\xE2\x82z", 31, u"\uFFFD\uFFFDz"},
                    Utf8Case{"OverlongForm", "\xC0\xAF", 31, u"\uFFFD\uFFFD"},
                    Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", 31, u"\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", 31, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"InvalidLeadByte", "\xFF", 31, u"\uFFFD"}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return info.param.label; });

struct ShortCase {
    const char* label;
    uint32_t message;
    snd_seq_event_type_t type;
    // Channel, note/param and velocity/value as the event carries them.
    unsigned channel;
    unsigned first;
    int second;
};

class ShortMessageTest : public testing::TestWithParam<ShortCase> {};

bool IsNoteEvent(snd_seq_event_type_t type)
{
    return type == SND_SEQ_EVENT_NOTEON || type == SND_SEQ_EVENT_NOTEOFF || type == SND_SEQ_EVENT_KEYPRESS;
}

TEST_P(ShortMessageTest, BecomesItsEventAndComesBackUnchanged)
{
    const ShortCase& c = GetParam();
    snd_seq_event_t event;
    ASSERT_TRUE(ShortMessageToAlsaEvent(c.message, event));
    EXPECT_EQ(event.type, c.type);
    EXPECT_EQ(event.flags & SND_SEQ_EVENT_LENGTH_MASK, SND_SEQ_EVENT_LENGTH_FIXED);
    if (IsNoteEvent(c.type)) {
        EXPECT_EQ(event.data.note.channel, c.channel);
        EXPECT_EQ(event.data.note.note, c.first);
        EXPECT_EQ(event.data.note.velocity, c.second);
    } else {
        EXPECT_EQ(event.data.control.channel, c.channel);
        EXPECT_EQ(event.data.control.param, c.first);
        EXPECT_EQ(event.data.control.value, c.second);
    }
    EXPECT_EQ(AlsaEventToShortMessage(event), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortMessageTest,
    testing::Values(ShortCase{"NoteOff", 0x004081, SND_SEQ_EVENT_NOTEOFF, 1, 0x40, 0},
                    ShortCase{"NoteOn", 0x7F3C9F, SND_SEQ_EVENT_NOTEON, 15, 0x3C, 0x7F},
                    ShortCase{"KeyPressure", 0x2230A2, SND_SEQ_EVENT_KEYPRESS, 2, 0x30, 0x22},
                    ShortCase{"Controller", 0x4007B3, SND_SEQ_EVENT_CONTROLLER, 3, 7, 0x40},
                    ShortCase{"ProgramChange", 0x0005C0, SND_SEQ_EVENT_PGMCHANGE, 0, 0, 5},
                    ShortCase{"ChannelPressure", 0x0064D4, SND_SEQ_EVENT_CHANPRESS, 4, 0, 0x64},
                    ShortCase{"PitchBendCentre", 0x4000E5, SND_SEQ_EVENT_PITCHBEND, 5, 0, 0},
                    ShortCase{"PitchBendLowest", 0x0000E5, SND_SEQ_EVENT_PITCHBEND, 5, 0, -8192},
                    ShortCase{"PitchBendHighest", 0x7F7FE5, SND_SEQ_EVENT_PITCHBEND, 5, 0, 8191},
                    ShortCase{"QuarterFrame", 0x0035F1, SND_SEQ_EVENT_QFRAME, 0, 0, 0x35},
                    ShortCase{"SongPosition", 0x0201F2, SND_SEQ_EVENT_SONGPOS, 0, 0, 0x101},
                    ShortCase{"SongSelect", 0x0009F3, SND_SEQ_EVENT_SONGSEL, 0, 0, 9},
                    ShortCase{"TuneRequest", 0xF6, SND_SEQ_EVENT_TUNE_REQUEST, 0, 0, 0},
                    ShortCase{"Clock", 0xF8, SND_SEQ_EVENT_CLOCK, 0, 0, 0},
                    ShortCase{"Start", 0xFA, SND_SEQ_EVENT_START, 0, 0, 0},
                    ShortCase{"Continue", 0xFB, SND_SEQ_EVENT_CONTINUE, 0, 0, 0},
                    ShortCase{"Stop", 0xFC, SND_SEQ_EVENT_STOP, 0, 0, 0},
                    ShortCase{"ActiveSensing", 0xFE, SND_SEQ_EVENT_SENSING, 0, 0, 0},
                    ShortCase{"SystemReset", 0xFF, SND_SEQ_EVENT_RESET, 0, 0, 0}),
    [](const testing::TestParamInfo<ShortCase>& info) { return info.param.label; });

TEST(ShortMessageTranslationTest, NoShortMessageIsNoEvent)
{
    for (const uint32_t message : {0x00u, 0x7F3C40u, 0xF0u, 0xF7u, 0xF4u, 0xF5u, 0xF9u, 0xFDu}) {
        snd_seq_event_t event;
        EXPECT_FALSE(ShortMessageToAlsaEvent(message, event)) << std::hex << message;
    }
}

TEST(ShortMessageTranslationTest, BitsBeyondTheDataBytesAreIgnored)
{
    snd_seq_event_t event;
    ASSERT_TRUE(ShortMessageToAlsaEvent(0xAAFFFF90, event));
    EXPECT_EQ(event.data.note.note, 0x7F);
    EXPECT_EQ(event.data.note.velocity, 0x7F);
    EXPECT_EQ(AlsaEventToShortMessage(event), 0x7F7F90u);
}

TEST(ShortMessageTranslationTest, EventsWithoutAShortMessageGiveNone)
{
    for (const snd_seq_event_type_t type : {SND_SEQ_EVENT_SYSEX, SND_SEQ_EVENT_NOTE, SND_SEQ_EVENT_CONTROL14,
                                            SND_SEQ_EVENT_PORT_EXIT, SND_SEQ_EVENT_ECHO}) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        event.type = type;
        EXPECT_FALSE(AlsaEventToShortMessage(event).has_value()) << type;
    }
}

// Input buffers of the size the port layer uses, queued in order.
class SysExFillTest : public testing::Test {
protected:
    void Queue(size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            MidiBuffer& buffer = buffers.at(i);
            buffer.data = storage.at(i).data();
            buffer.length = MidiInputBufferSize;
            buffer.recorded = 0;
            buffer.flags = MidiBufferPrepared | MidiBufferQueued;
            queue.push_back(&buffer);
        }
    }

    size_t Feed(const std::vector<uint8_t>& bytes)
    {
        return FillSysExBuffers(queue, bytes.data(), bytes.size(), completed);
    }

    std::vector<uint8_t> Contents(const MidiBuffer* buffer) const
    {
        return std::vector<uint8_t>(buffer->data, buffer->data + buffer->recorded);
    }

    static std::vector<uint8_t> SysEx(size_t size)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(i % 0x80);
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
        return bytes;
    }

    std::array<std::array<uint8_t, MidiInputBufferSize>, 4> storage{};
    std::array<MidiBuffer, 4> buffers{};
    std::deque<MidiBuffer*> queue;
    std::vector<MidiBuffer*> completed;
};

TEST_F(SysExFillTest, MessageEndingInABufferIsHandedBackAtF7)
{
    Queue(2);
    const std::vector<uint8_t> message = SysEx(66);
    EXPECT_EQ(Feed(message), 0u);
    ASSERT_EQ(completed, (std::vector<MidiBuffer*>{&buffers[0]}));
    EXPECT_EQ(Contents(&buffers[0]), message);
    EXPECT_EQ(buffers[0].flags, MidiBufferPrepared | MidiBufferDone);
    EXPECT_EQ(queue, (std::deque<MidiBuffer*>{&buffers[1]}));
}

// The sequencer hands SysEx over in pieces whose borders have nothing to do with the buffers'.
TEST_F(SysExFillTest, LongMessageInPiecesFillsBuffersToTheBrimThenEndsAtF7)
{
    Queue(4);
    const std::vector<uint8_t> message = SysEx(600);
    for (size_t offset = 0; offset < message.size(); offset += 100)
        EXPECT_EQ(FillSysExBuffers(queue, message.data() + offset, std::min<size_t>(100, message.size() - offset),
                                   completed),
                  0u);
    ASSERT_EQ(completed, (std::vector<MidiBuffer*>{&buffers[0], &buffers[1], &buffers[2]}));
    std::vector<uint8_t> joined;
    for (const MidiBuffer* buffer : completed)
        joined.insert(joined.end(), buffer->data, buffer->data + buffer->recorded);
    EXPECT_EQ(buffers[0].recorded, 256u);
    EXPECT_EQ(buffers[1].recorded, 256u);
    EXPECT_EQ(buffers[2].recorded, 88u);
    EXPECT_EQ(joined, message);
    EXPECT_EQ(queue.size(), 1u);
}

TEST_F(SysExFillTest, PartialBufferWaitsForTheRestOfItsMessage)
{
    Queue(1);
    EXPECT_EQ(Feed({0xF0, 0x7D, 0x01}), 0u);
    EXPECT_TRUE(completed.empty());
    EXPECT_EQ(buffers[0].flags, MidiBufferPrepared | MidiBufferQueued);
    EXPECT_EQ(Feed({0x02, 0xF7}), 0u);
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_EQ(Contents(completed[0]), (std::vector<uint8_t>{0xF0, 0x7D, 0x01, 0x02, 0xF7}));
}

TEST_F(SysExFillTest, NewMessageNeverContinuesTheBufferOfOneCutOff)
{
    Queue(2);
    EXPECT_EQ(Feed({0xF0, 0x01, 0xF0, 0x02, 0xF7}), 0u);
    ASSERT_EQ(completed, (std::vector<MidiBuffer*>{&buffers[0], &buffers[1]}));
    EXPECT_EQ(Contents(&buffers[0]), (std::vector<uint8_t>{0xF0, 0x01}));
    EXPECT_EQ(Contents(&buffers[1]), (std::vector<uint8_t>{0xF0, 0x02, 0xF7}));
}

TEST_F(SysExFillTest, BytesWithoutABufferAreDroppedAndCounted)
{
    EXPECT_EQ(Feed(SysEx(10)), 10u);
    EXPECT_TRUE(completed.empty());
    Queue(1);
    EXPECT_EQ(Feed(SysEx(300)), 300u - MidiInputBufferSize);
    EXPECT_EQ(completed, (std::vector<MidiBuffer*>{&buffers[0]}));
    EXPECT_EQ(buffers[0].recorded, MidiInputBufferSize);
}

} // namespace
} // namespace VQ::Platform
