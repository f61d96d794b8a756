#include "platform/midi/MidiDriverBackEnds.h"

namespace VQ::Platform {

IMidiDriver& GetAlsaMidiDriver()
{
    return GetNullMidiDriver();
}

} // namespace VQ::Platform
