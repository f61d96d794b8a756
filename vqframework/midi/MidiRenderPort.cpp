#include "vqframework/midi/MidiRenderPort.h"

#include "vqframework/midi/MidiComm.h"

namespace VQ {

using namespace Platform;

LMidiRenderPort::LMidiRenderPort(const StringT<char16_t, char>& name, LMidiComm* owner)
    : m_name(name), m_owner(owner)
{
    m_sendGate.Set();
}

LMidiRenderPort::~LMidiRenderPort() { Close(); }

RCPtr<LMidiRenderPort> LMidiRenderPort::Create(const StringT<char16_t, char>& name, LMidiComm* owner)
{
    if (name.IsEmpty() || !owner)
        return nullptr;
    return RCPtr<LMidiRenderPort>(new LMidiRenderPort(name, owner));
}

uint32_t LMidiRenderPort::Open()
{
    Close();
    uint32_t id = 0;
    if (!LMidiComm::ChooseDevice(false, m_name, id, m_deviceName))
        return MidiErrorNoDriver;
    IMidiDriver& driver = GetMidiDriver();
    MidiOutputHandle handle = nullptr;
    const uint32_t result =
        driver.OpenOutput(&handle, id, &LMidiComm::OutputCallback, reinterpret_cast<uintptr_t>(m_owner.Get()));
    if (result == MidiOk && handle)
        m_handle.store(handle);
    else if (handle)
        driver.CloseOutput(handle);
    return result;
}

void LMidiRenderPort::Close()
{
    if (const MidiOutputHandle handle = m_handle.exchange(nullptr))
        GetMidiDriver().CloseOutput(handle);
}

VQRESULT LMidiRenderPort::ReleaseCyclicReferences()
{
    if (m_owner) {
        // As for capture ports: a request that found the port meanwhile keeps it.
        MutexLock lock(m_owner->GetPortLock());
        if (GetRefCount() != GetCyclicCount() + 1)
            return E_FAIL;
        if (m_owner->RemoveRenderPort(this) == S_OK)
            AddCyclicReferences(-1);
    }
    return LRefCountedObject::ReleaseCyclicReferences();
}

} // namespace VQ
