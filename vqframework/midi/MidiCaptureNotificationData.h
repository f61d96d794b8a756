// One message received on a capture port, as handed to the clients of "NID_MIDI_DATA_CAPTURED".
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/ReuseAllocator.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LMidiCaptureNotificationData final : public virtual LRefCountedObject,
                                           public ReusePooled<LMidiCaptureNotificationData, 4, true> {
public:
    // Short messages stay inside the object; SysEx grows 4 KiB at a time, so that a long message is
    // not copied again for every buffer.
    using Bytes = ArrayBufferM<signed char, 4, 4096>;

    // Empty bytes and time stamp 0.
    static RCPtr<LMidiCaptureNotificationData> Create(const StringT<char16_t, char>& portName, uintptr_t sourceId);

    // S_OK, or E_OUTOFMEMORY with the bytes unchanged.
    VQRESULT AppendBytes(const void* data, uint32_t count);

    // The id LMidiCommInterface::GetPortId gives for the port that received the message.
    uintptr_t GetSourceId() const noexcept { return m_sourceId; }
    // The message as received, status byte first; a SysEx message from F0 to F7.
    const Bytes& GetBytes() const noexcept { return m_bytes; }
    uint32_t GetCount() const { return m_bytes.GetCount(); }
    // The name the port was requested with.
    const StringT<char16_t, char>& GetPortName() const noexcept { return m_portName; }
    // Milliseconds since the port's input started, for short messages; 0 for SysEx.
    uint32_t GetTimeStamp() const noexcept { return m_timeStamp; }
    void SetTimeStamp(uint32_t timeStamp) noexcept { m_timeStamp = timeStamp; }

private:
    LMidiCaptureNotificationData(const StringT<char16_t, char>& portName, uintptr_t sourceId);

    const uintptr_t m_sourceId;
    Bytes m_bytes;
    const StringT<char16_t, char> m_portName;
    uint32_t m_timeStamp = 0;
};

} // namespace VQ
