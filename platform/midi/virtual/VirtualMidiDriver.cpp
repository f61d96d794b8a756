#include "platform/midi/virtual/VirtualMidiDriver.h"

#include "platform/midi/MidiDriverBackEnds.h"
#include "platform/midi/virtual/VirtualMidiEndpoints.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace VQ::Platform {

namespace {

using Clock = std::chrono::steady_clock;

// Shared by every driver, so that no handle value is ever given twice in the process.
std::atomic<uintptr_t> g_nextHandle{1};

std::u16string CutName(const std::u16string& name)
{
    if (name.size() <= MidiMaxNameLength)
        return name;
    size_t length = MidiMaxNameLength;
    // Never leave half of a surrogate pair at the end.
    if (name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF)
        --length;
    return name.substr(0, length);
}

// Data bytes that follow a status byte in received input.
uint32_t DataBytesOf(uint8_t status)
{
    return MidiShortMessageLength(status) - 1;
}

struct InputDevice {
    std::u16string name;
    bool removed = false;
    // The open handle on the device; an input is opened by one user at a time.
    uintptr_t openHandle = 0;
    VirtualMidi::Endpoint* endpoint = nullptr;
};

struct OutputDevice {
    std::u16string name;
    bool removed = false;
    bool holdCompletions = false;
    VirtualMidi::Endpoint* endpoint = nullptr;
    std::vector<std::vector<uint8_t>> sent;
};

struct InputPort {
    struct Byte {
        uint8_t value;
        uint32_t time;
    };

    std::shared_ptr<InputDevice> device;
    MidiInputCallback callback = nullptr;
    uintptr_t instance = 0;
    bool started = false;
    Clock::time_point startTime;
    std::deque<Byte> incoming;
    std::deque<MidiBuffer*> queued;
    // The message being read: its status (0 for none; kept as running status), its data so far.
    uint8_t status = 0;
    uint8_t data[2] = {0, 0};
    uint32_t dataCount = 0;
    bool inSysEx = false;

    void ForgetInput()
    {
        incoming.clear();
        status = 0;
        dataCount = 0;
        inSysEx = false;
    }
};

struct OutputPort {
    struct Sending {
        MidiBuffer* buffer;
        // Still being handed to the far side; its completion waits.
        bool pending;
        // Its owner tried to unprepare it; the driver no longer writes to it.
        bool detached;
    };

    std::shared_ptr<OutputDevice> device;
    MidiOutputCallback callback = nullptr;
    uintptr_t instance = 0;
    std::deque<Sending> sending;
};

// One callback to make, found under the lock and made without it.
struct Delivery {
    MidiInputCallback inputCallback = nullptr;
    MidiOutputCallback outputCallback = nullptr;
    uintptr_t handle = 0;
    uintptr_t instance = 0;
    uint32_t event = 0;
    uintptr_t param1 = 0;
    uintptr_t param2 = 0;

    void Make() const
    {
        if (inputCallback)
            inputCallback(reinterpret_cast<MidiInputHandle>(handle), event, instance, param1, param2);
        else if (outputCallback)
            outputCallback(reinterpret_cast<MidiOutputHandle>(handle), event, instance, param1, param2);
    }
};

uintptr_t KeyOf(MidiInputHandle device) { return reinterpret_cast<uintptr_t>(device); }
uintptr_t KeyOf(MidiOutputHandle device) { return reinterpret_cast<uintptr_t>(device); }

} // namespace

struct VirtualMidiDriver::State {
    std::mutex mutex;
    std::condition_variable workArrived;
    std::condition_variable sentChanged;
    std::vector<std::shared_ptr<InputDevice>> inputs;
    std::vector<std::shared_ptr<OutputDevice>> outputs;
    std::map<uintptr_t, InputPort> inputPorts;
    std::map<uintptr_t, OutputPort> outputPorts;
    // Kept until the driver goes: the devices and senders use them without the lock.
    std::vector<std::unique_ptr<VirtualMidi::Endpoint>> endpoints;
    bool stopping = false;
    std::thread thread;
    // The instance value of the callback the thread is running, 0 when none; idle tells its end.
    uintptr_t runningInstance = 0;
    std::condition_variable idle;

    void Run();
    bool NextDelivery(Delivery& delivery);
    bool NextInputDelivery(uintptr_t key, InputPort& port, Delivery& delivery);
    void FeedLocked(InputDevice& device, const std::vector<uint8_t>& bytes);
    VirtualMidi::FeedFunction FeedFunctionOf(uint32_t inputId);
    void Attach(uint32_t inputId, uint32_t outputId, VirtualMidi::Endpoint* endpoint);

    InputPort* FindInput(MidiInputHandle device)
    {
        auto it = inputPorts.find(KeyOf(device));
        return it == inputPorts.end() ? nullptr : &it->second;
    }

    OutputPort* FindOutput(MidiOutputHandle device)
    {
        auto it = outputPorts.find(KeyOf(device));
        return it == outputPorts.end() ? nullptr : &it->second;
    }

    uint32_t Send(MidiOutputHandle device, std::vector<uint8_t> message, MidiBuffer* buffer);
};

void VirtualMidiDriver::State::Run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (stopping)
            return;
        Delivery delivery;
        if (!NextDelivery(delivery)) {
            workArrived.wait(lock);
            continue;
        }
        runningInstance = delivery.instance;
        lock.unlock();
        delivery.Make();
        lock.lock();
        runningInstance = 0;
        idle.notify_all();
    }
}

bool VirtualMidiDriver::State::NextDelivery(Delivery& delivery)
{
    for (auto& [key, port] : inputPorts) {
        if (port.started && !port.device->removed && NextInputDelivery(key, port, delivery))
            return true;
    }
    delivery = Delivery{};
    for (auto& [key, port] : outputPorts) {
        // The owner gave up on these and may have freed them: no word of them goes back.
        while (!port.sending.empty() && port.sending.front().detached && !port.sending.front().pending)
            port.sending.pop_front();
        if (port.sending.empty() || port.sending.front().pending || port.device->holdCompletions)
            continue;
        const OutputPort::Sending sent = port.sending.front();
        port.sending.pop_front();
        sent.buffer->flags = (sent.buffer->flags | MidiBufferDone) & ~MidiBufferQueued;
        delivery.outputCallback = port.callback;
        delivery.handle = key;
        delivery.instance = port.instance;
        delivery.event = MidiOutputDone;
        delivery.param1 = reinterpret_cast<uintptr_t>(sent.buffer);
        return true;
    }
    return false;
}

// Reads the port's input up to the next callback: a short message, or a buffer full or at F7. False
// when the input is used up, or SysEx bytes wait for a buffer.
bool VirtualMidiDriver::State::NextInputDelivery(uintptr_t key, InputPort& port, Delivery& delivery)
{
    delivery.inputCallback = port.callback;
    delivery.handle = key;
    delivery.instance = port.instance;
    const auto handBack = [&] {
        MidiBuffer* buffer = port.queued.front();
        port.queued.pop_front();
        buffer->flags = (buffer->flags | MidiBufferDone) & ~MidiBufferQueued;
        delivery.event = MidiInputLongData;
        delivery.param1 = reinterpret_cast<uintptr_t>(buffer);
        delivery.param2 = 0;
    };
    const auto shortMessage = [&](uint32_t message, uint32_t time) {
        delivery.event = MidiInputData;
        delivery.param1 = message;
        delivery.param2 = time;
    };
    // Stores a SysEx byte; true when that completed the buffer.
    const auto store = [&](uint8_t value) {
        MidiBuffer* buffer = port.queued.front();
        buffer->data[buffer->recorded++] = value;
        port.incoming.pop_front();
        if (value == 0xF7 || buffer->recorded >= buffer->length) {
            handBack();
            return true;
        }
        return false;
    };

    while (!port.incoming.empty()) {
        const InputPort::Byte byte = port.incoming.front();
        if (byte.value >= 0xF8) {
            port.incoming.pop_front();
            shortMessage(byte.value, byte.time);
            return true;
        }
        if (port.inSysEx) {
            if (byte.value < 0x80 || byte.value == 0xF7) {
                if (port.queued.empty())
                    return false;
                if (byte.value == 0xF7)
                    port.inSysEx = false;
                if (store(byte.value))
                    return true;
                continue;
            }
            // Any other status byte ends the message unfinished; what it left in a buffer goes back
            // before the byte is read again as the start of the next message.
            port.inSysEx = false;
            if (!port.queued.empty() && port.queued.front()->recorded > 0) {
                handBack();
                return true;
            }
            continue;
        }
        if (byte.value == 0xF0) {
            if (port.queued.empty())
                return false;
            // A buffer left part-filled by input that stopped mid-message goes back on its own.
            if (port.queued.front()->recorded > 0) {
                handBack();
                return true;
            }
            port.status = 0;
            port.dataCount = 0;
            port.inSysEx = true;
            if (store(byte.value))
                return true;
            continue;
        }
        port.incoming.pop_front();
        if (byte.value >= 0x80) {
            port.dataCount = 0;
            port.status = DataBytesOf(byte.value) > 0 ? byte.value : 0;
            if (byte.value == 0xF6) {
                shortMessage(byte.value, byte.time);
                return true;
            }
            continue;
        }
        if (port.status == 0)
            continue;
        port.data[port.dataCount++] = byte.value;
        if (port.dataCount < DataBytesOf(port.status))
            continue;
        uint32_t message = port.status;
        for (uint32_t i = 0; i < port.dataCount; ++i)
            message |= uint32_t(port.data[i]) << (8 * (i + 1));
        port.dataCount = 0;
        // Running status holds for channel messages only.
        if (port.status >= 0xF0)
            port.status = 0;
        shortMessage(message, byte.time);
        return true;
    }
    return false;
}

void VirtualMidiDriver::State::FeedLocked(InputDevice& device, const std::vector<uint8_t>& bytes)
{
    if (device.removed || device.openHandle == 0 || bytes.empty())
        return;
    InputPort& port = inputPorts.at(device.openHandle);
    if (!port.started)
        return;
    const auto time =
        uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - port.startTime).count());
    // Input nobody takes (SysEx with no buffer queued, a flooding peer) is kept up to a limit.
    constexpr size_t MaxWaiting = size_t(4) << 20;
    for (uint8_t value : bytes) {
        if (port.incoming.size() >= MaxWaiting)
            break;
        port.incoming.push_back({value, time});
    }
    workArrived.notify_all();
}

VirtualMidi::FeedFunction VirtualMidiDriver::State::FeedFunctionOf(uint32_t inputId)
{
    if (inputId >= inputs.size())
        return [](const std::vector<uint8_t>&) {};
    // Bound to the device, not its id, which moves when an earlier device goes.
    return [this, device = inputs[inputId]](const std::vector<uint8_t>& bytes) {
        std::lock_guard lock(mutex);
        FeedLocked(*device, bytes);
    };
}

void VirtualMidiDriver::State::Attach(uint32_t inputId, uint32_t outputId, VirtualMidi::Endpoint* endpoint)
{
    if (inputId < inputs.size())
        inputs[inputId]->endpoint = endpoint;
    if (outputId < outputs.size())
        outputs[outputId]->endpoint = endpoint;
}

// A message to the far side; with a buffer, its completion follows on the driver's thread.
uint32_t VirtualMidiDriver::State::Send(MidiOutputHandle device, std::vector<uint8_t> message, MidiBuffer* buffer)
{
    std::unique_lock lock(mutex);
    OutputPort* port = FindOutput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (port->device->removed)
        return MidiErrorNoDriver;
    if (buffer) {
        for (const OutputPort::Sending& sending : port->sending) {
            if (sending.buffer == buffer)
                return MidiErrorStillPlaying;
        }
        buffer->flags = (buffer->flags & ~MidiBufferDone) | MidiBufferQueued;
        port->sending.push_back({buffer, true, false});
    }
    const std::shared_ptr<OutputDevice> target = port->device;
    VirtualMidi::Endpoint* endpoint = target->endpoint;
    lock.unlock();

    // The far side may answer at once, feeding the input, so it is told without the lock.
    const bool delivered = !endpoint || endpoint->Receive(message);

    lock.lock();
    port = FindOutput(device);
    if (buffer && port) {
        for (auto it = port->sending.begin(); it != port->sending.end(); ++it) {
            if (it->buffer != buffer)
                continue;
            if (delivered) {
                it->pending = false;
            } else {
                if (!it->detached)
                    buffer->flags &= ~MidiBufferQueued;
                port->sending.erase(it);
            }
            break;
        }
        workArrived.notify_all();
    }
    if (!delivered)
        return MidiErrorNoDriver;
    target->sent.push_back(std::move(message));
    sentChanged.notify_all();
    return MidiOk;
}

VirtualMidiDriver::VirtualMidiDriver()
    : m_state(std::make_unique<State>())
{
    m_state->thread = std::thread([state = m_state.get()] { state->Run(); });
}

VirtualMidiDriver::~VirtualMidiDriver()
{
    // The far sides go first: they feed the inputs, some from threads of their own.
    std::vector<std::unique_ptr<VirtualMidi::Endpoint>> endpoints;
    {
        std::lock_guard lock(m_state->mutex);
        for (auto& device : m_state->inputs)
            device->endpoint = nullptr;
        for (auto& device : m_state->outputs)
            device->endpoint = nullptr;
        endpoints.swap(m_state->endpoints);
    }
    endpoints.clear();
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->workArrived.notify_all();
    m_state->thread.join();
    // What is still open is closed without callbacks: their owners are going too.
    for (auto& [key, port] : m_state->inputPorts) {
        for (MidiBuffer* buffer : port.queued)
            buffer->flags &= ~MidiBufferQueued;
    }
}

uint32_t VirtualMidiDriver::AddInput(const std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    auto device = std::make_shared<InputDevice>();
    device->name = CutName(name);
    m_state->inputs.push_back(std::move(device));
    return uint32_t(m_state->inputs.size() - 1);
}

uint32_t VirtualMidiDriver::AddOutput(const std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    auto device = std::make_shared<OutputDevice>();
    device->name = CutName(name);
    m_state->outputs.push_back(std::move(device));
    return uint32_t(m_state->outputs.size() - 1);
}

void VirtualMidiDriver::RemoveInput(uint32_t id)
{
    std::lock_guard lock(m_state->mutex);
    if (id >= m_state->inputs.size())
        return;
    InputDevice& device = *m_state->inputs[id];
    device.removed = true;
    if (device.openHandle != 0)
        m_state->inputPorts.at(device.openHandle).ForgetInput();
    m_state->inputs.erase(m_state->inputs.begin() + id);
}

void VirtualMidiDriver::RemoveOutput(uint32_t id)
{
    std::lock_guard lock(m_state->mutex);
    if (id >= m_state->outputs.size())
        return;
    m_state->outputs[id]->removed = true;
    m_state->outputs.erase(m_state->outputs.begin() + id);
}

void VirtualMidiDriver::Feed(uint32_t inputId, const std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(m_state->mutex);
    if (inputId < m_state->inputs.size())
        m_state->FeedLocked(*m_state->inputs[inputId], bytes);
}

std::vector<std::vector<uint8_t>> VirtualMidiDriver::TakeSent(uint32_t outputId)
{
    std::lock_guard lock(m_state->mutex);
    if (outputId >= m_state->outputs.size())
        return {};
    return std::exchange(m_state->outputs[outputId]->sent, {});
}

bool VirtualMidiDriver::WaitForSent(uint32_t outputId, size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_state->mutex);
    if (outputId >= m_state->outputs.size())
        return false;
    const std::shared_ptr<OutputDevice> device = m_state->outputs[outputId];
    return m_state->sentChanged.wait_for(lock, timeout, [&] { return device->sent.size() >= count; });
}

void VirtualMidiDriver::HoldCompletions(uint32_t outputId, bool hold)
{
    {
        std::lock_guard lock(m_state->mutex);
        if (outputId >= m_state->outputs.size())
            return;
        m_state->outputs[outputId]->holdCompletions = hold;
    }
    m_state->workArrived.notify_all();
}

SimulatedController& VirtualMidiDriver::AttachController(uint32_t inputId, uint32_t outputId)
{
    std::lock_guard lock(m_state->mutex);
    auto controller = std::make_unique<VirtualMidi::ControllerEndpoint>(m_state->FeedFunctionOf(inputId));
    VirtualMidi::ControllerEndpoint& result = *controller;
    m_state->Attach(inputId, outputId, controller.get());
    m_state->endpoints.push_back(std::move(controller));
    return result;
}

void VirtualMidiDriver::ConnectToPeer(uint32_t inputId, uint32_t outputId, const std::string& socketPath)
{
    std::lock_guard lock(m_state->mutex);
    auto peer = std::make_unique<VirtualMidi::PeerSocket>(socketPath, m_state->FeedFunctionOf(inputId));
    m_state->Attach(inputId, outputId, peer.get());
    m_state->endpoints.push_back(std::move(peer));
}

VirtualMidiDriver& VirtualMidiDriver::GetDefault()
{
    static VirtualMidiDriver* const driver = [] {
        auto* made = new VirtualMidiDriver();
        const uint32_t input = made->AddInput(u"RKT4");
        const uint32_t output = made->AddOutput(u"RKT4");
        const char* peer = std::getenv("VQ_MIDI_PEER");
        if (peer && *peer)
            made->ConnectToPeer(input, output, peer);
        else
            made->AttachController(input, output);
        return made;
    }();
    return *driver;
}

uint32_t VirtualMidiDriver::GetInputCount()
{
    std::lock_guard lock(m_state->mutex);
    return uint32_t(m_state->inputs.size());
}

uint32_t VirtualMidiDriver::GetInputName(uint32_t id, std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    if (id >= m_state->inputs.size())
        return MidiErrorBadDeviceId;
    name = m_state->inputs[id]->name;
    return MidiOk;
}

uint32_t VirtualMidiDriver::GetInputNameOfHandle(MidiInputHandle device, std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    const InputPort* port = m_state->FindInput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (port->device->removed)
        return MidiErrorNoDriver;
    name = port->device->name;
    return MidiOk;
}

uint32_t VirtualMidiDriver::OpenInput(MidiInputHandle* device, uint32_t id, MidiInputCallback callback,
                                      uintptr_t instance)
{
    if (!device)
        return MidiErrorInvalidParameter;
    *device = nullptr;
    uintptr_t key = 0;
    VirtualMidi::Endpoint* endpoint = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        if (id >= m_state->inputs.size())
            return MidiErrorBadDeviceId;
        const std::shared_ptr<InputDevice>& opened = m_state->inputs[id];
        if (opened->openHandle != 0)
            return MidiErrorAllocated;
        key = g_nextHandle.fetch_add(1);
        InputPort& port = m_state->inputPorts[key];
        port.device = opened;
        port.callback = callback;
        port.instance = instance;
        opened->openHandle = key;
        endpoint = opened->endpoint;
    }
    if (endpoint)
        endpoint->Connect();
    *device = reinterpret_cast<MidiInputHandle>(key);
    if (callback)
        callback(*device, MidiInputOpened, instance, 0, 0);
    return MidiOk;
}

uint32_t VirtualMidiDriver::PrepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    std::lock_guard lock(m_state->mutex);
    if (!m_state->FindInput(device))
        return MidiErrorInvalidHandle;
    if (!buffer || !buffer->data || buffer->length == 0)
        return MidiErrorInvalidParameter;
    buffer->flags |= MidiBufferPrepared;
    return MidiOk;
}

uint32_t VirtualMidiDriver::UnprepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    std::lock_guard lock(m_state->mutex);
    InputPort* port = m_state->FindInput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (!buffer)
        return MidiErrorInvalidParameter;
    for (const MidiBuffer* queued : port->queued) {
        if (queued == buffer)
            return MidiErrorStillPlaying;
    }
    buffer->flags &= ~MidiBufferPrepared;
    return MidiOk;
}

uint32_t VirtualMidiDriver::AddInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    {
        std::lock_guard lock(m_state->mutex);
        InputPort* port = m_state->FindInput(device);
        if (!port)
            return MidiErrorInvalidHandle;
        if (!buffer)
            return MidiErrorInvalidParameter;
        if (!(buffer->flags & MidiBufferPrepared))
            return MidiErrorUnprepared;
        if (!buffer->data || buffer->length == 0)
            return MidiErrorInvalidParameter;
        for (const MidiBuffer* queued : port->queued) {
            if (queued == buffer)
                return MidiErrorStillPlaying;
        }
        buffer->recorded = 0;
        buffer->flags = (buffer->flags & ~MidiBufferDone) | MidiBufferQueued;
        port->queued.push_back(buffer);
    }
    m_state->workArrived.notify_all();
    return MidiOk;
}

uint32_t VirtualMidiDriver::StartInput(MidiInputHandle device)
{
    std::lock_guard lock(m_state->mutex);
    InputPort* port = m_state->FindInput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (!port->started) {
        port->started = true;
        port->startTime = Clock::now();
    }
    return MidiOk;
}

uint32_t VirtualMidiDriver::StopInput(MidiInputHandle device)
{
    std::lock_guard lock(m_state->mutex);
    InputPort* port = m_state->FindInput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    port->started = false;
    port->ForgetInput();
    return MidiOk;
}

uint32_t VirtualMidiDriver::ResetInput(MidiInputHandle device)
{
    std::vector<Delivery> deliveries;
    {
        std::lock_guard lock(m_state->mutex);
        InputPort* port = m_state->FindInput(device);
        if (!port)
            return MidiErrorInvalidHandle;
        port->started = false;
        port->ForgetInput();
        for (MidiBuffer* buffer : port->queued) {
            buffer->flags = (buffer->flags | MidiBufferDone) & ~MidiBufferQueued;
            Delivery delivery;
            delivery.inputCallback = port->callback;
            delivery.handle = KeyOf(device);
            delivery.instance = port->instance;
            delivery.event = MidiInputLongData;
            delivery.param1 = reinterpret_cast<uintptr_t>(buffer);
            deliveries.push_back(delivery);
        }
        port->queued.clear();
    }
    for (const Delivery& delivery : deliveries)
        delivery.Make();
    return MidiOk;
}

uint32_t VirtualMidiDriver::CloseInput(MidiInputHandle device)
{
    MidiInputCallback callback = nullptr;
    uintptr_t instance = 0;
    {
        std::lock_guard lock(m_state->mutex);
        auto it = m_state->inputPorts.find(KeyOf(device));
        if (it == m_state->inputPorts.end())
            return MidiErrorInvalidHandle;
        InputPort& port = it->second;
        // Buffers still queued are let go unfilled; the driver keeps no pointer to them.
        for (MidiBuffer* buffer : port.queued)
            buffer->flags &= ~MidiBufferQueued;
        if (port.device->openHandle == it->first)
            port.device->openHandle = 0;
        callback = port.callback;
        instance = port.instance;
        m_state->inputPorts.erase(it);
    }
    if (callback)
        callback(device, MidiInputClosed, instance, 0, 0);
    return MidiOk;
}

uint32_t VirtualMidiDriver::GetOutputCount()
{
    std::lock_guard lock(m_state->mutex);
    return uint32_t(m_state->outputs.size());
}

uint32_t VirtualMidiDriver::GetOutputName(uint32_t id, std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    if (id >= m_state->outputs.size())
        return MidiErrorBadDeviceId;
    name = m_state->outputs[id]->name;
    return MidiOk;
}

uint32_t VirtualMidiDriver::GetOutputNameOfHandle(MidiOutputHandle device, std::u16string& name)
{
    std::lock_guard lock(m_state->mutex);
    const OutputPort* port = m_state->FindOutput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (port->device->removed)
        return MidiErrorNoDriver;
    name = port->device->name;
    return MidiOk;
}

uint32_t VirtualMidiDriver::OpenOutput(MidiOutputHandle* device, uint32_t id, MidiOutputCallback callback,
                                       uintptr_t instance)
{
    if (!device)
        return MidiErrorInvalidParameter;
    *device = nullptr;
    uintptr_t key = 0;
    VirtualMidi::Endpoint* endpoint = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        if (id >= m_state->outputs.size())
            return MidiErrorBadDeviceId;
        key = g_nextHandle.fetch_add(1);
        OutputPort& port = m_state->outputPorts[key];
        port.device = m_state->outputs[id];
        port.callback = callback;
        port.instance = instance;
        endpoint = port.device->endpoint;
    }
    if (endpoint)
        endpoint->Connect();
    *device = reinterpret_cast<MidiOutputHandle>(key);
    if (callback)
        callback(*device, MidiOutputOpened, instance, 0, 0);
    return MidiOk;
}

uint32_t VirtualMidiDriver::SendShort(MidiOutputHandle device, uint32_t message)
{
    const auto status = uint8_t(message & 0xFF);
    std::vector<uint8_t> bytes(MidiShortMessageLength(status));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(message >> (8 * i));
    return m_state->Send(device, std::move(bytes), nullptr);
}

uint32_t VirtualMidiDriver::PrepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer)
{
    std::lock_guard lock(m_state->mutex);
    if (!m_state->FindOutput(device))
        return MidiErrorInvalidHandle;
    if (!buffer || (!buffer->data && buffer->length > 0))
        return MidiErrorInvalidParameter;
    buffer->flags |= MidiBufferPrepared;
    return MidiOk;
}

uint32_t VirtualMidiDriver::UnprepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer)
{
    std::lock_guard lock(m_state->mutex);
    OutputPort* port = m_state->FindOutput(device);
    if (!port)
        return MidiErrorInvalidHandle;
    if (!buffer)
        return MidiErrorInvalidParameter;
    for (OutputPort::Sending& sending : port->sending) {
        if (sending.buffer == buffer) {
            // An owner that gives up on the completion may free the buffer next.
            sending.detached = true;
            return MidiErrorStillPlaying;
        }
    }
    buffer->flags &= ~MidiBufferPrepared;
    return MidiOk;
}

uint32_t VirtualMidiDriver::SendLong(MidiOutputHandle device, MidiBuffer* buffer)
{
    std::vector<uint8_t> message;
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->FindOutput(device))
            return MidiErrorInvalidHandle;
        if (!buffer)
            return MidiErrorInvalidParameter;
        if (!(buffer->flags & MidiBufferPrepared))
            return MidiErrorUnprepared;
        if (buffer->recorded > buffer->length || (!buffer->data && buffer->recorded > 0))
            return MidiErrorInvalidParameter;
        message.assign(buffer->data, buffer->data + buffer->recorded);
    }
    return m_state->Send(device, std::move(message), buffer);
}

uint32_t VirtualMidiDriver::CloseOutput(MidiOutputHandle device)
{
    MidiOutputCallback callback = nullptr;
    uintptr_t instance = 0;
    {
        std::lock_guard lock(m_state->mutex);
        auto it = m_state->outputPorts.find(KeyOf(device));
        if (it == m_state->outputPorts.end())
            return MidiErrorInvalidHandle;
        // Completions not yet made are dropped with the handle.
        for (const OutputPort::Sending& sending : it->second.sending) {
            if (!sending.detached)
                sending.buffer->flags &= ~MidiBufferQueued;
        }
        callback = it->second.callback;
        instance = it->second.instance;
        m_state->outputPorts.erase(it);
    }
    if (callback)
        callback(device, MidiOutputClosed, instance, 0, 0);
    return MidiOk;
}

void VirtualMidiDriver::WaitForCallbacks(uintptr_t instance)
{
    std::unique_lock lock(m_state->mutex);
    if (std::this_thread::get_id() == m_state->thread.get_id())
        return;
    m_state->idle.wait(lock, [&] { return m_state->runningInstance != instance || instance == 0; });
}

IMidiDriver& GetVirtualMidiDriver()
{
    return VirtualMidiDriver::GetDefault();
}

} // namespace VQ::Platform
