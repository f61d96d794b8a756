// An open MIDI input device of the port layer: keeps three input buffers with the device, turns what
// comes back into captured messages and collects SysEx over several buffers.
#pragma once

#include "platform/midi/MidiDriver.h"
#include "vqframework/midi/MidiCaptureNotificationData.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"

#include <atomic>
#include <cstdint>

namespace VQ {

class LMidiComm;

// Listed by its layer while open: the list's reference counts as cyclic, so the port closes when its
// last user lets go. Everything but creation runs under the layer's port lock or once unlisted.
class LMidiCapturePort final : public virtual LRefCountedObject {
public:
    // Closed; empty for an empty name or a null owner.
    static RCPtr<LMidiCapturePort> Create(const StringT<char16_t, char>& name, LMidiComm* owner);

    // (Re)opens the device the name chooses and queues the buffers; not started. The driver's code,
    // MidiErrorNoDriver when no device matches.
    uint32_t Open();
    // Stops and closes the device; a message being collected is dropped.
    void Close();
    // 1 when not open, else the first failing driver code or 0.
    uint32_t QueueBuffers();
    void UnprepareBuffers();

    // Takes the port out of its layer's list, unless another user took it meanwhile.
    VQRESULT ReleaseCyclicReferences() override;

    // A short message, status byte lowest.
    void OnShortMessage(uint32_t message, uint32_t timeStamp);
    // Bytes of a returned buffer; complete when the buffer came back less than full or ends in F7.
    void OnLongData(const uint8_t* data, uint32_t count, bool complete);
    // Hands a returned buffer back to the device. 12 while closing or closed, 1 when it is none of
    // this port's prepared buffers, else the driver's code.
    uint32_t RequeueBuffer(Platform::MidiBuffer* header);

    const StringT<char16_t, char>& GetName() const noexcept { return m_name; }
    const StringT<char16_t, char>& GetDeviceName() const noexcept { return m_deviceName; }
    Platform::MidiInputHandle GetHandle() const noexcept { return m_handle.load(); }
    // Set while the device is stopped and closed: buffers coming back then carry no message.
    bool IsClosing() const noexcept { return m_closing.load(); }

    // What RequeueBuffer answers while the port closes.
    static constexpr uint32_t ResultClosing = 12;

protected:
    ~LMidiCapturePort() override;

private:
    LMidiCapturePort(const StringT<char16_t, char>& name, LMidiComm* owner);

    // A buffer the device fills: the header points at its own data and names the record.
    struct InputBuffer {
        InputBuffer();
        InputBuffer(const InputBuffer&) = delete;
        InputBuffer& operator=(const InputBuffer&) = delete;
        ~InputBuffer();

        Platform::MidiBuffer header;
        uint8_t data[Platform::MidiInputBufferSize];
        // The handle the header was prepared with, null while not prepared.
        Platform::MidiInputHandle preparedWith = nullptr;
    };
    static constexpr uint32_t BufferCount = 3;

    void Queue(const RCPtr<LMidiCaptureNotificationData>& data);

    const StringT<char16_t, char> m_name;
    StringT<char16_t, char> m_deviceName;
    std::atomic<Platform::MidiInputHandle> m_handle{nullptr};
    const RCPtr<LMidiComm> m_owner;
    InputBuffer m_buffers[BufferCount];
    std::atomic<bool> m_closing{false};
    RCPtr<LMidiCaptureNotificationData> m_pending;
    // Set when a message outgrew the limit: the rest of it is skipped up to its end.
    bool m_discarding = false;
};

} // namespace VQ
