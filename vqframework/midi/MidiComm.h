// The MIDI port layer: lists the system's MIDI devices by name, opens and shares capture and render
// ports by name, sends messages, and hands captured input to its clients as "NID_MIDI_DATA_CAPTURED".
#pragma once

#include "platform/midi/MidiDriver.h"
#include "vqframework/midi/MidiCaptureNotificationData.h"
#include "vqframework/midi/MidiCapturePort.h"
#include "vqframework/midi/MidiRenderPort.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/BufferT.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringArrayT.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/threads/ThreadPool.h"
#include "vqframework/threads/ThreadWorker.h"

#include <cstdint>

namespace VQ {

// The notification captured input is delivered as; its payload is an LMidiCaptureNotificationData.
inline constexpr const char16_t* MidiDataCapturedName = u"NID_MIDI_DATA_CAPTURED";

// A client's filter of captured input.
class LIMidiFilterByIncludePrefixList : public virtual LRefCountedObject {
public:
    // True when the client is to receive the message.
    virtual bool IsIncluded(const IArray<signed char>& bytes) = 0;
};

// One client's filter.
struct MidiFilterEntry {
    RCPtr<LNotificationClient> client;
    RCPtr<LIMidiFilterByIncludePrefixList> filter;
};

class LMidiCommInterface : public LNotificationDistributor {
public:
    // The out port is emptied first. 0 with the port; E_INVALIDARG when two or more device names
    // match and none equals the name; E_FAIL when no port could be opened or reused.
    virtual VQRESULT OpenCapturePort(const StringT<char16_t, char>& name, RCPtr<LRefCountedObject>& port) = 0;
    virtual VQRESULT OpenRenderPort(const StringT<char16_t, char>& name, RCPtr<LRefCountedObject>& port) = 0;
    // The number of bytes sent (for a short message the length its status byte gives); E_INVALIDARG
    // for a port that is no render port or an empty message; E_FAIL when the device fails.
    virtual VQRESULT Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& message) = 0;
    virtual VQRESULT Send(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& message) = 0;

    // The id of a port, the source id of what it captures; 0 for none.
    virtual uintptr_t GetPortId(const RCPtr<LRefCountedObject>& port) const;
    // The client's filter, or empty. Returns 0.
    virtual VQRESULT GetFilter(RCPtr<LIMidiFilterByIncludePrefixList>& filter,
                               const RCPtr<LNotificationClient>& client) const;
    // Adds or replaces the client's filter; an empty filter (or an object that is no filter) removes
    // it. Returns 0.
    virtual VQRESULT SetFilter(const RCPtr<LNotificationClient>& client, const RCPtr<LRefCountedObject>& filter);
    // Delivers one message to the clients, the newest registration first, each through its filter;
    // the clients run with the filter lock held. 1 when no client was ever registered, else 0.
    virtual VQRESULT DispatchCaptured(const RCPtr<LMidiCaptureNotificationData>& data);

    // The id of a port object, the same whichever of its bases points at it.
    static uintptr_t PortIdOf(const LRefCountedObject* port) noexcept;

protected:
    // The index of the client's entry, or -1; under the filter lock.
    int32_t FindFilterEntry(const LNotificationClient* client) const;

private:
    Array<MidiFilterEntry> m_filters;
    mutable Mutex m_filterLock;
};

class LMidiComm final : public LMidiCommInterface, public LThreadWorker {
public:
    using String = StringT<char16_t, char>;
    using StringArray = StringArrayT<char16_t, char>;

    // Empty port and filter lists, and the dispatch thread running.
    static RCPtr<LMidiComm> Create();

    VQRESULT OpenCapturePort(const String& name, RCPtr<LRefCountedObject>& port) override;
    VQRESULT OpenRenderPort(const String& name, RCPtr<LRefCountedObject>& port) override;
    VQRESULT Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& message) override;
    VQRESULT Send(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& message) override;

    // The names of all input or output devices, equal names numbered. E_FAIL when a device's name
    // could not be read; the names before it are still given.
    VQRESULT GetCapturePortNames(StringArray& names) const;
    VQRESULT GetRenderPortNames(StringArray& names) const;
    // The requested names of the open capture ports, and the numbered device names of the open
    // render ports, in the order opened; their number.
    int32_t GetOpenCapturePortNames(StringArray& names) const;
    int32_t GetOpenRenderPortNames(StringArray& names) const;

    // The number of entries containing the name (ignoring case), with the index of the first; an
    // entry equal to the name counts alone, with its index.
    static int32_t FindPortName(const StringArray& names, const String& name, int32_t& index);
    // Each name found more than once (case-sensitive) is given once per occurrence, numbered " (1)",
    // " (2)"..., at the place of its first occurrence.
    static void NumberDuplicatePortNames(const StringArray& names, StringArray& numbered);
    // "Name (n)" and "Name (nn)" give the name before the blank and n; any other name is its own base
    // with 0, which means the first match.
    static void SplitPortNameSuffix(const String& name, String& base, int32_t& number);
    // The bytes a short message with this status byte takes when sent; 0 for F0 and F7.
    static int32_t GetShortMessageLength(uint8_t status) noexcept;

    // Chooses the device a port name stands for: the device numbered by the name's suffix among
    // those whose name contains the base, else the one whose name equals the base, else the first
    // containing it. Gives its id and its numbered name; false when none matches.
    static bool ChooseDevice(bool input, const String& name, uint32_t& id, String& deviceName);

    // Take a port out of its open list (by identity); 0, or E_FAIL when it is not there.
    VQRESULT RemoveCapturePort(const LMidiCapturePort* port);
    VQRESULT RemoveRenderPort(const LMidiRenderPort* port);

    // The driver's callbacks, with this layer as instance.
    static void InputCallback(Platform::MidiInputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                              uintptr_t param2);
    static void OutputCallback(Platform::MidiOutputHandle device, uint32_t event, uintptr_t instance,
                               uintptr_t param1, uintptr_t param2);
    void OnMidiInMessage(Platform::MidiInputHandle device, uint32_t event, uintptr_t param1, uintptr_t param2);
    void OnMidiOutMessage(Platform::MidiOutputHandle device, uint32_t event, uintptr_t param1, uintptr_t param2);

    // Hands a captured message to the dispatch thread.
    void QueueCaptured(const RCPtr<LMidiCaptureNotificationData>& data);
    // The dispatch of one captured message, on the pool's thread.
    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;

    // Taken by the port operations and the driver's callbacks; re-entrant, because the driver calls
    // back on the calling thread while a port opens or closes.
    Mutex& GetPortLock() const noexcept { return m_portLock; }

    // How long a send waits for the previous long message and for its own completion.
    static constexpr uint32_t SendTimeoutMs = 10000;
    // A SysEx message that grows past this without its F7 is dropped.
    static constexpr uint32_t MaxPendingSysExBytes = 1u << 20;

protected:
    ~LMidiComm() override;

private:
    LMidiComm();

    VQRESULT Send(const RCPtr<LRefCountedObject>& port, const uint8_t* bytes, uint32_t count);

    RCPtrArray<LMidiCapturePort, 1, 0> m_capturePorts;
    RCPtrArray<LMidiRenderPort, 1, 0> m_renderPorts;
    RCPtr<LThreadPool> m_pool;
    mutable Mutex m_portLock;
};

} // namespace VQ
