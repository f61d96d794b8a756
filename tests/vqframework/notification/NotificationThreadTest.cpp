#include "NotificationTestSupport.h"

#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/notification/NotificationHandler.h"
#include "vqframework/notification/NotificationQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace VQ {
namespace {

using test::OneShotEvent;
using test::RecordingClient;
using test::TrackedPayload;

// Records the sequence number carried by every notification it receives, from any thread; at its end
// it reports whether it ever received one notification twice.
class SequenceClient : public LNotificationClient {
public:
    SequenceClient(std::atomic<int>* destroyed, std::atomic<int>* duplicates)
        : m_destroyed(destroyed), m_duplicates(duplicates)
    {
    }
    ~SequenceClient() override
    {
        if (HasDuplicates())
            ++*m_duplicates;
        if (destroyedOn)
            *destroyedOn = std::this_thread::get_id();
        ++*m_destroyed;
    }

    void Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override
    {
        const auto* payload = dynamic_cast<const TrackedPayload*>(notification->GetPayload().Get());
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_seen.push_back(payload ? payload->value : -1);
        }
        if (action)
            action(*this);
    }

    std::vector<int> Seen() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }

    bool HasDuplicates() const
    {
        std::vector<int> seen = Seen();
        std::sort(seen.begin(), seen.end());
        return std::adjacent_find(seen.begin(), seen.end()) != seen.end();
    }

    // Both set before the client is shared. The action runs on the delivering thread.
    std::function<void(SequenceClient&)> action;
    std::thread::id* destroyedOn = nullptr;

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_seen;
    std::atomic<int>* m_destroyed;
    std::atomic<int>* m_duplicates;
};

RCPtr<LNotification> Numbered(const char16_t* id, int number)
{
    return LNotification::Create(id, RCPtr<LRefCountedObject>(new TrackedPayload(nullptr, number)));
}

class NotificationThreads : public testing::Test {
protected:
    RCPtr<SequenceClient> MakeClient()
    {
        ++created;
        return RCPtr<SequenceClient>(new SequenceClient(&destroyed, &duplicates));
    }

    int created = 0;
    std::atomic<int> destroyed{0};
    std::atomic<int> duplicates{0};
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
};

// Two threads send while this one registers and unregisters clients in every way there is. The
// steady clients, registered above older ones that go during the run, must get every notification
// exactly once; nobody may get one twice.
TEST_F(NotificationThreads, RegistrationsChangeWhileTwoThreadsDeliver)
{
    const char16_t* id = LNotification::InternID(u"NID_STRESS");
    std::deque<RCPtr<SequenceClient>> older;
    for (int i = 0; i < 40; ++i) {
        older.push_back(MakeClient());
        older.back()->Register(distributor, id, 0);
    }
    std::vector<RCPtr<SequenceClient>> steady;
    for (int i = 0; i < 3; ++i) {
        steady.push_back(MakeClient());
        steady.back()->Register(distributor, id, 0);
    }

    std::atomic<bool> stop{false};
    std::atomic<int> sequence{0};
    std::atomic<int> running{0};
    OneShotEvent bothDelivering;
    auto deliver = [&] {
        bool first = true;
        while (!stop.load()) {
            distributor->Send(Numbered(id, sequence++));
            if (first && ++running == 2)
                bothDelivering.Set();
            first = false;
        }
    };
    std::thread deliverers[] = {std::thread(deliver), std::thread(deliver)};
    ASSERT_TRUE(bothDelivering.Wait());

    std::vector<RCPtr<SequenceClient>> selfRemoving;
    for (int round = 0; round < 400; ++round) {
        RCPtr<SequenceClient> client = MakeClient();
        if (round % 4 == 3) {
            client->action = [](SequenceClient& self) { self.UnregisterAll(); };
            selfRemoving.push_back(client);
        }
        client->Register(distributor, id, round % 3 == 0 ? NotificationFlagCoalesce : 0);
        if (round % 2 == 0)
            client->Register(distributor, u"NID_STRESS_OTHER", 0);
        if (round % 10 == 0) {
            older.front()->Unregister(distributor, id);
            older.pop_front();
        }
        switch (round % 4) {
        case 0:
            client->Unregister(distributor, id);
            break;
        case 1:
            client->UnregisterAll();
            break;
        default:
            // Released below while registered: a client held only by its registrations unregisters
            // itself and goes, on whichever thread drops the last other reference; one that removes
            // itself on its first notification is kept until the end.
            break;
        }
        client.Release();
    }
    stop.store(true);
    for (std::thread& deliverer : deliverers)
        deliverer.join();

    const int sent = sequence.load();
    for (const RCPtr<SequenceClient>& client : steady) {
        std::vector<int> seen = client->Seen();
        std::sort(seen.begin(), seen.end());
        ASSERT_EQ(seen.size(), static_cast<size_t>(sent));
        for (int i = 0; i < sent; ++i)
            ASSERT_EQ(seen[static_cast<size_t>(i)], i);
        client->UnregisterAll();
    }
    steady.clear();
    selfRemoving.clear();
    ASSERT_TRUE(older.empty());
    EXPECT_EQ(destroyed.load(), created);
    EXPECT_EQ(duplicates.load(), 0);
    EXPECT_EQ(distributor->GetRefCount(), 1);
    EXPECT_EQ(distributor->GetCyclicCount(), 0);
}

TEST_F(NotificationThreads, ClientReleasedDuringItsDeliveryGoesOnTheDeliveringThread)
{
    const char16_t* id = LNotification::InternID(u"NID_LAST_REFERENCE");
    RCPtr<SequenceClient> client = MakeClient();
    std::thread::id destroyedOn;
    client->destroyedOn = &destroyedOn;
    OneShotEvent entered;
    OneShotEvent proceed;
    client->action = [&](SequenceClient&) {
        entered.Set();
        EXPECT_TRUE(proceed.Wait());
    };
    client->Register(distributor, id, 0);
    std::thread::id deliveringThread;
    std::thread deliverer([&] {
        deliveringThread = std::this_thread::get_id();
        distributor->Send(Numbered(id, 1));
    });
    ASSERT_TRUE(entered.Wait());
    client.Release();
    EXPECT_EQ(destroyed.load(), 0) << "the delivery holds it";
    proceed.Set();
    deliverer.join();
    EXPECT_EQ(destroyed.load(), 1);
    EXPECT_EQ(destroyedOn, deliveringThread);
    EXPECT_EQ(distributor->GetRefCount(), 1);
    EXPECT_EQ(distributor->GetCyclicCount(), 0);
}

// While the newest client is being served on another thread, this thread changes the registrations.
struct CrossThreadChange {
    const char* what;
    std::function<void(const RCPtr<LNotificationDistributor>&, std::vector<RCPtr<RecordingClient>>&)> change;
    std::vector<std::string> served;
};

class CrossThreadWalk : public testing::TestWithParam<CrossThreadChange> {};

TEST_P(CrossThreadWalk, OlderClientsSeeTheChangeNewerOnesDoNot)
{
    const char16_t* id = LNotification::InternID(u"NID_CROSS");
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    std::vector<std::string> log;
    std::vector<RCPtr<RecordingClient>> clients;
    for (const char* name : {"A", "B", "C"}) {
        clients.emplace_back(new RecordingClient(name, &log));
        clients.back()->Register(distributor, id, 0);
    }
    OneShotEvent entered;
    OneShotEvent proceed;
    clients[2]->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        entered.Set();
        EXPECT_TRUE(proceed.Wait());
    };
    std::thread deliverer([&] { distributor->Send(LNotification::Create(id)); });
    ASSERT_TRUE(entered.Wait());
    GetParam().change(distributor, clients);
    proceed.Set();
    deliverer.join();
    EXPECT_EQ(log, GetParam().served);
    for (RCPtr<RecordingClient>& client : clients)
        client->UnregisterAll();
}

INSTANTIATE_TEST_SUITE_P(
    NotificationThreads, CrossThreadWalk,
    testing::Values(
        CrossThreadChange{"UnregistersAnOlderClient",
                          [](const RCPtr<LNotificationDistributor>& d, std::vector<RCPtr<RecordingClient>>& clients) {
                              clients[1]->Unregister(d, LNotification::InternID(u"NID_CROSS"));
                          },
                          {"C", "A"}},
        CrossThreadChange{"UnregistersTheClientBeingServed",
                          [](const RCPtr<LNotificationDistributor>& d, std::vector<RCPtr<RecordingClient>>& clients) {
                              clients[2]->Unregister(d, LNotification::InternID(u"NID_CROSS"));
                          },
                          {"C", "B", "A"}},
        CrossThreadChange{"RegistersANewClient",
                          [](const RCPtr<LNotificationDistributor>& d, std::vector<RCPtr<RecordingClient>>& clients) {
                              clients.emplace_back(new RecordingClient("N", nullptr));
                              clients.back()->Register(d, u"NID_CROSS", 0);
                          },
                          {"C", "B", "A"}}),
    [](const testing::TestParamInfo<CrossThreadChange>& info) { return std::string(info.param.what); });

// Hands what it receives to its table, as a port layer's client does on the port's thread.
class DispatchingOwner : public LNotificationClient {
public:
    DispatchingOwner() : table(LNotificationHandler<DispatchingOwner>::Create(this)) {}

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override
    {
        table->Dispatch(sender, notification);
    }
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override
    {
        table->RemoveHandler(distributor, id);
        return LNotificationClient::Unregister(distributor, id);
    }
    VQRESULT OnNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
    {
        ++handled;
        return S_OK;
    }

    RCPtr<LNotificationHandler<DispatchingOwner>> table;
    std::atomic<int> handled{0};
};

TEST_F(NotificationThreads, HandlerTableChangesWhileAnotherThreadDispatches)
{
    const char16_t* captured = LNotification::InternID(u"NID_MIDI_DATA_CAPTURED");
    RCPtr<DispatchingOwner> owner(new DispatchingOwner());
    ASSERT_EQ(owner->table->RegisterHandler(&DispatchingOwner::OnNotification, distributor, captured, 0), S_OK);
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    OneShotEvent delivering;
    // One notification sent over and over: making one per send would take the process-wide
    // notification lock, which the registrations take too, and hide a race from the sanitizer.
    const RCPtr<LNotification> notification = LNotification::Create(captured);
    std::thread port([&] {
        while (!stop.load()) {
            distributor->Send(notification);
            ++sent;
            delivering.Set();
        }
    });
    ASSERT_TRUE(delivering.Wait());
    // Several keys at a time, so that the table's tree is rebalanced around the port's entry.
    const char16_t* valueChange = LNotification::InternID(u"NID_VALUE_CHANGE");
    for (int round = 0; round < 100; ++round) {
        std::vector<RCPtr<LNotificationDistributor>> controls;
        for (int i = 0; i < 6; ++i) {
            controls.push_back(test::MakeDistributor());
            owner->table->RegisterHandler(&DispatchingOwner::OnNotification, controls.back(), valueChange, 0);
        }
        {
            CAutoNotificationDisabler<DispatchingOwner> suspended(owner->table, controls[round % 6], valueChange);
        }
        for (const RCPtr<LNotificationDistributor>& control : controls)
            owner->Unregister(control, valueChange);
    }
    stop.store(true);
    port.join();
    EXPECT_EQ(owner->handled.load(), sent.load());
    owner->UnregisterAll();
}

// Pooling on, so that notifications recycled by the draining thread are reused by the posters.
class NotificationPostingThreads : public NotificationThreads {
protected:
    void SetUp() override { LNotification::SetPoolingEnabled(true); }
    void TearDown() override { LNotification::SetPoolingEnabled(false); }
};

TEST_F(NotificationPostingThreads, PostsFromSeveralThreadsAreDrainedInTheirOrder)
{
    constexpr int posters = 4;
    constexpr int perPoster = 500;
    const char16_t* id = LNotification::InternID(u"NID_POSTED_FROM_THREADS");
    RCPtr<LNotificationCenter> center = LNotificationCenter::Create(u"posting threads");
    RCPtr<SequenceClient> plain = MakeClient();
    RCPtr<SequenceClient> coalescing = MakeClient();
    const std::thread::id drainingThread = std::this_thread::get_id();
    plain->action = [drainingThread](SequenceClient&) { EXPECT_EQ(std::this_thread::get_id(), drainingThread); };
    plain->Register(center, id, 0);
    coalescing->Register(center, id, NotificationFlagCoalesce);

    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < posters; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < perPoster; ++i)
                EXPECT_EQ(center->Post(Numbered(id, t * perPoster + i)), S_OK);
            ++finished;
        });
    }
    while (finished.load() < posters)
        center->ProcessNotifications(false);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_FALSE(center->ProcessNotifications(false));

    const std::vector<int> seen = plain->Seen();
    ASSERT_EQ(seen.size(), static_cast<size_t>(posters * perPoster));
    std::vector<int> next(posters, 0);
    for (int value : seen) {
        const int poster = value / perPoster;
        ASSERT_EQ(value % perPoster, next[static_cast<size_t>(poster)]) << "out of order from poster " << poster;
        ++next[static_cast<size_t>(poster)];
    }
    const std::vector<int> newest = coalescing->Seen();
    ASSERT_FALSE(newest.empty());
    EXPECT_LE(newest.size(), seen.size());
    EXPECT_EQ(newest.back(), seen.back()) << "the coalescing client ends with the newest notification";
    plain->UnregisterAll();
    coalescing->UnregisterAll();
}

// Posters walk the coalescing registrations to mark the newest notification while this thread
// registers, unregisters and drains.
TEST_F(NotificationPostingThreads, PostersAndRegistrationChangesShareTheCoalescingRecords)
{
    const char16_t* id = LNotification::InternID(u"NID_COALESCED_FROM_THREADS");
    RCPtr<LNotificationQueue> queue(new LNotificationQueue());
    ASSERT_EQ(queue->SetDistributor(distributor), S_OK);
    constexpr int posters = 2;
    std::atomic<int> sequence{0};
    std::atomic<int> finished{0};
    OneShotEvent posting;
    // Registered before the first post, so that at least the newest post is marked for it however
    // quickly the posters finish.
    RCPtr<SequenceClient> steady = MakeClient();
    steady->Register(distributor, id, NotificationFlagCoalesce);
    std::vector<std::thread> threads;
    for (int t = 0; t < posters; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 3000; ++i) {
                queue->Post(Numbered(id, sequence++));
                posting.Set();
            }
            ++finished;
        });
    }
    ASSERT_TRUE(posting.Wait());
    for (int round = 0; round < 300 || finished.load() < posters; ++round) {
        RCPtr<SequenceClient> client = MakeClient();
        client->Register(distributor, id, round % 2 == 0 ? NotificationFlagCoalesce : 0);
        queue->ProcessNotifications(round % 5 == 0);
        if (round % 3 == 0)
            client->Unregister(distributor, id);
    }
    for (std::thread& thread : threads)
        thread.join();
    queue->ProcessNotifications(false);
    EXPECT_FALSE(steady->Seen().empty());
    steady->UnregisterAll();
    steady.Release();
    queue.Release();
    EXPECT_EQ(destroyed.load(), created);
    EXPECT_EQ(duplicates.load(), 0);
    EXPECT_EQ(distributor->GetRefCount(), 1);
}

} // namespace
} // namespace VQ
