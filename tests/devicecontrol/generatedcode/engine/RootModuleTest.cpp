#include "ModelTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace VQ::test {
namespace {

constexpr int32_t R = 5;

// A root that counts the device-list notifications it raises.
class LObservedRoot : public LRootModule {
public:
    static RCPtr<LObservedRoot> Create(bool offline)
    {
        RCPtr<LObservedRoot> root(new LObservedRoot(offline));
        root->CreateChildren();
        return root;
    }
    void OnDeviceListChanged() override
    {
        ++deviceListChanges;
        LRootModule::OnDeviceListChanged();
    }

    int deviceListChanges = 0;

private:
    explicit LObservedRoot(bool offline) : LRootModule(offline) {}
};

class RootModuleTest : public testing::Test {
protected:
    void Start(bool offline, const RCPtr<LDeviceCommunicationInterface>& deviceCommunication)
    {
        root = LObservedRoot::Create(offline);
        EXPECT_EQ(root->Initialize(&ChangeLog::Record, &log, cache, deviceCommunication, R), 0);
    }
    void Start(bool offline) { Start(offline, communication); }

    int32_t Write(int32_t id, const Variant& value)
    {
        log.writing = true;
        const int32_t result = root->SetParamValue(ParamDescriptor(id), value);
        log.writing = false;
        return result;
    }

    Variant Cached(int32_t index)
    {
        Variant value;
        EXPECT_EQ(cache->GetValue(ParamDescriptor(index), value), 0);
        return value;
    }

    Variant Read(int32_t id, int32_t expectedResult = 0)
    {
        Variant value;
        EXPECT_EQ(root->GetParamValue(ParamDescriptor(id), value), expectedResult) << id;
        return value;
    }

    void Receive(const std::vector<ParamValue>& elements)
    {
        ParamValues values;
        values.Set(elements.data(), static_cast<uint32_t>(elements.size()));
        root->ReceiveParamValues(values);
    }

    ChangeLog log;
    RCPtr<LParamCache> cache = LParamCache::Create(17);
    RCPtr<LRecordingCommunication> communication = LRecordingCommunication::Create();
    RCPtr<LObservedRoot> root;
};

TEST_F(RootModuleTest, InitializeLoadsEveryDefaultWithoutReportingIt)
{
    Start(false);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(BytesOf(Cached(0)), Bytes({0}));
    EXPECT_EQ(BytesOf(Cached(1)), Bytes({36, 0, 0, 0}));
    EXPECT_EQ(BytesOf(Cached(12)), Bytes({3, 0, 127}));
    EXPECT_EQ(BytesOf(Cached(16)), Bytes({7, 0, 127}));
    EXPECT_EQ(BytesOf(Read(R + 1)), Bytes({36, 0, 0, 0}));
    EXPECT_TRUE(communication->read.empty()) << "tree ids are read from the cache";
}

TEST_F(RootModuleTest, OnlineWriteStoresAndReportsAChangeOnceAndAlwaysAnswersWithTheDevice)
{
    Start(false);
    const Variant value = Blob({60, 1, 2, 1});
    EXPECT_EQ(Write(R + 3, value), 7);
    EXPECT_EQ(Write(R + 3, value), 7);

    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].change.id, R + 3);
    EXPECT_EQ(log.entries[0].change.key.GetType(), Variant::TypeEmpty);
    EXPECT_TRUE(log.entries[0].change.value == value);
    EXPECT_TRUE(Cached(3) == value);
    EXPECT_TRUE(Read(R + 3) == value);
    ASSERT_EQ(communication->written.size(), 2u) << "every write goes to the device";
    EXPECT_EQ(communication->written[1].id, R + 3);
    EXPECT_TRUE(communication->written[1].value == value);
}

TEST_F(RootModuleTest, EmptyValueIsNeitherStoredNorReported)
{
    for (bool offline : {false, true}) {
        log.entries.clear();
        Start(offline);
        Write(R + 2, Variant());
        EXPECT_EQ(BytesOf(Cached(2)), Bytes({37, 1, 1, 0})) << offline;
        EXPECT_TRUE(log.entries.empty()) << offline;
    }
}

TEST_F(RootModuleTest, OfflineWritesAndReadsUseTheCacheAlone)
{
    Start(true);
    EXPECT_EQ(Write(R + 17, Blob({1})), -1);
    EXPECT_EQ(Write(R - 1, Blob({1})), -1);
    const Variant knob = Blob({20, 10, 100});
    EXPECT_EQ(Write(R + 16, knob), 0);

    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].change.id, R + 16);
    EXPECT_TRUE(Cached(16) == knob);
    EXPECT_TRUE(Read(R + 16) == knob);
    EXPECT_EQ(Read(R + 17).GetType(), Variant::TypeEmpty);
    EXPECT_TRUE(communication->written.empty());
    // Special ids are the device's even offline.
    EXPECT_TRUE(Read(-9, 3) == Variant(42));
    EXPECT_EQ(communication->read, std::vector<int32_t>({-9}));
}

TEST_F(RootModuleTest, OnlineIdWithoutModuleStoresNothingAndGivesTheDevicesAnswer)
{
    Start(false);
    EXPECT_EQ(Write(R + 17, Blob({1})), 7);
    EXPECT_EQ(Write(-8, Blob({1})), 7);
    EXPECT_EQ(Write(-200, Blob({1})), 7);
    EXPECT_TRUE(log.entries.empty());
    ASSERT_EQ(communication->written.size(), 3u);
    EXPECT_EQ(communication->written[1].id, -8);
    EXPECT_EQ(communication->written[2].id, -200);

    Variant out = Blob({9});
    EXPECT_EQ(root->GetParamValue(ParamDescriptor(R + 17), out), E_FAIL);
    EXPECT_EQ(out.GetType(), Variant::TypeEmpty);
}

TEST_F(RootModuleTest, LeafWritesOnlyItsOwnIdAndSendsSpecialValuesOnlyWhenNotLocal)
{
    Start(false);
    RCPtr<LParameterizedModule> pad = root->GetModule(R + 1);
    struct Case {
        int32_t id;
        bool local;
        int32_t expected;
        bool forwarded;
    };
    const Case cases[] = {
        {R + 2, false, -1, false}, {R + 2, true, -1, false}, {-200, false, 1, true}, {-200, true, 1, false},
        {-129, false, 1, true},    {-256, false, 1, true},   {-128, false, -1, false}, {-257, false, -1, false},
        {-100, false, -1, false},  {-300, false, -1, false},
    };
    for (const Case& c : cases) {
        communication->written.clear();
        EXPECT_EQ(pad->SetParamValueLocal(ParamDescriptor(c.id), Blob({99}), c.local), c.expected) << c.id;
        EXPECT_EQ(communication->written.size(), c.forwarded ? 1u : 0u) << c.id << " " << c.local;
    }
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(BytesOf(Cached(2)), Bytes({37, 1, 1, 0}));

    EXPECT_EQ(pad->SetParamValueLocal(ParamDescriptor(R + 1), Blob({99}), false), 0);
    EXPECT_EQ(BytesOf(Cached(1)), Bytes({99}));
    EXPECT_TRUE(communication->written.empty()) << "the leaf stores; only the root's write road sends";
}

TEST_F(RootModuleTest, ReceivedValuesAreStoredThroughTheirModuleOrReportedAsTheyCame)
{
    Start(false);
    const Variant pad = Blob({50, 5, 5, 1});
    const Variant stray = Blob({1, 2});
    const Variant special = Blob({3});
    Variant keyed = Variant(1);
    Receive({
        ParamValue(R + 20, Variant(), stray),
        ParamValue(R + 2, Variant(), pad),
        ParamValue(R + 9, Variant(), Blob({0, 0, 127})),
        ParamValue(-2, Variant(), Variant::Of(true)),
        ParamValue(-2, Variant(), Variant::Of(false)),
        ParamValue(-150, Variant(), special),
        ParamValue(R + 3, Variant(), Variant()),
        ParamValue(-7, keyed, Variant()),
    });

    ASSERT_EQ(log.entries.size(), 6u);
    EXPECT_EQ(log.entries[0].change.id, R + 20);
    EXPECT_TRUE(log.entries[0].change.value == stray);
    EXPECT_EQ(log.entries[1].change.id, R + 2);
    EXPECT_TRUE(log.entries[1].change.value == pad);
    EXPECT_EQ(log.entries[2].change.id, -2);
    EXPECT_TRUE(log.entries[2].change.value == Variant::Of(true));
    EXPECT_EQ(log.entries[3].change.id, -2);
    EXPECT_EQ(log.entries[4].change.id, -150);
    EXPECT_EQ(log.entries[5].change.id, -7);
    EXPECT_EQ(log.entries[5].change.key.GetType(), Variant::TypeEmpty) << "reported without its key";
    EXPECT_EQ(log.entries[5].change.value.GetType(), Variant::TypeEmpty) << "reported whatever the value";
    EXPECT_EQ(root->deviceListChanges, 1);

    EXPECT_TRUE(Cached(2) == pad);
    EXPECT_EQ(BytesOf(Cached(3)), Bytes({38, 2, 2, 0}));
    for (int32_t i = 0; i < 17; ++i)
        EXPECT_FALSE(Cached(i) == stray || Cached(i) == special) << i;
    EXPECT_TRUE(communication->written.empty()) << "received values are not sent back";
}

TEST_F(RootModuleTest, LoopbackReportsItsAnswerWhileTheWriteIsStillInProgress)
{
    RCPtr<LDeviceCommunicationInterface> real = LDeviceCommunicationInterface::Create();
    Start(false, real);
    EXPECT_EQ(Write(-4, Variant::Of<int64_t>(5)), 0);

    ASSERT_EQ(log.entries.size(), 1u);
    const ChangeLog::Entry& entry = log.entries[0];
    EXPECT_TRUE(entry.duringWrite);
    EXPECT_EQ(entry.change.id, -4);
    const Variant items[] = {Variant::Of<int64_t>(5), Variant::Of(true)};
    Variant expected;
    expected.SetList(items, 2);
    EXPECT_TRUE(entry.change.value == expected);
    root->Shutdown();
}

TEST_F(RootModuleTest, ReleasedRootIsNoLongerTheDeviceCommunicationsReceiver)
{
    RCPtr<LDeviceCommunicationInterface> real = LDeviceCommunicationInterface::Create();
    Start(false, real);
    root.Release();
    EXPECT_FALSE(real->Loopback(5));
    EXPECT_EQ(real->SetParamValue(ParamDescriptor(-4), Variant::Of<int64_t>(5)), E_FAIL);
}

TEST_F(RootModuleTest, ConnectFailureGoesOfflineAndSuccessAsksForTheTreeAndTheDeviceInformation)
{
    Start(false);
    communication->connectResult = -5;
    EXPECT_EQ(root->ConnectDevice(Variant(11)), -5);
    EXPECT_EQ(communication->disconnects, 1);
    EXPECT_TRUE(communication->requestedRanges.empty());
    EXPECT_EQ(Write(R + 17, Blob({1})), -1) << "offline";

    communication->connectResult = 2;
    EXPECT_EQ(root->ConnectDevice(Variant(12)), 2);
    EXPECT_EQ(communication->disconnects, 2);
    ASSERT_EQ(communication->connected.size(), 2u);
    EXPECT_TRUE(communication->connected[1] == Variant(12));
    ASSERT_EQ(communication->requestedRanges.size(), 1u);
    EXPECT_EQ(communication->requestedRanges[0].GetListCount(), 1u);
    ParamRange range;
    EXPECT_EQ(communication->requestedRanges[0].GetAt(0, range), 0);
    EXPECT_EQ(range.first, R);
    EXPECT_EQ(range.count, 17);
    EXPECT_EQ(communication->requestedValues, std::vector<int32_t>({-8}));
    EXPECT_EQ(Write(R + 17, Blob({1})), 7) << "online";
}

TEST_F(RootModuleTest, ConcurrentWritesAndReceivesReportEveryChangeInTheOrderStored)
{
    Start(true);
    constexpr int Rounds = 300;
    std::thread writer([&] {
        for (int i = 0; i < Rounds; ++i)
            root->SetParamValue(ParamDescriptor(R + 4), Blob({1, static_cast<uint8_t>(i), 0, 0}));
    });
    std::thread receiver([&] {
        for (int i = 0; i < Rounds; ++i) {
            ParamValues values;
            values.Set(ParamDescriptor(R + 4), Blob({2, static_cast<uint8_t>(i), 0, 0}));
            root->ReceiveParamValues(values);
        }
    });
    writer.join();
    receiver.join();

    ASSERT_FALSE(log.entries.empty());
    for (size_t i = 1; i < log.entries.size(); ++i)
        EXPECT_FALSE(log.entries[i].change.value == log.entries[i - 1].change.value) << "a report without change";
    EXPECT_TRUE(log.entries.back().change.value == Cached(4)) << "the last report is the stored value";
}

} // namespace
} // namespace VQ::test
