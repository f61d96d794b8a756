#include "NotificationTestSupport.h"

#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {
namespace {

using test::RecordingClient;
using Log = std::vector<std::string>;

class NotificationDistributorTest : public testing::Test {
protected:
    RCPtr<RecordingClient> MakeClient(const std::string& name, int* destroyed = nullptr)
    {
        return RCPtr<RecordingClient>(new RecordingClient(name, &log, destroyed));
    }

    // Registers clients named by the letters, in order, for the id.
    std::map<char, RCPtr<RecordingClient>> RegisterInOrder(const std::string& names, const char16_t* id,
                                                           int32_t flags = 0)
    {
        std::map<char, RCPtr<RecordingClient>> clients;
        for (char name : names) {
            clients[name] = MakeClient(std::string(1, name));
            EXPECT_NE(clients[name]->Register(distributor, id, flags), nullptr);
        }
        return clients;
    }

    static void UnregisterAll(std::map<char, RCPtr<RecordingClient>>& clients)
    {
        for (auto& [name, client] : clients)
            client->UnregisterAll();
    }

    Log log;
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
};

TEST_F(NotificationDistributorTest, SendResultTellsWhetherAnyoneIsRegistered)
{
    EXPECT_EQ(distributor->Send(nullptr), E_INVALIDARG);
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_FALSE) << "no pool";

    RCPtr<RecordingClient> client = MakeClient("client");
    client->Register(distributor, u"NID_X", 0);
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_OK);
    EXPECT_EQ(client->lastSender, distributor.Get());

    client->Unregister(distributor, LNotification::InternID(u"NID_X"));
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_FALSE) << "pool without clients";
    EXPECT_EQ(client->received, 1);
}

TEST_F(NotificationDistributorTest, DeliversNewestRegistrationFirstAndOnlyForTheId)
{
    auto clients = RegisterInOrder("ABC", u"NID_X");
    RCPtr<RecordingClient> other = MakeClient("other");
    other->Register(distributor, u"NID_Y", 0);

    distributor->Send(LNotification::Create(u"NID_X"));
    EXPECT_EQ(log, (Log{"C", "B", "A"}));
    UnregisterAll(clients);
    other->UnregisterAll();
}

TEST_F(NotificationDistributorTest, CoalescingClientGetsNothingThatWasNotPosted)
{
    auto clients = RegisterInOrder("A", u"NID_X", NotificationFlagCoalesce);
    auto plain = RegisterInOrder("B", u"NID_X");
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_OK);
    EXPECT_EQ(log, (Log{"B"}));
    UnregisterAll(clients);
    UnregisterAll(plain);
}

TEST_F(NotificationDistributorTest, RegisteringAgainOnlyChangesTheFlags)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    const char16_t* id = LNotification::InternID(u"NID_X");
    EXPECT_EQ(client->Register(distributor, u"NID_X", 0), id);
    EXPECT_EQ(client->Register(distributor, u"NID_X", NotificationFlagCoalesce), id);
    EXPECT_EQ(client->GetRegistrationCount(), 1);

    int32_t flags = -1;
    EXPECT_EQ(distributor->GetClientFlags(client.Get(), u"NID_X", flags), S_OK);
    EXPECT_EQ(flags, NotificationFlagCoalesce);
    ASSERT_TRUE(distributor->FindClientPool(id));
    EXPECT_EQ(distributor->FindClientPool(id)->GetClientCount(), 1u);
    EXPECT_EQ(distributor->FindClientPool(id)->GetFlags(), NotificationFlagCoalesce);
    client->UnregisterAll();
}

TEST_F(NotificationDistributorTest, RegisterRefusesWhatHasNoDistributorOrId)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    EXPECT_EQ(client->Register(nullptr, u"NID_X", 0), nullptr);
    EXPECT_EQ(client->Register(distributor, u"", 0), nullptr);
    EXPECT_EQ(client->Register(distributor, nullptr, 0), nullptr);
    EXPECT_EQ(client->GetRegistrationCount(), 0);
    EXPECT_FALSE(distributor->HasClient(client.Get()));
}

TEST_F(NotificationDistributorTest, UnregisterResults)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    const char16_t* x = LNotification::InternID(u"NID_X");
    const char16_t* y = LNotification::InternID(u"NID_Y");
    // A client without registrations answers 1 before it looks at its arguments.
    EXPECT_EQ(client->Unregister(nullptr, nullptr), S_FALSE);
    EXPECT_EQ(client->Unregister(distributor, x), S_FALSE);

    client->Register(distributor, x, 0);
    RCPtr<LNotificationDistributor> elsewhere = test::MakeDistributor();
    const struct {
        const char* what;
        RCPtr<LNotificationDistributor> distributor;
        const char16_t* id;
        VQRESULT result;
    } cases[] = {
        {"null distributor", nullptr, x, E_INVALIDARG},
        {"null id", distributor, nullptr, E_INVALIDARG},
        {"other id", distributor, y, S_FALSE},
        {"other distributor", elsewhere, x, S_FALSE},
        {"the registration", distributor, x, S_OK},
        {"the registration again", distributor, x, S_FALSE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(client->Unregister(c.distributor, c.id), c.result) << c.what;
    EXPECT_EQ(client->GetRegistrationCount(), 0);
}

TEST_F(NotificationDistributorTest, DistributorHalvesCheckTheirArguments)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    int32_t flags = 0;
    EXPECT_EQ(distributor->AddClient(nullptr, u"NID_X", 0), E_INVALIDARG);
    EXPECT_EQ(distributor->AddClient(client.Get(), u"", 0), S_FALSE);
    EXPECT_EQ(distributor->RemoveClient(nullptr, u"NID_X"), E_INVALIDARG);
    EXPECT_EQ(distributor->RemoveClient(client.Get(), u""), E_INVALIDARG);
    EXPECT_EQ(distributor->RemoveClient(client.Get(), u"NID_X"), S_FALSE) << "no pool";
    EXPECT_EQ(distributor->GetClientFlags(client.Get(), u"", flags), E_FAIL);
    EXPECT_EQ(distributor->GetClientFlags(client.Get(), u"NID_X", flags), E_FAIL);

    client->Register(distributor, u"NID_X", 0);
    EXPECT_EQ(distributor->AddClient(client.Get(), u"NID_X", 0), S_FALSE) << "duplicate";
    RCPtr<RecordingClient> stranger = MakeClient("stranger");
    EXPECT_EQ(distributor->RemoveClient(stranger.Get(), u"NID_X"), S_FALSE) << "not in the pool";
    EXPECT_EQ(distributor->GetClientFlags(stranger.Get(), u"NID_X", flags), E_FAIL);
    EXPECT_EQ(distributor->FindClientPool(LNotification::InternID(u"NID_NEVER_REGISTERED")), nullptr);
    client->UnregisterAll();
}

TEST_F(NotificationDistributorTest, RegistrationsAreCountedAsCyclicReferencesOnBothSides)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    const int32_t distributorRefs = distributor->GetRefCount();
    const int32_t clientRefs = client->GetRefCount();

    client->Register(distributor, u"NID_X", 0);
    // One reference and one cyclic each for the registration, and one each for the registry of
    // distributors with clients.
    EXPECT_EQ(distributor->GetRefCount(), distributorRefs + 2);
    EXPECT_EQ(distributor->GetCyclicCount(), 2);
    EXPECT_EQ(client->GetRefCount(), clientRefs + 1);
    EXPECT_EQ(client->GetCyclicCount(), 1);

    client->Register(distributor, u"NID_Y", 0);
    EXPECT_EQ(distributor->GetRefCount(), distributorRefs + 3);
    EXPECT_EQ(distributor->GetCyclicCount(), 3);
    EXPECT_EQ(client->GetCyclicCount(), 2);

    EXPECT_EQ(client->Unregister(distributor, LNotification::InternID(u"NID_X")), S_OK);
    EXPECT_TRUE(distributor->HasClient(client.Get()));
    EXPECT_EQ(client->Unregister(distributor, LNotification::InternID(u"NID_Y")), S_OK);
    EXPECT_FALSE(distributor->HasClient(client.Get()));
    EXPECT_EQ(distributor->GetRefCount(), distributorRefs);
    EXPECT_EQ(distributor->GetCyclicCount(), 0);
    EXPECT_EQ(client->GetRefCount(), clientRefs);
    EXPECT_EQ(client->GetCyclicCount(), 0);
}

TEST_F(NotificationDistributorTest, ClientHeldOnlyByItsRegistrationsGoesAndLeavesNoRecord)
{
    RCPtr<LNotificationDistributor> second = test::MakeDistributor();
    int destroyed = 0;
    RCPtr<RecordingClient> client = MakeClient("client", &destroyed);
    const LNotificationClient* address = client.Get();
    client->Register(distributor, u"NID_X", 0);
    client->Register(distributor, u"NID_Y", 0);
    client->Register(second, u"NID_X", 0);

    client.Release();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(distributor->HasClient(address));
    EXPECT_FALSE(second->HasClient(address));
    EXPECT_EQ(distributor->GetRefCount(), 1);
    EXPECT_EQ(distributor->GetCyclicCount(), 0);
    EXPECT_EQ(second->GetRefCount(), 1);
}

// A release on one thread can take a registration made on another for its own last reference going;
// the client is then asked to drop its registrations while another reference is still held.
TEST_F(NotificationDistributorTest, ClientAskedToDropItsCyclesWhileStillHeldKeepsItsRegistrations)
{
    RCPtr<RecordingClient> client = MakeClient("client");
    client->Register(distributor, u"NID_X", 0);
    const RCPtr<RecordingClient> holder = client;
    EXPECT_EQ(client->ReleaseCyclicReferences(), E_FAIL);
    EXPECT_TRUE(distributor->HasClient(client.Get()));
    EXPECT_EQ(client->GetRegistrationCount(), 1);
    EXPECT_EQ(client->GetCyclicCount(), 1);
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_OK);
    EXPECT_EQ(log, Log{"client"});
    client->UnregisterAll();
}

class TrackedDistributor : public LNotificationDistributor {
public:
    explicit TrackedDistributor(int* destroyed) : m_destroyed(destroyed) {}
    ~TrackedDistributor() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST_F(NotificationDistributorTest, DistributorWithClientsLivesUntilTheLastOneUnregisters)
{
    int destroyed = 0;
    RCPtr<LNotificationDistributor> tracked(new TrackedDistributor(&destroyed));
    RCPtr<RecordingClient> client = MakeClient("client");
    client->Register(tracked, u"NID_X", 0);
    client->Register(tracked, u"NID_Y", 0);
    tracked.Release();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(client->Unregister(test::MakeDistributor(), LNotification::InternID(u"NID_X")), S_FALSE);
    EXPECT_EQ(client->UnregisterAll(), 2);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(NotificationDistributorTest, UnregisterAllCountsWhatItRemoves)
{
    RCPtr<LNotificationDistributor> second = test::MakeDistributor();
    RCPtr<RecordingClient> client = MakeClient("client");
    EXPECT_EQ(client->UnregisterAll(), 0);
    client->Register(distributor, u"NID_X", 0);
    client->Register(distributor, u"NID_Y", 0);
    client->Register(second, u"NID_X", 0);
    EXPECT_EQ(client->UnregisterAll(), 3);
    EXPECT_EQ(client->GetRegistrationCount(), 0);
    EXPECT_EQ(client->GetCyclicCount(), 0);
    EXPECT_EQ(distributor->Send(LNotification::Create(u"NID_X")), S_FALSE);
    EXPECT_EQ(second->Send(LNotification::Create(u"NID_X")), S_FALSE);
}

// What a client's Receive does to the registrations of the same id, and who is served after it.
struct DeliveryWalkCase {
    const char* what;
    char actor;                       // the client that acts, on its first notification
    std::string unregisters;          // clients it unregisters, in this order
    bool registersNewClient;          // registers a fresh client "N" for the id
    std::vector<std::string> served;  // in delivery order
};

class DeliveryWalk : public NotificationDistributorTest, public testing::WithParamInterface<DeliveryWalkCase> {};

TEST_P(DeliveryWalk, ServesEveryRemainingOlderClientOnce)
{
    const DeliveryWalkCase& c = GetParam();
    const char16_t* id = LNotification::InternID(u"NID_WALK");
    auto clients = RegisterInOrder("ABCD", id);
    RCPtr<RecordingClient> newcomer = MakeClient("N");
    clients[c.actor]->action = [&, done = false](RecordingClient&, const RCPtr<LNotificationDistributor>&,
                                                 const RCPtr<LNotification>&) mutable {
        if (done)
            return;
        done = true;
        for (char name : c.unregisters)
            EXPECT_EQ(clients[name]->Unregister(distributor, id), S_OK);
        if (c.registersNewClient)
            newcomer->Register(distributor, id, 0);
    };
    distributor->Send(LNotification::Create(id));
    EXPECT_EQ(log, c.served);
    UnregisterAll(clients);
    newcomer->UnregisterAll();
}

INSTANTIATE_TEST_SUITE_P(
    NotificationDistributor, DeliveryWalk,
    testing::Values(DeliveryWalkCase{"itself", 'C', "C", false, {"D", "C", "B", "A"}},
                    DeliveryWalkCase{"an older client", 'C', "A", false, {"D", "C", "B"}},
                    DeliveryWalkCase{"all older clients", 'C', "BA", false, {"D", "C"}},
                    DeliveryWalkCase{"a served client and itself", 'C', "DC", false, {"D", "C", "B", "A"}},
                    DeliveryWalkCase{"everyone", 'B', "DCBA", false, {"D", "C", "B"}},
                    DeliveryWalkCase{"the oldest, itself", 'A', "A", false, {"D", "C", "B", "A"}},
                    DeliveryWalkCase{"registers a newcomer", 'C', "", true, {"D", "C", "B", "A"}},
                    DeliveryWalkCase{"itself and registers a newcomer", 'D', "D", true, {"D", "C", "B", "A"}}),
    [](const testing::TestParamInfo<DeliveryWalkCase>& info) {
        std::string name;
        for (char ch : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST_F(NotificationDistributorTest, NestedSendOfTheSameIdKeepsTheOuterPosition)
{
    const char16_t* id = LNotification::InternID(u"NID_NESTED");
    auto clients = RegisterInOrder("ABC", id);
    clients['B']->action = [&, nested = false](RecordingClient&, const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>&) mutable {
        if (nested)
            return;
        nested = true;
        log.push_back("[");
        sender->Send(LNotification::Create(id));
        log.push_back("]");
    };
    distributor->Send(LNotification::Create(id));
    EXPECT_EQ(log, (Log{"C", "B", "[", "C", "B", "A", "]", "A"}));
    UnregisterAll(clients);
}

TEST_F(NotificationDistributorTest, NestedSendThatRemovesAnOlderClientMovesTheOuterDeliveryToo)
{
    const char16_t* id = LNotification::InternID(u"NID_NESTED");
    auto clients = RegisterInOrder("ABCD", id);
    clients['C']->action = [&, nested = false](RecordingClient&, const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>&) mutable {
        if (nested)
            return;
        nested = true;
        sender->Send(LNotification::Create(id));
    };
    clients['A']->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        clients['B']->Unregister(distributor, id);
    };
    distributor->Send(LNotification::Create(id));
    // Outer: D, C (inner: D, C, B, A — A removes B), then the outer walk goes on below C: A.
    EXPECT_EQ(log, (Log{"D", "C", "D", "C", "B", "A", "A"}));
    UnregisterAll(clients);
}

TEST_F(NotificationDistributorTest, ThrowingClientStopsTheDeliveryAndLeavesNoReferenceBehind)
{
    const char16_t* id = LNotification::InternID(u"NID_THROW");
    auto clients = RegisterInOrder("ABC", id);
    clients['B']->action = [](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        throw std::runtime_error("client failure");
    };
    const int32_t refsB = clients['B']->GetRefCount();
    const int32_t refsDistributor = distributor->GetRefCount();
    EXPECT_THROW(distributor->Send(LNotification::Create(id)), std::runtime_error);
    EXPECT_EQ(log, (Log{"C", "B"}));
    EXPECT_EQ(clients['B']->GetRefCount(), refsB);
    EXPECT_EQ(distributor->GetRefCount(), refsDistributor);

    clients['B']->action = nullptr;
    log.clear();
    EXPECT_EQ(distributor->Send(LNotification::Create(id)), S_OK);
    EXPECT_EQ(log, (Log{"C", "B", "A"}));
    UnregisterAll(clients);
}

// Records every Unregister call made on it before doing it.
class UnregisterRecorder : public RecordingClient {
public:
    using RecordingClient::RecordingClient;
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override
    {
        unregisterLog->push_back(name + ":" + test::NameOf(id));
        return LNotificationClient::Unregister(distributor, id);
    }
    Log* unregisterLog = nullptr;
};

TEST_F(NotificationDistributorTest, RemoveAllClientsAsksNewestIdAndNewestClientFirst)
{
    Log unregistered;
    const std::pair<const char*, const char16_t*> registrations[] = {
        {"A", u"NID_FIRST"}, {"B", u"NID_FIRST"}, {"C", u"NID_SECOND"}, {"A", u"NID_SECOND"}};
    std::map<std::string, RCPtr<UnregisterRecorder>> byName;
    for (const auto& [name, id] : registrations) {
        RCPtr<UnregisterRecorder>& client = byName[name];
        if (!client) {
            client = RCPtr<UnregisterRecorder>(new UnregisterRecorder(name, &log));
            client->unregisterLog = &unregistered;
        }
        client->Register(distributor, id, 0);
    }
    EXPECT_EQ(distributor->RemoveAllClients(), S_OK);
    EXPECT_EQ(unregistered, (Log{"A:NID_SECOND", "C:NID_SECOND", "B:NID_FIRST", "A:NID_FIRST"}));
    for (auto& [name, client] : byName)
        EXPECT_EQ(client->GetRegistrationCount(), 0) << name;
    EXPECT_EQ(distributor->GetRefCount(), 1);
    EXPECT_EQ(distributor->GetCyclicCount(), 0);
}

TEST_F(NotificationDistributorTest, WalkingAPoolWithSendToClientFollowsRemovals)
{
    const char16_t* id = LNotification::InternID(u"NID_WALKED");
    auto clients = RegisterInOrder("ABCD", id);
    clients['B']->Register(distributor, id, NotificationFlagCoalesce);
    clients['C']->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        clients['A']->Unregister(distributor, id);
    };
    RCPtr<LNotificationDistributor::LNotificationClientPool> pool = distributor->FindClientPool(id);
    ASSERT_TRUE(pool);
    const RCPtr<LNotification> notification = LNotification::Create(id);

    std::vector<int32_t> returned;
    for (int32_t index = static_cast<int32_t>(pool->GetClientCount()) - 1; index >= 0; --index) {
        EXPECT_TRUE(pool->GetClientAt(index));
        index = pool->SendToClient(distributor, index, notification);
        returned.push_back(index);
    }
    // D at 3; C at 2 removes A below it and stands at 1 afterwards; B coalesces and is skipped at 0.
    EXPECT_EQ(returned, (std::vector<int32_t>{3, 1, 0}));
    EXPECT_EQ(log, (Log{"D", "C"}));
    EXPECT_FALSE(pool->GetClientAt(5));
    EXPECT_EQ(pool->SendToClient(distributor, 7, notification), 7) << "an index past the end is skipped";
    UnregisterAll(clients);
}

} // namespace
} // namespace VQ
