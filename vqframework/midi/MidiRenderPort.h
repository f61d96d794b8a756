// An open MIDI output device of the port layer, with the gate that keeps one long message in flight.
#pragma once

#include "platform/midi/MidiDriver.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/threads/Event.h"

#include <atomic>
#include <cstdint>

namespace VQ {

class LMidiComm;

// Listed by its layer while open, as a capture port is; closes when its last user lets go.
class LMidiRenderPort final : public virtual LRefCountedObject {
public:
    // Closed; empty for an empty name or a null owner.
    static RCPtr<LMidiRenderPort> Create(const StringT<char16_t, char>& name, LMidiComm* owner);

    // (Re)opens the device the name chooses. The driver's code, MidiErrorNoDriver when no device matches.
    uint32_t Open();
    void Close();

    // Takes the port out of its layer's list, unless another user took it meanwhile.
    VQRESULT ReleaseCyclicReferences() override;

    const StringT<char16_t, char>& GetName() const noexcept { return m_name; }
    // The numbered name of the device opened, as the device name list gives it.
    const StringT<char16_t, char>& GetDeviceName() const noexcept { return m_deviceName; }
    Platform::MidiOutputHandle GetHandle() const noexcept { return m_handle.load(); }

    // Open (set) while no long message is in flight.
    TrafficLight& GetSendGate() noexcept { return m_sendGate; }
    // The long message being sent, whose completion opens the gate; null when none.
    Platform::MidiBuffer* GetInFlight() const noexcept { return m_inFlight.load(); }
    void SetInFlight(Platform::MidiBuffer* buffer) noexcept { m_inFlight.store(buffer); }
    // Held for the whole of a send, so that two senders never share the gate.
    Mutex& GetSendLock() noexcept { return m_sendLock; }

protected:
    ~LMidiRenderPort() override;

private:
    LMidiRenderPort(const StringT<char16_t, char>& name, LMidiComm* owner);

    const StringT<char16_t, char> m_name;
    StringT<char16_t, char> m_deviceName;
    std::atomic<Platform::MidiOutputHandle> m_handle{nullptr};
    const RCPtr<LMidiComm> m_owner;
    TrafficLight m_sendGate;
    std::atomic<Platform::MidiBuffer*> m_inFlight{nullptr};
    Mutex m_sendLock;
};

} // namespace VQ
