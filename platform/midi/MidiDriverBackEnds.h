// The back ends GetMidiDriver chooses from, each made on first use and never destroyed.
#pragma once

#include "platform/midi/MidiDriver.h"

namespace VQ::Platform {

// The ALSA sequencer; without a sequencer it has no devices.
IMidiDriver& GetAlsaMidiDriver();

// The in-process devices: "RKT4" in and out, played by the simulated controller or, with
// VQ_MIDI_PEER set, by the program at the other end of that socket.
IMidiDriver& GetVirtualMidiDriver();

// No devices at all.
IMidiDriver& GetNullMidiDriver();

} // namespace VQ::Platform
