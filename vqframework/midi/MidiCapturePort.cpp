#include "vqframework/midi/MidiCapturePort.h"

#include "vqframework/midi/MidiComm.h"

namespace VQ {

using namespace Platform;

LMidiCapturePort::InputBuffer::InputBuffer() : header(), data()
{
    header.data = data;
    header.length = MidiInputBufferSize;
    header.user = reinterpret_cast<uintptr_t>(this);
}

LMidiCapturePort::InputBuffer::~InputBuffer()
{
    if (preparedWith)
        GetMidiDriver().UnprepareInputBuffer(preparedWith, &header);
}

LMidiCapturePort::LMidiCapturePort(const StringT<char16_t, char>& name, LMidiComm* owner)
    : m_name(name), m_owner(owner)
{
}

LMidiCapturePort::~LMidiCapturePort()
{
    Close();
    m_pending = nullptr;
}

RCPtr<LMidiCapturePort> LMidiCapturePort::Create(const StringT<char16_t, char>& name, LMidiComm* owner)
{
    if (name.IsEmpty() || !owner)
        return nullptr;
    return RCPtr<LMidiCapturePort>(new LMidiCapturePort(name, owner));
}

uint32_t LMidiCapturePort::Open()
{
    if (GetHandle())
        Close();
    uint32_t id = 0;
    if (!LMidiComm::ChooseDevice(true, m_name, id, m_deviceName))
        return MidiErrorNoDriver;
    IMidiDriver& driver = GetMidiDriver();
    MidiInputHandle handle = nullptr;
    uint32_t result =
        driver.OpenInput(&handle, id, &LMidiComm::InputCallback, reinterpret_cast<uintptr_t>(m_owner.Get()));
    if (result == MidiOk && handle) {
        m_handle.store(handle);
        m_closing.store(false);
        result = QueueBuffers();
    }
    if (result != MidiOk && handle) {
        m_closing.store(true);
        driver.StopInput(handle);
        driver.ResetInput(handle);
        UnprepareBuffers();
        driver.CloseInput(handle);
        m_handle.store(nullptr);
    }
    return result;
}

void LMidiCapturePort::Close()
{
    const MidiInputHandle handle = GetHandle();
    if (!handle)
        return;
    IMidiDriver& driver = GetMidiDriver();
    // Buffers handed back by the reset must stay out of the device.
    m_closing.store(true);
    driver.StopInput(handle);
    driver.ResetInput(handle);
    UnprepareBuffers();
    // A driver still holding a buffer refuses; it must have them all back before they go.
    if (driver.CloseInput(handle) != MidiOk) {
        driver.ResetInput(handle);
        UnprepareBuffers();
        driver.CloseInput(handle);
    }
    m_handle.store(nullptr);
    m_pending = nullptr;
    m_discarding = false;
}

uint32_t LMidiCapturePort::QueueBuffers()
{
    const MidiInputHandle handle = GetHandle();
    if (!handle)
        return MidiErrorFailed;
    IMidiDriver& driver = GetMidiDriver();
    for (InputBuffer& buffer : m_buffers) {
        buffer.preparedWith = handle;
        buffer.header.flags &= ~MidiBufferDone;
        buffer.header.recorded = 0;
        uint32_t result = driver.PrepareInputBuffer(handle, &buffer.header);
        if (result == MidiOk)
            result = driver.AddInputBuffer(handle, &buffer.header);
        if (result != MidiOk) {
            UnprepareBuffers();
            return result;
        }
    }
    return MidiOk;
}

void LMidiCapturePort::UnprepareBuffers()
{
    IMidiDriver& driver = GetMidiDriver();
    for (InputBuffer& buffer : m_buffers) {
        if (buffer.preparedWith) {
            driver.UnprepareInputBuffer(buffer.preparedWith, &buffer.header);
            buffer.preparedWith = nullptr;
        }
    }
}

VQRESULT LMidiCapturePort::ReleaseCyclicReferences()
{
    if (m_owner) {
        // Under the lock the list stands still: a request that found the port meanwhile holds a
        // reference of its own, and then the port stays.
        MutexLock lock(m_owner->GetPortLock());
        if (GetRefCount() != GetCyclicCount() + 1)
            return E_FAIL;
        if (m_owner->RemoveCapturePort(this) == S_OK)
            AddCyclicReferences(-1);
    }
    return LRefCountedObject::ReleaseCyclicReferences();
}

void LMidiCapturePort::Queue(const RCPtr<LMidiCaptureNotificationData>& data)
{
    m_owner->QueueCaptured(data);
}

void LMidiCapturePort::OnShortMessage(uint32_t message, uint32_t timeStamp)
{
    const uint8_t status = uint8_t(message & 0xFF);
    const uint32_t length = MidiShortMessageLength(status);
    const uint8_t bytes[3] = {status, uint8_t(message >> 8), uint8_t(message >> 16)};
    RCPtr<LMidiCaptureNotificationData> data = LMidiCaptureNotificationData::Create(m_name, LMidiComm::PortIdOf(this));
    data->SetTimeStamp(timeStamp);
    if (data->AppendBytes(bytes, length) == S_OK)
        Queue(data);
}

void LMidiCapturePort::OnLongData(const uint8_t* data, uint32_t count, bool complete)
{
    if (count == 0 || !data)
        return;
    if (m_discarding) {
        // The rest of a message that outgrew the limit; the buffer that completes it ends the skip.
        m_discarding = !complete;
        return;
    }
    if (!complete) {
        if (!m_pending)
            m_pending = LMidiCaptureNotificationData::Create(m_name, LMidiComm::PortIdOf(this));
        if (m_pending->GetCount() + uint64_t(count) > LMidiComm::MaxPendingSysExBytes ||
            m_pending->AppendBytes(data, count) != S_OK) {
            m_pending = nullptr;
            m_discarding = true;
        }
        return;
    }
    if (m_pending) {
        RCPtr<LMidiCaptureNotificationData> message = std::move(m_pending);
        m_pending = nullptr;
        if (message->GetCount() + uint64_t(count) <= LMidiComm::MaxPendingSysExBytes &&
            message->AppendBytes(data, count) == S_OK)
            Queue(message);
        return;
    }
    if (data[0] != 0xF0)
        return;
    RCPtr<LMidiCaptureNotificationData> message =
        LMidiCaptureNotificationData::Create(m_name, LMidiComm::PortIdOf(this));
    if (message->AppendBytes(data, count) == S_OK)
        Queue(message);
}

uint32_t LMidiCapturePort::RequeueBuffer(MidiBuffer* header)
{
    const MidiInputHandle handle = GetHandle();
    if (m_closing.load() || !handle)
        return ResultClosing;
    InputBuffer* buffer = nullptr;
    for (InputBuffer& candidate : m_buffers) {
        if (header && reinterpret_cast<uintptr_t>(&candidate) == header->user && &candidate.header == header)
            buffer = &candidate;
    }
    if (!buffer || !buffer->preparedWith)
        return MidiErrorFailed;
    IMidiDriver& driver = GetMidiDriver();
    buffer->header.flags &= ~MidiBufferDone;
    buffer->header.recorded = 0;
    uint32_t result = driver.PrepareInputBuffer(handle, &buffer->header);
    if (result == MidiOk)
        result = driver.AddInputBuffer(handle, &buffer->header);
    return result;
}

} // namespace VQ
