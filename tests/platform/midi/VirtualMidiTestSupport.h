// Callbacks recorded for the tests of the virtual MIDI driver, waited for on a condition instead of
// sleeping, and the buffers and messages those tests hand in.
#pragma once

#include "platform/midi/MidiDriver.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace VQ::Platform::test {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// What must happen is waited for generously; what must not, for this long.
inline constexpr auto LongWait = 10s;
inline constexpr auto NegativeWait = 50ms;

// One callback as seen by the test, with a copy of the buffer it handed back.
struct Callback {
    uintptr_t handle = 0;
    uint32_t event = 0;
    uintptr_t param1 = 0;
    uintptr_t param2 = 0;
    std::thread::id thread;
    Bytes bytes;
    uint32_t flags = 0;
};

// Records the callbacks of input and output devices and lets the test wait for them.
class Recorder {
public:
    static void OnInput(MidiInputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                        uintptr_t param2)
    {
        reinterpret_cast<Recorder*>(instance)->Add(reinterpret_cast<uintptr_t>(device), event, param1, param2);
    }
    static void OnOutput(MidiOutputHandle device, uint32_t event, uintptr_t instance, uintptr_t param1,
                         uintptr_t param2)
    {
        reinterpret_cast<Recorder*>(instance)->Add(reinterpret_cast<uintptr_t>(device), event, param1, param2);
    }

    uintptr_t Instance() { return reinterpret_cast<uintptr_t>(this); }

    // Waits for count callbacks of the event, then answers them.
    std::vector<Callback> WaitFor(uint32_t event, size_t count, std::chrono::milliseconds timeout = LongWait)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, timeout, [&] { return Of(event).size() >= count; });
        return Of(event);
    }

    std::vector<Callback> Events(uint32_t event)
    {
        std::lock_guard lock(m_mutex);
        return Of(event);
    }

    // Buffers handed back go straight back into the queue, as the port layer does.
    void RequeueWith(IMidiDriver* driver) { m_requeueDriver = driver; }

private:
    void Add(uintptr_t handle, uint32_t event, uintptr_t param1, uintptr_t param2)
    {
        Callback callback{handle, event, param1, param2, std::this_thread::get_id(), {}, 0};
        if (event == MidiInputLongData || event == MidiOutputDone) {
            auto* buffer = reinterpret_cast<MidiBuffer*>(param1);
            callback.flags = buffer->flags;
            if (event == MidiInputLongData)
                callback.bytes.assign(buffer->data, buffer->data + buffer->recorded);
        }
        IMidiDriver* requeueDriver = m_requeueDriver.load();
        if (event == MidiInputLongData && requeueDriver) {
            auto* buffer = reinterpret_cast<MidiBuffer*>(param1);
            requeueDriver->AddInputBuffer(reinterpret_cast<MidiInputHandle>(handle), buffer);
        }
        // The last touch of the recorder: a waiter may destroy it as soon as it wakes.
        std::lock_guard lock(m_mutex);
        m_callbacks.push_back(std::move(callback));
        m_changed.notify_all();
    }

    std::vector<Callback> Of(uint32_t event) const
    {
        std::vector<Callback> result;
        for (const Callback& callback : m_callbacks) {
            if (callback.event == event)
                result.push_back(callback);
        }
        return result;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Callback> m_callbacks;
    std::atomic<IMidiDriver*> m_requeueDriver{nullptr};
};

// An input buffer as the port layer keeps it.
struct InputBuffer {
    std::array<uint8_t, MidiInputBufferSize> data{};
    MidiBuffer header{data.data(), MidiInputBufferSize, 0, 0, 0};
};

inline Bytes SysEx(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 1; i + 1 < size; ++i)
        bytes[i] = uint8_t(i % 0x80);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

inline Bytes Concat(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace VQ::Platform::test
