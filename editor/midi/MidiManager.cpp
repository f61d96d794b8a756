#include "editor/midi/MidiManager.h"

#include "devicecontrol/generatedcode/engine/src/RootModuleEngine.h"
#include "editor/midi/ProgramMessages.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/ParamValue.h"

namespace VQ {

namespace {

constexpr signed char SysExStart = static_cast<signed char>(0xF0);
constexpr signed char SysExEnd = static_cast<signed char>(0xF7);

Array<signed char> MakeBytes(std::initializer_list<uint8_t> bytes)
{
    Array<signed char> array;
    for (const uint8_t byte : bytes)
        array.InsertAt(array.GetCount(), static_cast<signed char>(byte));
    return array;
}

} // namespace

RCPtr<LMidiManager> LMidiManager::Create()
{
    RCPtr<LMidiManager> manager(new LMidiManager());
    if (manager->m_handlers)
        manager->m_comm = LMidiComm::Create();
    return manager;
}

LMidiManager::LMidiManager() : m_handlers(LNotificationHandler<LMidiManager>::Create(this)) {}

LMidiManager::~LMidiManager() = default;

int32_t LMidiManager::SendPresetToDevice(uint8_t program)
{
    // A number above 0x7F would be a status byte inside the SysEx.
    if (program > 0x7F)
        return -1;
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return -1;
    const RCPtr<LMidiComm> comm = m_comm;
    RCPtr<LRefCountedObject> output;
    (void)comm->OpenRenderPort(model, output);
    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetInstance();
    if (!output || !engine)
        return -1;

    Array<ParamValue> current;
    (void)engine->GetParamValues(ParamRange{engine->GetFirstParamID(), static_cast<int32_t>(ProgramValueCount)}, current, -1);
    Array<Variant> values;
    values.SetCount(current.GetCount());
    for (uint32_t i = 0; i < current.GetCount(); ++i)
        values.GetAt(i) = current.GetAt(i).value;
    Array<signed char> body;
    if (!BuildSendProgramBody(program, values, body))
        return -1;

    const VQRESULT sent = SendSysEx(body, output);
    return sent < 0 ? -1 : sent;
}

int32_t LMidiManager::GetPresetFromMidiDevice(uint8_t program)
{
    // A number above 0x7F would be a status byte inside the SysEx.
    if (program > 0x7F)
        return -1;
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return -1;
    Array<signed char> request;
    BuildGetProgramRequest(program, request);

    // A missing input port shows as a time-out, a missing output port as a send failure.
    const RCPtr<LMidiComm> comm = m_comm;
    RCPtr<LRefCountedObject> output;
    RCPtr<LRefCountedObject> input;
    (void)comm->OpenRenderPort(model, output);
    (void)comm->OpenCapturePort(model, input);

    VQ_CHECK_RESULT(m_handlers->RegisterHandler(&LMidiManager::OnMidiDataCaptured, comm, MidiDataCapturedName, 0));
    {
        MutexLock lock(m_replyLock);
        m_programReply.Reset();
        m_awaitingProgram = true;
    }
    const bool sent = SendSysEx(request, output) >= 0;
    if (sent && !m_programReply.IsSignaled())
        (void)m_programReply.Wait(ReplyTimeoutMs);
    int32_t result = -1;
    {
        MutexLock lock(m_replyLock);
        m_awaitingProgram = false;
        if (sent)
            result = m_programReply.IsSignaled() ? 0 : -3;
    }

    VQRESULT unregistered = S_OK;
    const bool removed = UnregisterCaptures(comm, unregistered);
    VQ_CHECK_RESULT(!removed ? E_FAIL : unregistered);
    return result;
}

VQRESULT LMidiManager::TestOutputPort(const String&)
{
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return -1;
    RCPtr<LRefCountedObject> output;
    return m_comm->OpenRenderPort(model, output);
}

VQRESULT LMidiManager::RequestNonPresetParameterFromDevice(int32_t, const String&)
{
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return E_FAIL;
    const RCPtr<LMidiComm> comm = m_comm;
    RCPtr<LRefCountedObject> output;
    RCPtr<LRefCountedObject> input;
    (void)comm->OpenRenderPort(model, output);
    const VQRESULT opened = comm->OpenCapturePort(model, input);

    VQ_CHECK_RESULT(m_handlers->RegisterHandler(&LMidiManager::OnMidiDataCaptured, comm, MidiDataCapturedName, 0));
    m_parameterReply.Reset();
    VQRESULT unregistered = S_OK;
    const bool removed = UnregisterCaptures(comm, unregistered);
    VQ_CHECK_RESULT(!removed ? E_FAIL : unregistered);
    return opened;
}

VQRESULT LMidiManager::SendMessage(const IArray<signed char>& bytes)
{
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return -1;
    RCPtr<LRefCountedObject> output;
    const VQRESULT opened = m_comm->OpenRenderPort(model, output);
    if (opened < 0 || !output)
        return opened;
    return m_comm->Send(output, bytes);
}

bool LMidiManager::IsDevicePresent()
{
    const String model(ModelName);
    return OpenDevicePorts(model, model);
}

bool LMidiManager::IsDeviceFirmwareVersionUseable()
{
    const String model(ModelName);
    if (!OpenDevicePorts(model, model))
        return false;
    const RCPtr<LMidiComm> comm = m_comm;
    RCPtr<LRefCountedObject> input;
    if (comm->OpenCapturePort(model, input) < 0 || !input)
        return false;
    RCPtr<LRefCountedObject> output;
    (void)comm->OpenRenderPort(model, output);

    VQ_CHECK_RESULT(m_handlers->RegisterHandler(&LMidiManager::OnMidiDataCaptured, comm, MidiDataCapturedName, 0));
    m_identityReply.Reset();
    if (SendIdentityRequest(output) >= 0 && !m_identityReply.IsSignaled())
        (void)m_identityReply.Wait(ReplyTimeoutMs);
    const bool answered = m_identityReply.IsSignaled();
    VQRESULT unregistered = S_OK;
    const bool removed = UnregisterCaptures(comm, unregistered);
    VQ_CHECK_RESULT(!removed ? E_FAIL : unregistered);
    return answered;
}

VQRESULT LMidiManager::SendIdentityRequest(const RCPtr<LRefCountedObject>& port)
{
    if (!port)
        return E_FAIL;
    return SendSysEx(MakeBytes({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}), port);
}

bool LMidiManager::OpenDevicePorts(const String& inputName, const String& outputName)
{
    if (!m_handlers)
        return false;
    RCPtr<LMidiComm> comm = LMidiComm::Create();
    if (!comm)
        return false;
    RCPtr<LMidiComm> previous;
    {
        MutexLock lock(m_replyLock);
        previous = m_comm;
        m_comm = comm;
    }
    // The old layer goes outside the lock: its pool thread may be waiting for it in the reply handler.
    if (previous) {
        VQRESULT unregistered = S_OK;
        (void)UnregisterCaptures(previous, unregistered);
        previous = nullptr;
    }

    (void)m_handlers->RegisterHandler(&LMidiManager::OnMidiDataCaptured, comm, MidiDataCapturedName, 0);
    RCPtr<LRefCountedObject> input;
    RCPtr<LRefCountedObject> output;
    (void)comm->OpenCapturePort(inputName, input);
    (void)comm->OpenRenderPort(outputName, output);
    return input && output;
}

VQRESULT LMidiManager::SendSysEx(const IArray<signed char>& message, const RCPtr<LRefCountedObject>& port)
{
    const RCPtr<LMidiComm> comm = m_comm;
    if (!port || !comm)
        return -1;
    const uint32_t count = message.GetCount();
    Array<signed char> framed;
    if (count == 1 && (message.GetAt(0u) == SysExStart || message.GetAt(0u) == SysExEnd))
        return E_FAIL;
    if (count == 0 || message.GetAt(0u) != SysExStart)
        framed.InsertAt(0, SysExStart);
    for (uint32_t i = 0; i < count; ++i)
        framed.InsertAt(framed.GetCount(), message.GetAt(i));
    if (count == 1 || count == 0 || message.GetAt(count - 1) != SysExEnd)
        framed.InsertAt(framed.GetCount(), SysExEnd);
    return comm->Send(port, framed);
}

void LMidiManager::Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
{
    if (m_handlers)
        m_handlers->Dispatch(sender, notification);
}

VQRESULT LMidiManager::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    if (m_handlers && distributor && id)
        m_handlers->RemoveHandler(distributor, id);
    return LNotificationClient::Unregister(distributor, id);
}

bool LMidiManager::UnregisterCaptures(const RCPtr<LMidiComm>& comm, VQRESULT& unregistered)
{
    // The client's own removal: the override would erase the table entry first.
    unregistered = LNotificationClient::Unregister(comm, LNotification::InternID(MidiDataCapturedName));
    return m_handlers->RemoveHandler(comm, MidiDataCapturedName);
}

VQRESULT LMidiManager::OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& sender,
                                          const RCPtr<LNotification>& notification)
{
    const RCPtr<LMidiCaptureNotificationData> data =
        RCPtrDynamicCast<LMidiCaptureNotificationData>(notification->GetPayload());
    if (!data)
        return S_OK;
    Array<Variant> values;
    const LMidiCaptureNotificationData::Bytes& bytes = data->GetBytes();
    if (!ParseProgramReply(bytes.GetData(), bytes.GetCount(), values))
        return S_OK;

    MutexLock lock(m_replyLock);
    // Replies to an earlier layer, after a get gave up, or after the first reply are not this get's.
    if (!m_comm || sender.Get() != static_cast<LNotificationDistributor*>(m_comm.Get()) || !m_awaitingProgram ||
        m_programReply.IsSignaled())
        return S_OK;
    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetInstance();
    if (!engine)
        return S_OK;
    Array<ParamValue> current;
    (void)engine->GetParamValues(ParamRange{engine->GetFirstParamID(), static_cast<int32_t>(ProgramValueCount)}, current, -1);
    if (current.GetCount() != ProgramValueCount)
        return S_OK;
    for (uint32_t i = 0; i < ProgramValueCount; ++i)
        (void)engine->SetParamValue(current.GetAt(i), values.GetAt(i));
    m_awaitingProgram = false;
    m_programReply.Set();
    return 1;
}

} // namespace VQ
