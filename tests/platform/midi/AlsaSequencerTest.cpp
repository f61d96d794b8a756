#include "platform/midi/MidiDriverBackEnds.h"
#include "platform/midi/alsa/AlsaMidiDriver.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace VQ::Platform {
namespace {

using namespace std::chrono_literals;

bool HaveSequencer() { return access("/dev/snd/seq", F_OK) == 0; }

// A driver without devices answers every query as empty, refuses every open, and says nothing.
void ExpectNoDevicesSilently(IMidiDriver& driver)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver.GetInputCount(), 0u);
    EXPECT_EQ(driver.GetOutputCount(), 0u);
    std::u16string name = u"unchanged";
    EXPECT_NE(driver.GetInputName(0, name), MidiOk);
    EXPECT_NE(driver.GetOutputName(0, name), MidiOk);
    EXPECT_EQ(name, u"unchanged");
    auto input = reinterpret_cast<MidiInputHandle>(uintptr_t{1});
    auto output = reinterpret_cast<MidiOutputHandle>(uintptr_t{1});
    EXPECT_EQ(driver.OpenInput(&input, 0, nullptr, 0), MidiErrorNoDriver);
    EXPECT_EQ(driver.OpenOutput(&output, 0, nullptr, 0), MidiErrorNoDriver);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(AlsaSequencerTest, SequencerThatCannotBeOpenedMeansNoDevicesAndNoMessages)
{
    AlsaMidiDriver driver("vq_no_such_sequencer", "RKT4 Editor test");
    ExpectNoDevicesSilently(driver);
}

TEST(AlsaSequencerTest, MissingSequencerDeviceMeansNoDevicesAndNoMessages)
{
    if (HaveSequencer())
        GTEST_SKIP() << "this machine has an ALSA sequencer: /dev/snd/seq exists";
    ExpectNoDevicesSilently(GetAlsaMidiDriver());
}

// What the driver's callbacks reported, with copies of the buffers handed back.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint32_t> events;
    std::vector<uint8_t> longData;
    std::vector<uint32_t> shortMessages;
    int outputDone = 0;

    template <class Predicate> bool WaitFor(Predicate predicate)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return predicate(*this); });
    }

    static void OnInput(MidiInputHandle, uint32_t event, uintptr_t instance, uintptr_t param1, uintptr_t)
    {
        auto& self = *reinterpret_cast<Recorder*>(instance);
        std::lock_guard lock(self.mutex);
        self.events.push_back(event);
        if (event == MidiInputLongData) {
            const auto* buffer = reinterpret_cast<const MidiBuffer*>(param1);
            self.longData.insert(self.longData.end(), buffer->data, buffer->data + buffer->recorded);
        } else if (event == MidiInputData) {
            self.shortMessages.push_back(static_cast<uint32_t>(param1));
        }
        self.changed.notify_all();
    }

    static void OnOutput(MidiOutputHandle, uint32_t event, uintptr_t instance, uintptr_t, uintptr_t)
    {
        auto& self = *reinterpret_cast<Recorder*>(instance);
        std::lock_guard lock(self.mutex);
        self.events.push_back(event);
        if (event == MidiOutputDone)
            ++self.outputDone;
        self.changed.notify_all();
    }
};

// A second sequencer client with one port the driver can both read and write.
class PeerClient {
public:
    PeerClient()
    {
        if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
            m_seq = nullptr;
            return;
        }
        name = "VQ test peer " + std::to_string(getpid());
        snd_seq_set_client_name(m_seq, name.c_str());
        port = snd_seq_create_simple_port(m_seq, "peer",
                                          SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                              SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                          SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    }
    ~PeerClient()
    {
        if (m_seq)
            snd_seq_close(m_seq);
    }

    bool Ready() const { return m_seq && port >= 0; }

    void RemovePort() { snd_seq_delete_simple_port(m_seq, port); }

    bool Send(snd_seq_event_t& event)
    {
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        return snd_seq_event_output_direct(m_seq, &event) >= 0;
    }

    // Reads SysEx events until F7, waiting at most 10 s for each.
    std::vector<uint8_t> ReceiveSysEx()
    {
        std::vector<uint8_t> bytes;
        while (bytes.empty() || bytes.back() != 0xF7) {
            snd_seq_event_t* event = Next();
            if (!event)
                break;
            if (event->type == SND_SEQ_EVENT_SYSEX) {
                const auto* data = static_cast<const uint8_t*>(event->data.ext.ptr);
                bytes.insert(bytes.end(), data, data + event->data.ext.len);
            }
        }
        return bytes;
    }

    // The next event other than a subscription notice, or null after 10 s.
    snd_seq_event_t* Next()
    {
        for (;;) {
            if (snd_seq_event_input_pending(m_seq, 0) == 0) {
                std::vector<pollfd> fds(static_cast<size_t>(snd_seq_poll_descriptors_count(m_seq, POLLIN)));
                snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
                if (poll(fds.data(), fds.size(), 10000) <= 0)
                    return nullptr;
            }
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(m_seq, &event) < 0 || !event)
                return nullptr;
            if (event->type != SND_SEQ_EVENT_PORT_SUBSCRIBED && event->type != SND_SEQ_EVENT_PORT_UNSUBSCRIBED)
                return event;
        }
    }

    std::string name;
    int port = -1;

private:
    snd_seq_t* m_seq = nullptr;
};

// The id of the device listed under name, or the count when there is none.
template <class GetName> uint32_t FindDevice(uint32_t count, GetName getName, const std::string& name)
{
    const std::u16string wanted(name.begin(), name.end());
    for (uint32_t id = 0; id < count; ++id) {
        std::u16string listed;
        if (getName(id, listed) == MidiOk && listed == wanted)
            return id;
    }
    return count;
}

std::vector<uint8_t> SysEx(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i % 0x80);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

TEST(AlsaSequencerTest, ExchangesMessagesWithAnotherClient)
{
    if (!HaveSequencer())
        GTEST_SKIP() << "no ALSA sequencer on this machine: /dev/snd/seq is missing";
    PeerClient peer;
    ASSERT_TRUE(peer.Ready());
    AlsaMidiDriver driver("default", "RKT4 Editor test");

    const uint32_t inputId = FindDevice(
        driver.GetInputCount(), [&](uint32_t id, std::u16string& n) { return driver.GetInputName(id, n); }, peer.name);
    const uint32_t outputId = FindDevice(
        driver.GetOutputCount(), [&](uint32_t id, std::u16string& n) { return driver.GetOutputName(id, n); },
        peer.name);
    ASSERT_LT(inputId, driver.GetInputCount());
    ASSERT_LT(outputId, driver.GetOutputCount());

    Recorder recorder;
    MidiOutputHandle output = nullptr;
    ASSERT_EQ(driver.OpenOutput(&output, outputId, &Recorder::OnOutput, reinterpret_cast<uintptr_t>(&recorder)),
              MidiOk);
    MidiInputHandle input = nullptr;
    ASSERT_EQ(driver.OpenInput(&input, inputId, &Recorder::OnInput, reinterpret_cast<uintptr_t>(&recorder)), MidiOk);
    EXPECT_NE(static_cast<void*>(input), static_cast<void*>(output));

    // Out: a long message larger than one sequencer event, then a short one.
    std::vector<uint8_t> sent = SysEx(600);
    MidiBuffer outBuffer{sent.data(), static_cast<uint32_t>(sent.size()), static_cast<uint32_t>(sent.size())};
    ASSERT_EQ(driver.PrepareOutputBuffer(output, &outBuffer), MidiOk);
    ASSERT_EQ(driver.SendLong(output, &outBuffer), MidiOk);
    EXPECT_EQ(peer.ReceiveSysEx(), sent);
    ASSERT_TRUE(recorder.WaitFor([](Recorder& r) { return r.outputDone == 1; }));
    EXPECT_EQ(outBuffer.flags & (MidiBufferDone | MidiBufferQueued), MidiBufferDone);
    EXPECT_EQ(driver.UnprepareOutputBuffer(output, &outBuffer), MidiOk);
    ASSERT_EQ(driver.SendShort(output, 0x7F3C90), MidiOk);
    snd_seq_event_t* note = peer.Next();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(note->data.note.note, 0x3C);

    // In: a long message over three buffers, and a short one.
    std::array<std::array<uint8_t, MidiInputBufferSize>, 3> storage{};
    std::array<MidiBuffer, 3> buffers{};
    for (size_t i = 0; i < buffers.size(); ++i) {
        buffers[i] = {storage[i].data(), MidiInputBufferSize};
        ASSERT_EQ(driver.PrepareInputBuffer(input, &buffers[i]), MidiOk);
        ASSERT_EQ(driver.AddInputBuffer(input, &buffers[i]), MidiOk);
    }
    ASSERT_EQ(driver.StartInput(input), MidiOk);
    const std::vector<uint8_t> received = SysEx(600);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, received.size(), const_cast<uint8_t*>(received.data()));
    ASSERT_TRUE(peer.Send(event));
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_controller(&event, 2, 7, 100);
    ASSERT_TRUE(peer.Send(event));
    ASSERT_TRUE(recorder.WaitFor([&](Recorder& r) { return r.longData.size() == received.size(); }));
    ASSERT_TRUE(recorder.WaitFor([&](Recorder& r) { return r.shortMessages.size() == 1; }));
    {
        std::lock_guard lock(recorder.mutex);
        EXPECT_EQ(recorder.longData, received);
        EXPECT_EQ(recorder.shortMessages[0], 0x6407B2u);
    }
    EXPECT_EQ(buffers[2].recorded, 600u - 2 * MidiInputBufferSize);

    std::u16string name;
    EXPECT_EQ(driver.GetInputNameOfHandle(input, name), MidiOk);
    EXPECT_EQ(name, std::u16string(peer.name.begin(), peer.name.end()));
    peer.RemovePort();
    EXPECT_NE(driver.GetInputNameOfHandle(input, name), MidiOk);
    EXPECT_NE(driver.GetOutputNameOfHandle(output, name), MidiOk);

    EXPECT_EQ(driver.StopInput(input), MidiOk);
    EXPECT_EQ(driver.ResetInput(input), MidiOk);
    for (MidiBuffer& buffer : buffers)
        EXPECT_EQ(driver.UnprepareInputBuffer(input, &buffer), MidiOk);
    EXPECT_EQ(driver.CloseInput(input), MidiOk);
    EXPECT_EQ(driver.CloseOutput(output), MidiOk);
    EXPECT_EQ(driver.CloseInput(input), MidiErrorInvalidHandle);
    std::lock_guard lock(recorder.mutex);
    EXPECT_EQ(recorder.events.front(), MidiOutputOpened);
    EXPECT_EQ(recorder.events.back(), MidiOutputClosed);
}

} // namespace
} // namespace VQ::Platform
