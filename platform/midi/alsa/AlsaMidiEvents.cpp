#include "platform/midi/alsa/AlsaMidiEvents.h"

namespace VQ::Platform {

namespace {

constexpr int PitchBendCentre = 8192;

uint32_t Pack(unsigned status, unsigned data1 = 0, unsigned data2 = 0)
{
    return (status & 0xFF) | (data1 & 0x7F) << 8 | (data2 & 0x7F) << 16;
}

void Complete(std::deque<MidiBuffer*>& queue, std::vector<MidiBuffer*>& completed)
{
    MidiBuffer* buffer = queue.front();
    queue.pop_front();
    buffer->flags = (buffer->flags & ~MidiBufferQueued) | MidiBufferDone;
    completed.push_back(buffer);
}

} // namespace

std::optional<uint32_t> AlsaEventToShortMessage(const snd_seq_event_t& event)
{
    const auto& note = event.data.note;
    const auto& control = event.data.control;
    const unsigned channel = (event.type == SND_SEQ_EVENT_NOTEON || event.type == SND_SEQ_EVENT_NOTEOFF ||
                              event.type == SND_SEQ_EVENT_KEYPRESS)
                                 ? note.channel & 0x0F
                                 : control.channel & 0x0F;
    switch (event.type) {
    case SND_SEQ_EVENT_NOTEOFF: return Pack(0x80 | channel, note.note, note.velocity);
    case SND_SEQ_EVENT_NOTEON: return Pack(0x90 | channel, note.note, note.velocity);
    case SND_SEQ_EVENT_KEYPRESS: return Pack(0xA0 | channel, note.note, note.velocity);
    case SND_SEQ_EVENT_CONTROLLER:
        return Pack(0xB0 | channel, control.param, static_cast<unsigned>(control.value));
    case SND_SEQ_EVENT_PGMCHANGE: return Pack(0xC0 | channel, static_cast<unsigned>(control.value));
    case SND_SEQ_EVENT_CHANPRESS: return Pack(0xD0 | channel, static_cast<unsigned>(control.value));
    case SND_SEQ_EVENT_PITCHBEND: {
        const unsigned value = static_cast<unsigned>(control.value + PitchBendCentre);
        return Pack(0xE0 | channel, value, value >> 7);
    }
    case SND_SEQ_EVENT_QFRAME: return Pack(0xF1, static_cast<unsigned>(control.value));
    case SND_SEQ_EVENT_SONGPOS: {
        const unsigned value = static_cast<unsigned>(control.value);
        return Pack(0xF2, value, value >> 7);
    }
    case SND_SEQ_EVENT_SONGSEL: return Pack(0xF3, static_cast<unsigned>(control.value));
    case SND_SEQ_EVENT_TUNE_REQUEST: return Pack(0xF6);
    case SND_SEQ_EVENT_CLOCK: return Pack(0xF8);
    case SND_SEQ_EVENT_START: return Pack(0xFA);
    case SND_SEQ_EVENT_CONTINUE: return Pack(0xFB);
    case SND_SEQ_EVENT_STOP: return Pack(0xFC);
    case SND_SEQ_EVENT_SENSING: return Pack(0xFE);
    case SND_SEQ_EVENT_RESET: return Pack(0xFF);
    default: return std::nullopt;
    }
}

bool ShortMessageToAlsaEvent(uint32_t message, snd_seq_event_t& event)
{
    const unsigned status = message & 0xFF;
    const unsigned data1 = (message >> 8) & 0x7F;
    const unsigned data2 = (message >> 16) & 0x7F;
    const unsigned char channel = status & 0x0F;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_fixed(&event);
    const auto setNote = [&](snd_seq_event_type_t type) {
        event.type = type;
        event.data.note.channel = channel;
        event.data.note.note = static_cast<unsigned char>(data1);
        event.data.note.velocity = static_cast<unsigned char>(data2);
        return true;
    };
    const auto setControl = [&](snd_seq_event_type_t type, unsigned param, int value) {
        event.type = type;
        event.data.control.channel = channel;
        event.data.control.param = param;
        event.data.control.value = value;
        return true;
    };
    const auto setSystem = [&](snd_seq_event_type_t type, int value) {
        event.type = type;
        event.data.control.value = value;
        return true;
    };
    switch (status & 0xF0) {
    case 0x80: return setNote(SND_SEQ_EVENT_NOTEOFF);
    case 0x90: return setNote(SND_SEQ_EVENT_NOTEON);
    case 0xA0: return setNote(SND_SEQ_EVENT_KEYPRESS);
    case 0xB0: return setControl(SND_SEQ_EVENT_CONTROLLER, data1, static_cast<int>(data2));
    case 0xC0: return setControl(SND_SEQ_EVENT_PGMCHANGE, 0, static_cast<int>(data1));
    case 0xD0: return setControl(SND_SEQ_EVENT_CHANPRESS, 0, static_cast<int>(data1));
    case 0xE0:
        return setControl(SND_SEQ_EVENT_PITCHBEND, 0, static_cast<int>(data1 | data2 << 7) - PitchBendCentre);
    default: break;
    }
    switch (status) {
    case 0xF1: return setSystem(SND_SEQ_EVENT_QFRAME, static_cast<int>(data1));
    case 0xF2: return setSystem(SND_SEQ_EVENT_SONGPOS, static_cast<int>(data1 | data2 << 7));
    case 0xF3: return setSystem(SND_SEQ_EVENT_SONGSEL, static_cast<int>(data1));
    case 0xF6: return setSystem(SND_SEQ_EVENT_TUNE_REQUEST, 0);
    case 0xF8: return setSystem(SND_SEQ_EVENT_CLOCK, 0);
    case 0xFA: return setSystem(SND_SEQ_EVENT_START, 0);
    case 0xFB: return setSystem(SND_SEQ_EVENT_CONTINUE, 0);
    case 0xFC: return setSystem(SND_SEQ_EVENT_STOP, 0);
    case 0xFE: return setSystem(SND_SEQ_EVENT_SENSING, 0);
    case 0xFF: return setSystem(SND_SEQ_EVENT_RESET, 0);
    default: return false;
    }
}

size_t FillSysExBuffers(std::deque<MidiBuffer*>& queue, const uint8_t* bytes, size_t count,
                        std::vector<MidiBuffer*>& completed)
{
    size_t dropped = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        // A new message never continues in the buffer of one that was cut off.
        if (byte == 0xF0 && !queue.empty() && queue.front()->recorded > 0)
            Complete(queue, completed);
        if (queue.empty()) {
            ++dropped;
            continue;
        }
        MidiBuffer* buffer = queue.front();
        buffer->data[buffer->recorded++] = byte;
        if (byte == 0xF7 || buffer->recorded >= buffer->length)
            Complete(queue, completed);
    }
    return dropped;
}

} // namespace VQ::Platform
