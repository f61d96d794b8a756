#include "platform/midi/alsa/AlsaMidiDriver.h"

#include "platform/midi/MidiDriverBackEnds.h"
#include "platform/midi/alsa/AlsaMidiEvents.h"
#include "platform/midi/alsa/AlsaMidiNames.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace VQ::Platform {

namespace {

// The library prints its own errors on stderr unless told otherwise; a machine without a
// sequencer is no error worth printing.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaError); });
}

int64_t MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Keeps each SysEx event within what the sequencer's pool takes without fragmenting much.
constexpr size_t SysExChunkSize = 256;

constexpr unsigned OwnInputCaps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT;
constexpr unsigned OwnOutputCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_NO_EXPORT;
constexpr unsigned OwnPortType = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;

using ClientInfo = std::unique_ptr<snd_seq_client_info_t, decltype(&snd_seq_client_info_free)>;
using PortInfo = std::unique_ptr<snd_seq_port_info_t, decltype(&snd_seq_port_info_free)>;

ClientInfo NewClientInfo()
{
    snd_seq_client_info_t* info = nullptr;
    snd_seq_client_info_malloc(&info);
    return {info, &snd_seq_client_info_free};
}

PortInfo NewPortInfo()
{
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_malloc(&info);
    return {info, &snd_seq_port_info_free};
}

std::vector<AlsaPortInfo> ReadPorts(snd_seq_t* seq)
{
    std::vector<AlsaPortInfo> ports;
    ClientInfo client = NewClientInfo();
    PortInfo port = NewPortInfo();
    if (!client || !port)
        return ports;
    snd_seq_client_info_set_client(client.get(), -1);
    while (snd_seq_query_next_client(seq, client.get()) >= 0) {
        const int clientId = snd_seq_client_info_get_client(client.get());
        const std::string clientName = snd_seq_client_info_get_name(client.get());
        snd_seq_port_info_set_client(port.get(), clientId);
        snd_seq_port_info_set_port(port.get(), -1);
        while (snd_seq_query_next_port(seq, port.get()) >= 0)
            ports.push_back({clientId, clientName, snd_seq_port_info_get_port(port.get()),
                             snd_seq_port_info_get_name(port.get()), snd_seq_port_info_get_capability(port.get())});
    }
    return ports;
}

// Whether the device's port still exists on the client it was found on.
bool PortExists(snd_seq_t* seq, const AlsaMidiDevice& device)
{
    ClientInfo client = NewClientInfo();
    PortInfo port = NewPortInfo();
    if (!client || !port)
        return false;
    return snd_seq_get_any_client_info(seq, device.client, client.get()) >= 0 &&
           device.clientName == snd_seq_client_info_get_name(client.get()) &&
           snd_seq_get_any_port_info(seq, device.client, device.port, port.get()) >= 0;
}

uintptr_t ToId(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

struct InputPort {
    AlsaMidiDevice device;
    int ownPort = -1;
    MidiInputCallback callback = nullptr;
    uintptr_t instance = 0;
    bool started = false;
    int64_t startNs = 0;
    std::deque<MidiBuffer*> queue;
};

struct OutputPort {
    AlsaMidiDevice device;
    int ownPort = -1;
    MidiOutputCallback callback = nullptr;
    uintptr_t instance = 0;
    // The long message sent whose done event has not been delivered yet.
    MidiBuffer* inFlight = nullptr;
};

} // namespace

class AlsaMidiDriver::Impl {
public:
    Impl(std::string sequencerName, std::string clientName)
        : m_sequencerName(std::move(sequencerName)), m_clientName(std::move(clientName))
    {
    }

    ~Impl()
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_seq)
                return;
            m_stopping = true;
        }
        Wake();
        m_thread.join();
        close(m_wake);
        snd_seq_close(m_seq);
    }

    uint32_t Count(bool inputs)
    {
        snd_seq_t* seq = Sequencer();
        if (!seq)
            return 0;
        AlsaMidiDeviceLists lists = MakeAlsaMidiDeviceLists(ReadPorts(seq), m_client);
        std::lock_guard lock(m_mutex);
        m_devices = std::move(lists);
        m_listed = true;
        return static_cast<uint32_t>(inputs ? m_devices.inputs.size() : m_devices.outputs.size());
    }

    uint32_t Name(bool inputs, uint32_t id, std::u16string& name)
    {
        AlsaMidiDevice device;
        if (!FindDevice(inputs, id, device))
            return MidiErrorBadDeviceId;
        name = device.name;
        return MidiOk;
    }

    uint32_t InputNameOfHandle(MidiInputHandle handle, std::u16string& name)
    {
        AlsaMidiDevice device;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_inputs.find(ToId(handle));
            if (it == m_inputs.end())
                return MidiErrorInvalidHandle;
            device = it->second.device;
        }
        return NameIfPresent(device, name);
    }

    uint32_t OutputNameOfHandle(MidiOutputHandle handle, std::u16string& name)
    {
        AlsaMidiDevice device;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_outputs.find(ToId(handle));
            if (it == m_outputs.end())
                return MidiErrorInvalidHandle;
            device = it->second.device;
        }
        return NameIfPresent(device, name);
    }

    uint32_t OpenInput(MidiInputHandle* handle, uint32_t id, MidiInputCallback callback, uintptr_t instance)
    {
        if (!handle)
            return MidiErrorInvalidParameter;
        *handle = nullptr;
        InputPort input;
        input.callback = callback;
        input.instance = instance;
        if (const uint32_t result = Connect(true, id, input.device, input.ownPort); result != MidiOk)
            return result;
        uintptr_t newId = 0;
        {
            std::lock_guard lock(m_mutex);
            newId = ++m_lastHandle;
            m_inputByPort[input.ownPort] = newId;
            m_inputs.emplace(newId, std::move(input));
        }
        *handle = reinterpret_cast<MidiInputHandle>(newId);
        if (callback)
            callback(*handle, MidiInputOpened, instance, 0, 0);
        return MidiOk;
    }

    uint32_t PrepareInputBuffer(MidiInputHandle handle, MidiBuffer* buffer)
    {
        std::lock_guard lock(m_mutex);
        if (!m_inputs.count(ToId(handle)))
            return MidiErrorInvalidHandle;
        return Prepare(buffer);
    }

    uint32_t UnprepareInputBuffer(MidiInputHandle handle, MidiBuffer* buffer)
    {
        std::lock_guard lock(m_mutex);
        if (!m_inputs.count(ToId(handle)))
            return MidiErrorInvalidHandle;
        return Unprepare(buffer);
    }

    uint32_t AddInputBuffer(MidiInputHandle handle, MidiBuffer* buffer)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_inputs.find(ToId(handle));
        if (it == m_inputs.end())
            return MidiErrorInvalidHandle;
        if (!buffer || !buffer->data || buffer->length == 0)
            return MidiErrorInvalidParameter;
        if (!(buffer->flags & MidiBufferPrepared))
            return MidiErrorUnprepared;
        if (buffer->flags & MidiBufferQueued)
            return MidiErrorStillPlaying;
        buffer->recorded = 0;
        buffer->flags = (buffer->flags & ~MidiBufferDone) | MidiBufferQueued;
        it->second.queue.push_back(buffer);
        return MidiOk;
    }

    uint32_t StartInput(MidiInputHandle handle)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_inputs.find(ToId(handle));
        if (it == m_inputs.end())
            return MidiErrorInvalidHandle;
        if (!it->second.started) {
            it->second.started = true;
            it->second.startNs = MonotonicNanoseconds();
        }
        return MidiOk;
    }

    uint32_t StopInput(MidiInputHandle handle)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_inputs.find(ToId(handle));
        if (it == m_inputs.end())
            return MidiErrorInvalidHandle;
        it->second.started = false;
        return MidiOk;
    }

    uint32_t ResetInput(MidiInputHandle handle)
    {
        std::deque<MidiBuffer*> returned;
        MidiInputCallback callback = nullptr;
        uintptr_t instance = 0;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_inputs.find(ToId(handle));
            if (it == m_inputs.end())
                return MidiErrorInvalidHandle;
            it->second.started = false;
            returned.swap(it->second.queue);
            for (MidiBuffer* buffer : returned)
                buffer->flags = (buffer->flags & ~MidiBufferQueued) | MidiBufferDone;
            callback = it->second.callback;
            instance = it->second.instance;
        }
        if (callback) {
            for (MidiBuffer* buffer : returned)
                callback(handle, MidiInputLongData, instance, reinterpret_cast<uintptr_t>(buffer), 0);
        }
        return MidiOk;
    }

    uint32_t CloseInput(MidiInputHandle handle)
    {
        InputPort input;
        {
            std::unique_lock lock(m_mutex);
            const auto it = m_inputs.find(ToId(handle));
            if (it == m_inputs.end())
                return MidiErrorInvalidHandle;
            if (!it->second.queue.empty())
                return MidiErrorStillPlaying;
            input = std::move(it->second);
            m_inputs.erase(it);
            m_inputByPort.erase(input.ownPort);
        }
        snd_seq_delete_simple_port(m_seq, input.ownPort);
        if (input.callback)
            input.callback(handle, MidiInputClosed, input.instance, 0, 0);
        return MidiOk;
    }

    uint32_t OpenOutput(MidiOutputHandle* handle, uint32_t id, MidiOutputCallback callback, uintptr_t instance)
    {
        if (!handle)
            return MidiErrorInvalidParameter;
        *handle = nullptr;
        OutputPort output;
        output.callback = callback;
        output.instance = instance;
        if (const uint32_t result = Connect(false, id, output.device, output.ownPort); result != MidiOk)
            return result;
        uintptr_t newId = 0;
        {
            std::lock_guard lock(m_mutex);
            newId = ++m_lastHandle;
            m_outputs.emplace(newId, std::move(output));
        }
        *handle = reinterpret_cast<MidiOutputHandle>(newId);
        if (callback)
            callback(*handle, MidiOutputOpened, instance, 0, 0);
        return MidiOk;
    }

    uint32_t SendShort(MidiOutputHandle handle, uint32_t message)
    {
        int ownPort = -1;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_outputs.find(ToId(handle));
            if (it == m_outputs.end())
                return MidiErrorInvalidHandle;
            ownPort = it->second.ownPort;
        }
        snd_seq_event_t event;
        if (!ShortMessageToAlsaEvent(message, event))
            return MidiErrorInvalidParameter;
        return Send(ownPort, event) ? MidiOk : MidiErrorFailed;
    }

    uint32_t PrepareOutputBuffer(MidiOutputHandle handle, MidiBuffer* buffer)
    {
        std::lock_guard lock(m_mutex);
        if (!m_outputs.count(ToId(handle)))
            return MidiErrorInvalidHandle;
        return Prepare(buffer);
    }

    uint32_t UnprepareOutputBuffer(MidiOutputHandle handle, MidiBuffer* buffer)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_outputs.find(ToId(handle));
        if (it == m_outputs.end())
            return MidiErrorInvalidHandle;
        const uint32_t result = Unprepare(buffer);
        // An owner that gave up waiting frees the buffer next: its done event must not touch it.
        if (result == MidiErrorStillPlaying && it->second.inFlight == buffer) {
            std::erase_if(m_sent, [&](const auto& sent) { return sent.second == buffer; });
            it->second.inFlight = nullptr;
        }
        return result;
    }

    uint32_t SendLong(MidiOutputHandle handle, MidiBuffer* buffer)
    {
        int ownPort = -1;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_outputs.find(ToId(handle));
            if (it == m_outputs.end())
                return MidiErrorInvalidHandle;
            if (!buffer || !buffer->data || buffer->recorded == 0 || buffer->recorded > buffer->length)
                return MidiErrorInvalidParameter;
            if (!(buffer->flags & MidiBufferPrepared))
                return MidiErrorUnprepared;
            if (it->second.inFlight || (buffer->flags & MidiBufferQueued))
                return MidiErrorStillPlaying;
            buffer->flags = (buffer->flags & ~MidiBufferDone) | MidiBufferQueued;
            it->second.inFlight = buffer;
            ownPort = it->second.ownPort;
        }
        bool sent = true;
        for (uint32_t offset = 0; sent && offset < buffer->recorded; offset += SysExChunkSize) {
            const size_t size = std::min<size_t>(SysExChunkSize, buffer->recorded - offset);
            snd_seq_event_t event;
            snd_seq_ev_clear(&event);
            snd_seq_ev_set_sysex(&event, size, buffer->data + offset);
            sent = Send(ownPort, event);
        }
        std::lock_guard lock(m_mutex);
        const auto it = m_outputs.find(ToId(handle));
        if (it == m_outputs.end() || it->second.inFlight != buffer)
            return sent ? MidiOk : MidiErrorFailed;
        if (!sent) {
            it->second.inFlight = nullptr;
            buffer->flags &= ~MidiBufferQueued;
            return MidiErrorFailed;
        }
        m_sent.emplace_back(ToId(handle), buffer);
        Wake();
        return MidiOk;
    }

    uint32_t CloseOutput(MidiOutputHandle handle)
    {
        OutputPort output;
        {
            std::unique_lock lock(m_mutex);
            const auto it = m_outputs.find(ToId(handle));
            if (it == m_outputs.end())
                return MidiErrorInvalidHandle;
            output = std::move(it->second);
            m_outputs.erase(it);
            // The message is out; only its done event, which must not come after the close, is dropped.
            if (output.inFlight)
                output.inFlight->flags = (output.inFlight->flags & ~MidiBufferQueued) | MidiBufferDone;
            std::erase_if(m_sent, [&](const auto& sent) { return sent.first == ToId(handle); });
        }
        snd_seq_delete_simple_port(m_seq, output.ownPort);
        if (output.callback)
            output.callback(handle, MidiOutputClosed, output.instance, 0, 0);
        return MidiOk;
    }

    void WaitForCallbacks(uintptr_t instance)
    {
        std::unique_lock lock(m_mutex);
        if (std::this_thread::get_id() == m_threadId)
            return;
        m_idle.wait(lock, [&] { return instance == 0 || m_runningInstance != instance; });
    }

private:
    // The sequencer, opened on the first call that finds it closed; null while it cannot be opened.
    snd_seq_t* Sequencer()
    {
        std::lock_guard lock(m_mutex);
        if (m_seq)
            return m_seq;
        SilenceAlsaErrors();
        snd_seq_t* seq = nullptr;
        // Blocking, so that a full output pool holds a sender back rather than failing it; the
        // thread reads only what poll reports.
        if (snd_seq_open(&seq, m_sequencerName.c_str(), SND_SEQ_OPEN_DUPLEX, 0) < 0)
            return nullptr;
        const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake < 0) {
            snd_seq_close(seq);
            return nullptr;
        }
        snd_seq_set_client_name(seq, m_clientName.c_str());
        m_client = snd_seq_client_id(seq);
        m_wake = wake;
        m_seq = seq;
        m_thread = std::thread([this] { Run(); });
        m_threadId = m_thread.get_id();
        return m_seq;
    }

    bool FindDevice(bool inputs, uint32_t id, AlsaMidiDevice& device)
    {
        if (!Sequencer())
            return false;
        std::unique_lock lock(m_mutex);
        if (!m_listed) {
            lock.unlock();
            Count(inputs);
            lock.lock();
        }
        const std::vector<AlsaMidiDevice>& list = inputs ? m_devices.inputs : m_devices.outputs;
        if (id >= list.size())
            return false;
        device = list[id];
        return true;
    }

    uint32_t NameIfPresent(const AlsaMidiDevice& device, std::u16string& name)
    {
        if (!PortExists(m_seq, device))
            return MidiErrorNoDriver;
        name = device.name;
        return MidiOk;
    }

    // Makes a port of the driver's own and subscribes it to (input) or from (output) the device.
    uint32_t Connect(bool input, uint32_t id, AlsaMidiDevice& device, int& ownPort)
    {
        snd_seq_t* seq = Sequencer();
        if (!seq)
            return MidiErrorNoDriver;
        if (!FindDevice(input, id, device))
            return MidiErrorBadDeviceId;
        ownPort = snd_seq_create_simple_port(seq, input ? "Input" : "Output", input ? OwnInputCaps : OwnOutputCaps,
                                             OwnPortType);
        if (ownPort < 0)
            return MidiErrorNoMemory;
        const int result = input ? snd_seq_connect_from(seq, ownPort, device.client, device.port)
                                 : snd_seq_connect_to(seq, ownPort, device.client, device.port);
        if (result < 0) {
            snd_seq_delete_simple_port(seq, ownPort);
            return result == -EBUSY ? MidiErrorAllocated : MidiErrorNoDriver;
        }
        return MidiOk;
    }

    static uint32_t Prepare(MidiBuffer* buffer)
    {
        if (!buffer || !buffer->data)
            return MidiErrorInvalidParameter;
        buffer->flags |= MidiBufferPrepared;
        return MidiOk;
    }

    static uint32_t Unprepare(MidiBuffer* buffer)
    {
        if (!buffer)
            return MidiErrorInvalidParameter;
        if (buffer->flags & MidiBufferQueued)
            return MidiErrorStillPlaying;
        buffer->flags &= ~MidiBufferPrepared;
        return MidiOk;
    }

    bool Send(int ownPort, snd_seq_event_t& event)
    {
        snd_seq_ev_set_source(&event, ownPort);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        // Events with data go through a scratch buffer of the handle's.
        std::lock_guard lock(m_sendMutex);
        return snd_seq_event_output_direct(m_seq, &event) >= 0;
    }

    void Wake()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
    }

    void Run()
    {
        const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
        std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
        snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(count), POLLIN);
        fds.back() = {m_wake, POLLIN, 0};
        for (;;) {
            if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
                return;
            if (fds.back().revents & POLLIN) {
                uint64_t ignored = 0;
                [[maybe_unused]] const ssize_t read = ::read(m_wake, &ignored, sizeof ignored);
            }
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping)
                    return;
            }
            DeliverSent();
            for (size_t i = 0; i + 1 < fds.size(); ++i) {
                // Only a readable handle: reads block, and a blocked read would never see the stop.
                if (fds[i].revents & POLLIN) {
                    ReadEvents();
                    break;
                }
            }
        }
    }

    void ReadEvents()
    {
        do {
            snd_seq_event_t* event = nullptr;
            const int result = snd_seq_event_input(m_seq, &event);
            // An overrun (-ENOSPC) loses what the sequencer dropped; what follows is still good.
            if (result < 0 && result != -ENOSPC)
                return;
            if (event)
                Dispatch(*event);
        } while (snd_seq_event_input_pending(m_seq, 0) > 0);
    }

    void Dispatch(const snd_seq_event_t& event)
    {
        std::unique_lock lock(m_mutex);
        const auto port = m_inputByPort.find(event.dest.port);
        if (port == m_inputByPort.end())
            return;
        const uintptr_t id = port->second;
        InputPort& input = m_inputs.at(id);
        if (!input.started)
            return;
        const uintptr_t time = static_cast<uintptr_t>((MonotonicNanoseconds() - input.startNs) / 1000000);
        const auto handle = reinterpret_cast<MidiInputHandle>(id);
        if (event.type == SND_SEQ_EVENT_SYSEX) {
            std::vector<MidiBuffer*> completed;
            FillSysExBuffers(input.queue, static_cast<const uint8_t*>(event.data.ext.ptr), event.data.ext.len,
                             completed);
            for (MidiBuffer* buffer : completed)
                DeliverInput(lock, id, [&](MidiInputCallback callback, uintptr_t instance) {
                    callback(handle, MidiInputLongData, instance, reinterpret_cast<uintptr_t>(buffer), time);
                });
        } else if (const std::optional<uint32_t> message = AlsaEventToShortMessage(event)) {
            DeliverInput(lock, id, [&](MidiInputCallback callback, uintptr_t instance) {
                callback(handle, MidiInputData, instance, *message, time);
            });
        }
    }

    // Calls back without the lock, unless the handle was closed meanwhile.
    template <class Call> void DeliverInput(std::unique_lock<std::mutex>& lock, uintptr_t id, Call call)
    {
        const auto it = m_inputs.find(id);
        if (it == m_inputs.end() || !it->second.callback)
            return;
        const MidiInputCallback callback = it->second.callback;
        const uintptr_t instance = it->second.instance;
        m_runningInstance = instance;
        lock.unlock();
        call(callback, instance);
        lock.lock();
        m_runningInstance = 0;
        m_idle.notify_all();
    }

    void DeliverSent()
    {
        std::unique_lock lock(m_mutex);
        while (!m_sent.empty()) {
            const auto [id, buffer] = m_sent.front();
            m_sent.pop_front();
            const auto it = m_outputs.find(id);
            if (it == m_outputs.end())
                continue;
            it->second.inFlight = nullptr;
            buffer->flags = (buffer->flags & ~MidiBufferQueued) | MidiBufferDone;
            const MidiOutputCallback callback = it->second.callback;
            const uintptr_t instance = it->second.instance;
            if (!callback)
                continue;
            m_runningInstance = instance;
            lock.unlock();
            callback(reinterpret_cast<MidiOutputHandle>(id), MidiOutputDone, instance,
                     reinterpret_cast<uintptr_t>(buffer), 0);
            lock.lock();
            m_runningInstance = 0;
            m_idle.notify_all();
        }
    }

    const std::string m_sequencerName;
    const std::string m_clientName;

    std::mutex m_mutex;
    // The instance value of the callback the thread is running, 0 when none; m_idle tells its end.
    uintptr_t m_runningInstance = 0;
    std::condition_variable m_idle;
    // Set once, under the lock, and then constant until destruction.
    snd_seq_t* m_seq = nullptr;
    int m_client = -1;
    int m_wake = -1;
    std::thread m_thread;
    std::thread::id m_threadId;
    bool m_stopping = false;
    AlsaMidiDeviceLists m_devices;
    bool m_listed = false;
    // Handles count up from here and are never given out twice.
    uintptr_t m_lastHandle = 0;
    std::map<uintptr_t, InputPort> m_inputs;
    std::map<int, uintptr_t> m_inputByPort;
    std::map<uintptr_t, OutputPort> m_outputs;
    // Long messages sent whose done event the thread has still to deliver.
    std::deque<std::pair<uintptr_t, MidiBuffer*>> m_sent;

    std::mutex m_sendMutex;
};

AlsaMidiDriver::AlsaMidiDriver(std::string sequencerName, std::string clientName)
    : m_impl(std::make_unique<Impl>(std::move(sequencerName), std::move(clientName)))
{
}

AlsaMidiDriver::~AlsaMidiDriver() = default;

uint32_t AlsaMidiDriver::GetInputCount() { return m_impl->Count(true); }

uint32_t AlsaMidiDriver::GetInputName(uint32_t id, std::u16string& name) { return m_impl->Name(true, id, name); }

uint32_t AlsaMidiDriver::GetInputNameOfHandle(MidiInputHandle device, std::u16string& name)
{
    return m_impl->InputNameOfHandle(device, name);
}

uint32_t AlsaMidiDriver::OpenInput(MidiInputHandle* device, uint32_t id, MidiInputCallback callback,
                                   uintptr_t instance)
{
    return m_impl->OpenInput(device, id, callback, instance);
}

uint32_t AlsaMidiDriver::PrepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    return m_impl->PrepareInputBuffer(device, buffer);
}

uint32_t AlsaMidiDriver::UnprepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    return m_impl->UnprepareInputBuffer(device, buffer);
}

uint32_t AlsaMidiDriver::AddInputBuffer(MidiInputHandle device, MidiBuffer* buffer)
{
    return m_impl->AddInputBuffer(device, buffer);
}

uint32_t AlsaMidiDriver::StartInput(MidiInputHandle device) { return m_impl->StartInput(device); }

uint32_t AlsaMidiDriver::StopInput(MidiInputHandle device) { return m_impl->StopInput(device); }

uint32_t AlsaMidiDriver::ResetInput(MidiInputHandle device) { return m_impl->ResetInput(device); }

uint32_t AlsaMidiDriver::CloseInput(MidiInputHandle device) { return m_impl->CloseInput(device); }

uint32_t AlsaMidiDriver::GetOutputCount() { return m_impl->Count(false); }

uint32_t AlsaMidiDriver::GetOutputName(uint32_t id, std::u16string& name) { return m_impl->Name(false, id, name); }

uint32_t AlsaMidiDriver::GetOutputNameOfHandle(MidiOutputHandle device, std::u16string& name)
{
    return m_impl->OutputNameOfHandle(device, name);
}

uint32_t AlsaMidiDriver::OpenOutput(MidiOutputHandle* device, uint32_t id, MidiOutputCallback callback,
                                    uintptr_t instance)
{
    return m_impl->OpenOutput(device, id, callback, instance);
}

uint32_t AlsaMidiDriver::SendShort(MidiOutputHandle device, uint32_t message)
{
    return m_impl->SendShort(device, message);
}

uint32_t AlsaMidiDriver::PrepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer)
{
    return m_impl->PrepareOutputBuffer(device, buffer);
}

uint32_t AlsaMidiDriver::UnprepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer)
{
    return m_impl->UnprepareOutputBuffer(device, buffer);
}

uint32_t AlsaMidiDriver::SendLong(MidiOutputHandle device, MidiBuffer* buffer)
{
    return m_impl->SendLong(device, buffer);
}

uint32_t AlsaMidiDriver::CloseOutput(MidiOutputHandle device) { return m_impl->CloseOutput(device); }

void AlsaMidiDriver::WaitForCallbacks(uintptr_t instance) { m_impl->WaitForCallbacks(instance); }

IMidiDriver& GetAlsaMidiDriver()
{
    static AlsaMidiDriver* const driver = new AlsaMidiDriver("default", "RKT4 Editor");
    return *driver;
}

} // namespace VQ::Platform
