// Translation between packed short MIDI messages and sequencer events, and the filling of queued
// input buffers with SysEx bytes; none of it needs a sequencer.
#pragma once

#include "platform/midi/MidiDriver.h"

#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace VQ::Platform {

// The packed message (status byte lowest, then the data bytes) an event carries; nothing for an
// event that is no short MIDI message.
std::optional<uint32_t> AlsaEventToShortMessage(const snd_seq_event_t& event);

// Sets event's type and data from a packed message, clearing the rest; false when the lowest byte
// is no status byte of a short message (a data byte, F0, F7 or an undefined status).
bool ShortMessageToAlsaEvent(uint32_t message, snd_seq_event_t& event);

// Writes SysEx bytes into the buffers at the front of queue. A buffer is complete when full or
// when it has taken an F7, and also when an F0 arrives while it holds the start of an unfinished
// message; complete buffers leave the queue, flagged done and no longer queued, and are appended
// to completed in order. Returns the number of bytes that found no buffer and were dropped.
size_t FillSysExBuffers(std::deque<MidiBuffer*>& queue, const uint8_t* bytes, size_t count,
                        std::vector<MidiBuffer*>& completed);

} // namespace VQ::Platform
