// The system's MIDI devices as the port layer sees them: numbered input and output devices with
// names, opened with a callback, fed with input buffers, sent short and long messages. Back ends:
// the ALSA sequencer (the default) and an in-process virtual one ("VQ_MIDI_DRIVER=virtual").
#pragma once

#include <cstdint>
#include <string>

namespace VQ::Platform {

// Results; the port layer passes them on unchanged.
enum : uint32_t {
    MidiOk = 0,
    MidiErrorFailed = 1,
    MidiErrorBadDeviceId = 2,
    MidiErrorAllocated = 4,
    MidiErrorInvalidHandle = 5,
    // No device, or no driver at all.
    MidiErrorNoDriver = 6,
    MidiErrorNoMemory = 7,
    MidiErrorInvalidParameter = 11,
    MidiErrorUnprepared = 64,
    MidiErrorStillPlaying = 65,
};

// Longest device name, in UTF-16 units.
inline constexpr size_t MidiMaxNameLength = 31;
// The size of every input buffer the port layer hands in.
inline constexpr uint32_t MidiInputBufferSize = 256;

// The bytes of the short message a byte starts: 3 for note, key pressure, controller and pitch bend
// and for song position; 2 for program change, channel pressure, time code and song select; 1 for
// everything else (the other system bytes, and a data byte on its own).
constexpr uint32_t MidiShortMessageLength(uint8_t status)
{
    if (status >= 0xC0 && status <= 0xDF)
        return 2;
    if (status >= 0x80 && status <= 0xEF)
        return 3;
    if (status == 0xF1 || status == 0xF3)
        return 2;
    return status == 0xF2 ? 3 : 1;
}

// A buffer handed to a device: an input buffer to fill, or a long message to send.
struct MidiBuffer {
    uint8_t* data = nullptr;
    // Capacity of data.
    uint32_t length = 0;
    // Bytes filled (input) or to send (output).
    uint32_t recorded = 0;
    // The owner's word, untouched by the driver.
    uintptr_t user = 0;
    uint32_t flags = 0;
};

// MidiBuffer::flags.
enum : uint32_t {
    MidiBufferDone = 1,
    MidiBufferPrepared = 2,
    MidiBufferQueued = 4,
};

// Opaque handles; a handle is never reused within the process.
struct MidiInputDevice;
struct MidiOutputDevice;
using MidiInputHandle = MidiInputDevice*;
using MidiOutputHandle = MidiOutputDevice*;

// Events of the callbacks.
enum : uint32_t {
    MidiInputOpened = 0x3C1,
    MidiInputClosed = 0x3C2,
    // param1: the message, status byte lowest; param2: milliseconds since StartInput.
    MidiInputData = 0x3C3,
    // param1: the MidiBuffer* handed back, recorded bytes filled, done flag set.
    MidiInputLongData = 0x3C4,
    MidiInputError = 0x3C5,
    MidiInputLongError = 0x3C6,
    MidiInputMoreData = 0x3CC,
    MidiOutputOpened = 0x3C7,
    MidiOutputClosed = 0x3C8,
    // param1: the MidiBuffer* of the long message sent.
    MidiOutputDone = 0x3C9,
};

using MidiInputCallback = void (*)(MidiInputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                                   uintptr_t param2);
using MidiOutputCallback = void (*)(MidiOutputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                                    uintptr_t param2);

// How every driver calls back:
// - the opened and closed events come on the calling thread, inside OpenInput/CloseInput (and the
//   output counterparts), where the caller may hold its own locks;
// - ResetInput hands every queued buffer back with MidiInputLongData on the calling thread;
// - data, long data and the output's done event come on a thread of the driver's;
// - no driver lock is held while a callback runs, so a callback may prepare and add buffers;
// - once CloseInput or CloseOutput has returned, no new callback starts for that handle; a close
//   does not wait for one already running on another thread, which may be waiting for a lock the
//   closer holds (the owner routes callbacks by handle under that lock).
// A buffer is complete when full, or at the F7 that ends a SysEx message.
class IMidiDriver {
public:
    virtual uint32_t GetInputCount() = 0;
    // The name of device id, at most MidiMaxNameLength units.
    virtual uint32_t GetInputName(uint32_t id, std::u16string& name) = 0;
    // The name of the device an open handle is on; fails once that device has gone.
    virtual uint32_t GetInputNameOfHandle(MidiInputHandle device, std::u16string& name) = 0;
    virtual uint32_t OpenInput(MidiInputHandle* device, uint32_t id, MidiInputCallback callback,
                               uintptr_t instance) = 0;
    virtual uint32_t PrepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer) = 0;
    virtual uint32_t UnprepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer) = 0;
    virtual uint32_t AddInputBuffer(MidiInputHandle device, MidiBuffer* buffer) = 0;
    virtual uint32_t StartInput(MidiInputHandle device) = 0;
    virtual uint32_t StopInput(MidiInputHandle device) = 0;
    virtual uint32_t ResetInput(MidiInputHandle device) = 0;
    virtual uint32_t CloseInput(MidiInputHandle device) = 0;

    virtual uint32_t GetOutputCount() = 0;
    virtual uint32_t GetOutputName(uint32_t id, std::u16string& name) = 0;
    virtual uint32_t GetOutputNameOfHandle(MidiOutputHandle device, std::u16string& name) = 0;
    virtual uint32_t OpenOutput(MidiOutputHandle* device, uint32_t id, MidiOutputCallback callback,
                                uintptr_t instance) = 0;
    // Status byte lowest, then the two data bytes.
    virtual uint32_t SendShort(MidiOutputHandle device, uint32_t message) = 0;
    virtual uint32_t PrepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer) = 0;
    virtual uint32_t UnprepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer) = 0;
    // Sends recorded bytes; MidiOutputDone follows once they are out.
    virtual uint32_t SendLong(MidiOutputHandle device, MidiBuffer* buffer) = 0;
    virtual uint32_t CloseOutput(MidiOutputHandle device) = 0;

    // Returns once no callback with this instance value is running, unless called on the thread that
    // runs them. For an owner going away after closing all its handles: none can start any more.
    virtual void WaitForCallbacks(uintptr_t instance) = 0;

protected:
    ~IMidiDriver() = default;
};

// The process's driver: the one a test set, else the one VQ_MIDI_DRIVER names ("alsa", "virtual"),
// else ALSA. Made on first use and never destroyed.
IMidiDriver& GetMidiDriver();

// For tests: the driver GetMidiDriver answers from now on; null goes back to the chosen one. The
// caller keeps it alive while it is set.
void SetMidiDriver(IMidiDriver* driver);

} // namespace VQ::Platform
