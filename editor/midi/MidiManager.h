// The editor's link to the controller: gets one of its programs into the engine and sends the
// engine's program to it, as SysEx over the MIDI port layer.
#pragma once

#include "vqframework/midi/MidiComm.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/notification/NotificationHandler.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/threads/Event.h"

#include <cstdint>

namespace VQ {

class LMidiManager : public LNotificationClient, public LNotificationDistributor, public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // The controller's name, for its input and its output port.
    static constexpr const char16_t* ModelName = u"RKT4";
    // How long a get waits for the program reply after the request went out.
    static constexpr uint32_t ReplyTimeoutMs = 1000;

    // With a port layer when the handler table could be made.
    static RCPtr<LMidiManager> Create();

    // Program 0 is the controller's working copy, 1 to 4 its stored programs. The bytes sent (66); -1
    // when the ports cannot be opened, the engine's values are not a well-formed program, or the
    // send fails.
    virtual int32_t SendPresetToDevice(uint8_t program);
    // 0 with the program written into the engine; -1 when the ports cannot be opened or the request
    // cannot be sent; -3 when no program reply came within ReplyTimeoutMs.
    virtual int32_t GetPresetFromMidiDevice(uint8_t program);
    // -1 without the device ports, else the result of opening the output port again.
    virtual VQRESULT TestOutputPort(const String& text);
    // E_FAIL without the device ports, else the result of opening the input port; sends nothing.
    virtual VQRESULT RequestNonPresetParameterFromDevice(int32_t selector, const String& text);
    // The bytes as they are, without framing: -1 without the device ports, else the result of the
    // open or of the send.
    virtual VQRESULT SendMessage(const IArray<signed char>& bytes);
    virtual bool IsDevicePresent();
    // True only when an identity reply arrived within ReplyTimeoutMs; nothing answers one yet.
    virtual bool IsDeviceFirmwareVersionUseable();
    // Sends the universal identity request F0 7E 7F 06 01 F7; E_FAIL without a port.
    virtual VQRESULT SendIdentityRequest(const RCPtr<LRefCountedObject>& port);
    // Replaces the port layer by a new one with the reply handler registered, and tells whether both
    // named ports could be opened; they are closed again before it returns.
    virtual bool OpenDevicePorts(const String& inputName, const String& outputName);

    // Frames one SysEx message (F0 in front, F7 behind, unless there already) and sends it: the bytes
    // sent, or the port layer's failure; -1 without a port or layer; E_FAIL for a lone F0 or F7.
    VQRESULT SendSysEx(const IArray<signed char>& message, const RCPtr<LRefCountedObject>& port);

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;

protected:
    LMidiManager();
    ~LMidiManager() override;

private:
    // On the port layer's pool thread.
    VQRESULT OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification);
    // Unregisters from the layer and erases the table entry; false when there was no entry.
    bool UnregisterCaptures(const RCPtr<LMidiComm>& comm, VQRESULT& unregistered);

    RCPtr<LNotificationHandler<LMidiManager>> m_handlers;
    // Replaced on the caller's thread under m_replyLock; the reply handler compares its sender with it.
    RCPtr<LMidiComm> m_comm;
    TrafficLight m_programReply;
    TrafficLight m_parameterReply;
    TrafficLight m_identityReply;

    // Held by the reply handler from its checks to the event, and by a get while it starts and ends
    // its wait, so that a reply in flight when a get gives up either lands wholly before or not at all.
    Mutex m_replyLock;
    bool m_awaitingProgram = false;
};

} // namespace VQ
