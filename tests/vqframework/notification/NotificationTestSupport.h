// Clients, payloads and a one-shot event shared by the notification tests.
#pragma once

#include "vqframework/notification/Notification.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/storage/StringT.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace VQ::test {

// The name of an id as narrow text, for readable logs and messages.
inline std::string NameOf(const char16_t* id)
{
    return id ? std::string(StringT<char16_t, char>(id).ToUTF8().GetString()) : std::string("(null)");
}

// Counts its destruction into a caller's counter.
class TrackedPayload : public virtual LRefCountedObject {
public:
    explicit TrackedPayload(int* destroyed, int value = 0) : value(value), m_destroyed(destroyed) {}
    ~TrackedPayload() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }

    const int value;

private:
    int* m_destroyed;
};

// Appends "<name>" (or "<name>:<id>" when asked) to a shared log on every notification, then runs an
// optional action; counts its destruction.
class RecordingClient : public LNotificationClient {
public:
    using Action = std::function<void(RecordingClient& self, const RCPtr<LNotificationDistributor>& sender,
                                      const RCPtr<LNotification>& notification)>;

    RecordingClient(std::string name, std::vector<std::string>* log, int* destroyed = nullptr)
        : name(std::move(name)), m_log(log), m_destroyed(destroyed)
    {
    }
    ~RecordingClient() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override
    {
        lastSender = sender.Get();
        lastNotification = notification.Get();
        ++received;
        if (m_log)
            m_log->push_back(withId ? name + ":" + NameOf(notification->GetID()) : name);
        if (action)
            action(*this, sender, notification);
    }

    const std::string name;
    bool withId = false;
    Action action;
    int received = 0;
    const LNotificationDistributor* lastSender = nullptr;
    const LNotification* lastNotification = nullptr;

private:
    std::vector<std::string>* m_log;
    int* m_destroyed;
};

inline RCPtr<LNotificationDistributor> MakeDistributor()
{
    return RCPtr<LNotificationDistributor>(new LNotificationDistributor());
}

// A signal one thread waits for with a time limit, so that a broken test fails instead of hanging.
class OneShotEvent {
public:
    void Set()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_set = true;
        }
        m_condition.notify_all();
    }

    bool Wait(std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_condition.wait_for(lock, limit, [this] { return m_set; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_set = false;
};

} // namespace VQ::test
