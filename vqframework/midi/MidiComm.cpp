#include "vqframework/midi/MidiComm.h"

#include "vqframework/notification/Notification.h"
#include "vqframework/threads/Thread.h"

#include <string>

namespace VQ {

using namespace Platform;

namespace {

using String = StringT<char16_t, char>;
using StringArray = StringArrayT<char16_t, char>;

// The device names in id order, up to the first that cannot be read.
VQRESULT ReadDeviceNames(bool input, StringArray& names)
{
    IMidiDriver& driver = GetMidiDriver();
    const uint32_t count = input ? driver.GetInputCount() : driver.GetOutputCount();
    for (uint32_t id = 0; id < count; ++id) {
        std::u16string name;
        if ((input ? driver.GetInputName(id, name) : driver.GetOutputName(id, name)) != MidiOk)
            return E_FAIL;
        names.Add(String(name.c_str()));
    }
    return S_OK;
}

bool EqualIgnoringCase(const String& left, const String& right) { return left.ToLower() == right.ToLower(); }

} // namespace

uintptr_t LMidiCommInterface::PortIdOf(const LRefCountedObject* port) noexcept
{
    return reinterpret_cast<uintptr_t>(dynamic_cast<const void*>(port));
}

uintptr_t LMidiCommInterface::GetPortId(const RCPtr<LRefCountedObject>& port) const { return PortIdOf(port.Get()); }

int32_t LMidiCommInterface::FindFilterEntry(const LNotificationClient* client) const
{
    for (uint32_t index = 0; index < m_filters.GetCount(); ++index) {
        if (m_filters.GetAt(index).client.Get() == client)
            return int32_t(index);
    }
    return -1;
}

VQRESULT LMidiCommInterface::GetFilter(RCPtr<LIMidiFilterByIncludePrefixList>& filter,
                                       const RCPtr<LNotificationClient>& client) const
{
    MutexLock lock(m_filterLock);
    const int32_t index = FindFilterEntry(client.Get());
    filter = index >= 0 ? m_filters.GetAt(uint32_t(index)).filter : nullptr;
    return S_OK;
}

VQRESULT LMidiCommInterface::SetFilter(const RCPtr<LNotificationClient>& client, const RCPtr<LRefCountedObject>& filter)
{
    RCPtr<LIMidiFilterByIncludePrefixList> converted = RCPtrDynamicCast<LIMidiFilterByIncludePrefixList>(filter);
    // The entry taken out is released after the lock: its client may go with it.
    MidiFilterEntry removed;
    {
        MutexLock lock(m_filterLock);
        const int32_t index = FindFilterEntry(client.Get());
        if (index < 0) {
            if (converted && client)
                m_filters.Add(MidiFilterEntry{client, converted});
        } else if (converted) {
            m_filters.GetAt(uint32_t(index)).filter = converted;
        } else {
            removed = m_filters.GetAt(uint32_t(index));
            m_filters.Remove(uint32_t(index), 1);
        }
    }
    return S_OK;
}

VQRESULT LMidiCommInterface::DispatchCaptured(const RCPtr<LMidiCaptureNotificationData>& data)
{
    const char16_t* id = LNotification::InternID(MidiDataCapturedName);
    RCPtr<LNotificationClientPool> pool = FindClientPool(id);
    if (!pool)
        return S_FALSE;
    const RCPtr<LNotificationDistributor> self(this);
    RCPtr<LNotification> notification;
    MutexLock lock(m_filterLock);
    for (int32_t index = int32_t(pool->GetClientCount()) - 1; index >= 0; --index) {
        RCPtr<LNotificationClient> client = pool->GetClientAt(index);
        if (!client)
            continue;
        const int32_t entry = FindFilterEntry(client.Get());
        // A copy: the filter may change the list while it runs.
        const RCPtr<LIMidiFilterByIncludePrefixList> filter =
            entry >= 0 ? m_filters.GetAt(uint32_t(entry)).filter : nullptr;
        const bool included = !filter || !data || data->GetCount() == 0 || filter->IsIncluded(data->GetBytes());
        if (!included)
            continue;
        if (!notification)
            notification = LNotification::Create(id, data);
        index = pool->SendToClient(self, index, notification);
    }
    return S_OK;
}

LMidiComm::LMidiComm() : m_pool(LThreadPool::Create(1, Thread::PriorityHighest)) {}

LMidiComm::~LMidiComm()
{
    // Every port is closed, so no callback can start; one already running may still be on its way
    // into this object (waiting for the port lock, say).
    GetMidiDriver().WaitForCallbacks(reinterpret_cast<uintptr_t>(this));
    // Stops the dispatch thread; on that thread itself the pool leaves it to end after this item.
    m_pool = nullptr;
}

RCPtr<LMidiComm> LMidiComm::Create() { return RCPtr<LMidiComm>(new LMidiComm()); }

VQRESULT LMidiComm::GetCapturePortNames(StringArray& names) const
{
    StringArray found;
    const VQRESULT result = ReadDeviceNames(true, found);
    NumberDuplicatePortNames(found, names);
    return result;
}

VQRESULT LMidiComm::GetRenderPortNames(StringArray& names) const
{
    StringArray found;
    const VQRESULT result = ReadDeviceNames(false, found);
    NumberDuplicatePortNames(found, names);
    return result;
}

int32_t LMidiComm::GetOpenCapturePortNames(StringArray& names) const
{
    MutexLock lock(m_portLock);
    names.Clear();
    for (const RCPtr<LMidiCapturePort>& port : m_capturePorts)
        names.Add(port->GetName());
    return int32_t(names.GetCount());
}

int32_t LMidiComm::GetOpenRenderPortNames(StringArray& names) const
{
    MutexLock lock(m_portLock);
    names.Clear();
    for (const RCPtr<LMidiRenderPort>& port : m_renderPorts)
        names.Add(port->GetDeviceName());
    return int32_t(names.GetCount());
}

int32_t LMidiComm::FindPortName(const StringArray& names, const String& name, int32_t& index)
{
    const String wanted = name.ToLower();
    index = -1;
    int32_t count = 0;
    for (uint32_t i = 0; i < names.GetCount(); ++i) {
        const String entry = names.GetAt(i).ToLower();
        if (entry.Find(wanted) < 0)
            continue;
        if (entry == wanted) {
            index = int32_t(i);
            return 1;
        }
        if (count++ == 0)
            index = int32_t(i);
    }
    return count;
}

void LMidiComm::NumberDuplicatePortNames(const StringArray& names, StringArray& numbered)
{
    StringArray out;
    std::vector<bool> taken(names.GetCount(), false);
    for (uint32_t i = 0; i < names.GetCount(); ++i) {
        if (taken[i])
            continue;
        const String& name = names.GetAt(i);
        uint32_t total = 1;
        for (uint32_t j = i + 1; j < names.GetCount(); ++j) {
            if (!taken[j] && names.GetAt(j) == name) {
                taken[j] = true;
                ++total;
            }
        }
        if (total == 1) {
            out.Add(name);
            continue;
        }
        for (uint32_t k = 1; k <= total; ++k)
            out.Add(name + String::Format(u" (%d)", int32_t(k)));
    }
    numbered = out;
}

void LMidiComm::SplitPortNameSuffix(const String& name, String& base, int32_t& number)
{
    const int32_t length = name.GetLength();
    const char16_t* text = name.GetString();
    if (length >= 4 && text[length - 3] == u'(' && text[length - 1] == u')') {
        number = name.Mid(length - 2, 1).ToInt();
        base = name.Left(length - 4);
    } else if (length >= 5 && text[length - 4] == u'(' && text[length - 1] == u')') {
        number = name.Mid(length - 3, 2).ToInt();
        base = name.Left(length - 5);
    } else {
        number = 0;
        base = name;
    }
}

int32_t LMidiComm::GetShortMessageLength(uint8_t status) noexcept
{
    if (status >= 0x80 && status <= 0xBF)
        return 3;
    if (status >= 0xC0 && status <= 0xDF)
        return 2;
    if (status >= 0xE0 && status <= 0xEF)
        return 3;
    switch (status) {
    case 0xF0:
    case 0xF7:
        return 0;
    case 0xF1:
        return 2;
    case 0xF2:
        return 3;
    case 0xF3:
    case 0xF4:
    case 0xF5:
        return 2;
    default:
        return 1;
    }
}

bool LMidiComm::ChooseDevice(bool input, const String& name, uint32_t& id, String& deviceName)
{
    String base;
    int32_t number = 0;
    SplitPortNameSuffix(name, base, number);
    const String wanted = base.ToLower();
    IMidiDriver& driver = GetMidiDriver();
    const uint32_t count = input ? driver.GetInputCount() : driver.GetOutputCount();
    // Every name is read, to number the chosen one as the name list does.
    StringArray names;
    int32_t chosen = -1;
    int32_t equal = -1;
    int32_t matches = 0;
    for (uint32_t device = 0; device < count; ++device) {
        std::u16string text;
        if ((input ? driver.GetInputName(device, text) : driver.GetOutputName(device, text)) != MidiOk)
            text.clear();
        names.Add(String(text.c_str()));
        const String lower = names.GetAt(device).ToLower();
        if (lower.Find(wanted) < 0)
            continue;
        ++matches;
        if (number == 0 && equal < 0 && lower == wanted)
            equal = int32_t(device);
        if (chosen < 0 && (number == 0 || matches == number))
            chosen = int32_t(device);
    }
    if (equal >= 0)
        chosen = equal;
    if (chosen < 0)
        return false;
    id = uint32_t(chosen);
    const String& own = names.GetAt(id);
    int32_t total = 0;
    int32_t rank = 0;
    for (uint32_t device = 0; device < names.GetCount(); ++device) {
        if (names.GetAt(device) == own) {
            ++total;
            if (device <= id)
                ++rank;
        }
    }
    deviceName = total > 1 ? own + String::Format(u" (%d)", rank) : own;
    return true;
}

VQRESULT LMidiComm::OpenCapturePort(const String& name, RCPtr<LRefCountedObject>& port)
{
    // Released before the lock is taken: the last release of a port closes its device.
    port = nullptr;
    // Declared before the lock, so that their releases, which may close a device, come after it.
    RCPtr<LMidiCapturePort> found;
    RCPtr<LMidiCapturePort> created;
    RCPtr<LMidiCapturePort> result;
    {
        MutexLock lock(m_portLock);
        IMidiDriver& driver = GetMidiDriver();
        StringArray names;
        (void)GetCapturePortNames(names);
        int32_t index = -1;
        const int32_t count = FindPortName(names, name, index);
        if (count >= 2)
            return E_INVALIDARG;
        if (count == 1) {
            for (const RCPtr<LMidiCapturePort>& open : m_capturePorts) {
                if (EqualIgnoringCase(open->GetName(), name)) {
                    found = open;
                    break;
                }
            }
        }
        if (found) {
            std::u16string deviceName;
            if (driver.GetInputNameOfHandle(found->GetHandle(), deviceName) == MidiOk)
                result = found;
            else if (found->Open() == MidiOk && driver.StartInput(found->GetHandle()) == MidiOk)
                result = found;
        } else {
            created = LMidiCapturePort::Create(name, this);
            if (created && created->Open() == MidiOk) {
                m_capturePorts.Add(created);
                created->AddCyclicReferences(1);
                if (driver.StartInput(created->GetHandle()) == MidiOk) {
                    result = created;
                } else {
                    created->Close();
                    RemoveCapturePort(created.Get());
                    created->AddCyclicReferences(-1);
                }
            }
        }
    }
    port = result;
    return result ? S_OK : E_FAIL;
}

VQRESULT LMidiComm::OpenRenderPort(const String& name, RCPtr<LRefCountedObject>& port)
{
    port = nullptr;
    RCPtr<LMidiRenderPort> found;
    RCPtr<LMidiRenderPort> created;
    RCPtr<LMidiRenderPort> result;
    {
        MutexLock lock(m_portLock);
        IMidiDriver& driver = GetMidiDriver();
        StringArray names;
        (void)GetRenderPortNames(names);
        int32_t index = -1;
        const int32_t count = FindPortName(names, name, index);
        if (count >= 2)
            return E_INVALIDARG;
        if (count == 1) {
            const String& entry = names.GetAt(uint32_t(index));
            for (const RCPtr<LMidiRenderPort>& open : m_renderPorts) {
                if (EqualIgnoringCase(open->GetDeviceName(), entry)) {
                    found = open;
                    break;
                }
            }
        }
        if (found) {
            std::u16string deviceName;
            if (driver.GetOutputNameOfHandle(found->GetHandle(), deviceName) == MidiOk || found->Open() == MidiOk)
                result = found;
        } else {
            created = LMidiRenderPort::Create(name, this);
            if (created && created->Open() == MidiOk) {
                m_renderPorts.Add(created);
                created->AddCyclicReferences(1);
                result = created;
            }
        }
    }
    port = result;
    return result ? S_OK : E_FAIL;
}

VQRESULT LMidiComm::Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& message)
{
    if (!message)
        return Send(port, nullptr, 0);
    return Send(port, reinterpret_cast<const uint8_t*>(message->GetData()), message->GetSize());
}

VQRESULT LMidiComm::Send(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& message)
{
    return Send(port, reinterpret_cast<const uint8_t*>(message.GetData()), message.GetCount());
}

VQRESULT LMidiComm::Send(const RCPtr<LRefCountedObject>& port, const uint8_t* bytes, uint32_t count)
{
    LMidiRenderPort* render = dynamic_cast<LMidiRenderPort*>(port.Get());
    if (!render || !bytes || count == 0 || count > 0x7FFFFFFF)
        return E_INVALIDARG;
    MutexLock sendLock(render->GetSendLock());
    TrafficLight& gate = render->GetSendGate();
    (void)gate.Wait(SendTimeoutMs);
    IMidiDriver& driver = GetMidiDriver();
    const MidiOutputHandle handle = render->GetHandle();
    const uint8_t status = bytes[0];
    if (status >= 0x80 && status != 0xF0 && status != 0xF7) {
        uint32_t word = status;
        if (count > 1)
            word |= uint32_t(bytes[1]) << 8;
        if (count > 2)
            word |= uint32_t(bytes[2]) << 16;
        if (driver.SendShort(handle, word) != MidiOk)
            return E_FAIL;
        return GetShortMessageLength(status);
    }
    MidiBuffer header{};
    header.data = const_cast<uint8_t*>(bytes);
    header.length = count;
    header.recorded = count;
    if (driver.PrepareOutputBuffer(handle, &header) != MidiOk)
        return E_FAIL;
    gate.Reset();
    render->SetInFlight(&header);
    bool sent = driver.SendLong(handle, &header) == MidiOk;
    if (sent)
        sent = gate.Wait(SendTimeoutMs) == WaitObject0;
    render->SetInFlight(nullptr);
    driver.UnprepareOutputBuffer(handle, &header);
    gate.Set();
    return sent ? VQRESULT(count) : E_FAIL;
}

VQRESULT LMidiComm::RemoveCapturePort(const LMidiCapturePort* port)
{
    MutexLock lock(m_portLock);
    for (uint32_t index = 0; index < m_capturePorts.GetCount(); ++index) {
        if (m_capturePorts.GetAt(index).Get() == port) {
            m_capturePorts.Remove(index, 1);
            return S_OK;
        }
    }
    return E_FAIL;
}

VQRESULT LMidiComm::RemoveRenderPort(const LMidiRenderPort* port)
{
    MutexLock lock(m_portLock);
    for (uint32_t index = 0; index < m_renderPorts.GetCount(); ++index) {
        if (m_renderPorts.GetAt(index).Get() == port) {
            m_renderPorts.Remove(index, 1);
            return S_OK;
        }
    }
    return E_FAIL;
}

void LMidiComm::InputCallback(MidiInputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                              uintptr_t param2)
{
    if (auto* comm = reinterpret_cast<LMidiComm*>(instance))
        comm->OnMidiInMessage(device, event, param1, param2);
}

void LMidiComm::OutputCallback(MidiOutputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                               uintptr_t param2)
{
    if (auto* comm = reinterpret_cast<LMidiComm*>(instance))
        comm->OnMidiOutMessage(device, event, param1, param2);
}

void LMidiComm::OnMidiInMessage(MidiInputHandle device, uint32_t event, uintptr_t param1, uintptr_t param2)
{
    // No counted reference to the port is taken here: its last release would close the device
    // from inside the driver's own callback.
    MutexLock lock(m_portLock);
    LMidiCapturePort* port = nullptr;
    for (uint32_t index = m_capturePorts.GetCount(); index-- > 0;) {
        if (m_capturePorts.GetAt(index)->GetHandle() == device) {
            port = m_capturePorts.GetAt(index).Get();
            break;
        }
    }
    if (!port)
        return;
    switch (event) {
    case MidiInputData:
    case MidiInputMoreData:
        port->OnShortMessage(uint32_t(param1), uint32_t(param2));
        break;
    case MidiInputLongData:
        if (auto* header = reinterpret_cast<MidiBuffer*>(param1)) {
            // A close hands back part-filled buffers: what they hold is a message cut short.
            if (port->IsClosing()) {
                port->RequeueBuffer(header);
                break;
            }
            const uint32_t count = header->recorded < header->length ? header->recorded : header->length;
            const bool complete = count < MidiInputBufferSize || (count > 0 && header->data[count - 1] == 0xF7);
            port->OnLongData(header->data, count, complete);
            port->RequeueBuffer(header);
        }
        break;
    case MidiInputLongError:
        if (auto* header = reinterpret_cast<MidiBuffer*>(param1))
            port->RequeueBuffer(header);
        break;
    default:
        break;
    }
}

void LMidiComm::OnMidiOutMessage(MidiOutputHandle device, uint32_t event, uintptr_t param1, uintptr_t)
{
    if (event != MidiOutputDone)
        return;
    MutexLock lock(m_portLock);
    for (uint32_t index = m_renderPorts.GetCount(); index-- > 0;) {
        LMidiRenderPort& port = *m_renderPorts.GetAt(index);
        if (port.GetHandle() == device) {
            // A late completion of a message given up on must not open the gate for the next one.
            if (port.GetInFlight() == reinterpret_cast<MidiBuffer*>(param1))
                port.GetSendGate().Set();
            return;
        }
    }
}

void LMidiComm::QueueCaptured(const RCPtr<LMidiCaptureNotificationData>& data)
{
    if (m_pool)
        m_pool->QueueWork(RCPtr<LThreadWorker>(static_cast<LThreadWorker*>(this)), data, Thread::PriorityNormal);
}

VQRESULT LMidiComm::Run(const RCPtr<LRefCountedObject>& parameters)
{
    return DispatchCaptured(RCPtrDynamicCast<LMidiCaptureNotificationData>(parameters));
}

} // namespace VQ
