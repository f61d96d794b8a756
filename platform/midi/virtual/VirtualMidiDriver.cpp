#include "platform/midi/MidiDriverBackEnds.h"

namespace VQ::Platform {

IMidiDriver& GetVirtualMidiDriver()
{
    return GetNullMidiDriver();
}

} // namespace VQ::Platform
