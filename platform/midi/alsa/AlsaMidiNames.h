// The device lists an ALSA sequencer's ports make: which ports are inputs and outputs, in what
// order, and under what names; kept apart from the sequencer so the scheme can be checked alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

// One port as the sequencer reports it; caps are the SND_SEQ_PORT_CAP_* bits.
struct AlsaPortInfo {
    int client = 0;
    std::string clientName;
    int port = 0;
    std::string portName;
    unsigned caps = 0;
};

// A device: the sequencer address of its port and the name it is listed under.
struct AlsaMidiDevice {
    int client = 0;
    int port = 0;
    std::string clientName;
    std::u16string name;
};

struct AlsaMidiDeviceLists {
    std::vector<AlsaMidiDevice> inputs;
    std::vector<AlsaMidiDevice> outputs;
};

// Inputs are the ports others may read from by subscription, outputs those they may write to,
// both ordered by client and port, leaving out ownClient, the system client and unexported ports.
// A client's first port in each direction goes by the client's name, further ones by the client's
// name, a space and the port's name, all cut to MidiMaxNameLength units.
AlsaMidiDeviceLists MakeAlsaMidiDeviceLists(std::vector<AlsaPortInfo> ports, int ownClient);

// UTF-8 text as UTF-16, at most maxUnits long and never ending in half a surrogate pair; each
// malformed byte becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text, size_t maxUnits);

} // namespace VQ::Platform
