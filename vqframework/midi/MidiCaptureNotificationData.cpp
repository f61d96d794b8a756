#include "vqframework/midi/MidiCaptureNotificationData.h"

#include <cstring>

namespace VQ {

LMidiCaptureNotificationData::LMidiCaptureNotificationData(const StringT<char16_t, char>& portName,
                                                           uintptr_t sourceId)
    : m_sourceId(sourceId), m_portName(portName)
{
}

RCPtr<LMidiCaptureNotificationData> LMidiCaptureNotificationData::Create(const StringT<char16_t, char>& portName,
                                                                         uintptr_t sourceId)
{
    return RCPtr<LMidiCaptureNotificationData>(new LMidiCaptureNotificationData(portName, sourceId));
}

VQRESULT LMidiCaptureNotificationData::AppendBytes(const void* data, uint32_t count)
{
    if (count == 0)
        return S_OK;
    if (!data)
        return E_INVALIDARG;
    const uint32_t old = m_bytes.GetCount();
    if (uint64_t(old) + count > 0x7FFFFFFF || m_bytes.SetBufferCount(old + count) != int32_t(old + count))
        return E_OUTOFMEMORY;
    std::memcpy(m_bytes.GetData() + old, data, count);
    return S_OK;
}

} // namespace VQ
