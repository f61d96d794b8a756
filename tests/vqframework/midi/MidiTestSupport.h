// A fixture with its own virtual MIDI driver installed, and a client that keeps what it captures, so
// that the port tests wait on arrivals instead of sleeping.
#pragma once

#include "platform/midi/virtual/VirtualMidiDriver.h"
#include "vqframework/midi/MidiComm.h"
#include "vqframework/notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace VQ::test {

using Bytes = std::vector<uint8_t>;

// What must happen is waited for this long; what must not, only briefly.
inline constexpr std::chrono::milliseconds ArrivalTimeout{10000};
inline constexpr std::chrono::milliseconds NegativeWait{50};

inline StringT<char16_t, char> Text(const char16_t* text) { return StringT<char16_t, char>(text); }

inline Bytes BytesOf(const LMidiCaptureNotificationData& data)
{
    const auto& bytes = data.GetBytes();
    return Bytes(reinterpret_cast<const uint8_t*>(bytes.GetData()),
                 reinterpret_cast<const uint8_t*>(bytes.GetData()) + bytes.GetCount());
}

// A SysEx message of the given length: F0, counting data bytes, F7.
inline Bytes SysEx(size_t length)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(i % 0x7F);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

// Keeps every captured message it receives, with the notification that carried it.
class CapturingClient : public LNotificationClient {
public:
    explicit CapturingClient(std::string name = {}, std::vector<std::string>* log = nullptr)
        : m_name(std::move(name)), m_log(log)
    {
    }

    void Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override
    {
        RCPtr<LMidiCaptureNotificationData> data =
            RCPtrDynamicCast<LMidiCaptureNotificationData>(notification->GetPayload());
        {
            std::lock_guard lock(m_mutex);
            messages.push_back(data);
            notifications.push_back(notification.Get());
            if (m_log)
                m_log->push_back(m_name);
        }
        m_changed.notify_all();
        if (action)
            action();
    }

    bool WaitFor(size_t count, std::chrono::milliseconds timeout = ArrivalTimeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return messages.size() >= count; });
    }

    std::vector<RCPtr<LMidiCaptureNotificationData>> Messages()
    {
        std::lock_guard lock(m_mutex);
        return messages;
    }

    // Runs on the dispatch thread after each message is kept.
    std::function<void()> action;
    std::vector<RCPtr<LMidiCaptureNotificationData>> messages;
    std::vector<const LNotification*> notifications;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::string m_name;
    std::vector<std::string>* m_log;
};

// Installs a driver of the test's own, without devices, for the test's duration.
class MidiDriverFixture : public ::testing::Test {
protected:
    MidiDriverFixture() { Platform::SetMidiDriver(&driver); }
    ~MidiDriverFixture() override
    {
        // Ports and clients go before the driver does.
        port = nullptr;
        if (client)
            client->UnregisterAll();
        client = nullptr;
        comm = nullptr;
        Platform::SetMidiDriver(nullptr);
    }

    // A layer with a capturing client registered.
    void Listen()
    {
        client = MakeRC<CapturingClient>();
        ASSERT_NE(client->Register(comm, MidiDataCapturedName, 0), nullptr);
    }

    Platform::VirtualMidiDriver driver;
    RCPtr<LMidiComm> comm = LMidiComm::Create();
    RCPtr<LRefCountedObject> port;
    RCPtr<CapturingClient> client;
};

} // namespace VQ::test
