// The engine without a device library beside the program: the model runs from its cache alone.
#include "tests/devicecontrol/generatedcode/engine/EngineTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace VQ::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class RootModuleEngineTest : public ::testing::Test, public EngineFixtureBase {};

Bytes DefaultOf(int32_t index)
{
    const auto i = static_cast<uint8_t>(index);
    if (index == 0)
        return {0};
    if (index <= 8)
        return {static_cast<uint8_t>(36 + i - 1), static_cast<uint8_t>(i - 1), static_cast<uint8_t>(i - 1), 0};
    return {static_cast<uint8_t>(i - 9), 0, 127};
}

TEST_F(RootModuleEngineTest, InitializePostsTheSeventeenDefaultsThenConnected)
{
    MakeEngine();
    const std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].id, "NID_PARAM_MODULE_STATE_CHANGE");
    const auto list = RCPtrDynamicCast<ParamValuesWrapper>(posted[0].payload);
    ASSERT_TRUE(list);
    ParamValues::Reader reader(*list);
    Variant value, key;
    int32_t id = 0;
    for (int32_t index = 0; index < LRootModuleEngine::ParamCount; ++index) {
        ASSERT_EQ(reader.Next(value, id, key), 0) << index;
        EXPECT_EQ(id, index);
        EXPECT_EQ(key.GetType(), Variant::TypeEmpty);
        EXPECT_EQ(BytesOf(value), DefaultOf(index)) << "parameter " << index;
    }
    EXPECT_EQ(reader.Next(value, id, key), -4);

    EXPECT_EQ(posted[1].id, "NID_DEVICE_CONNECTION_STATE_CHANGE");
    EXPECT_EQ(StateOf(posted[1]), LRootModuleEngine::Connected);
}

TEST_F(RootModuleEngineTest, WritesAreRefusedUntilInitialized)
{
    engine = LRootModuleEngine::Create();
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(2), Blob({40, 1, 1, 0})), E_FAIL);
    EXPECT_EQ(engine->EnableDevicePolling(true), E_FAIL);
    EXPECT_TRUE(listener->Drain(application.center).empty());
}

TEST_F(RootModuleEngineTest, EachRealChangePostsOnePair)
{
    MakeEngine();
    listener->Drain(application.center);

    const Variant pad2 = Blob({40, 1, 1, 0});
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(2), pad2), S_OK);
    std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, "NID_PARAM_MODULE_STATE_CHANGE");
    const auto pair = RCPtrDynamicCast<ParamChangePair>(posted[0].payload);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->key.id, 2);
    EXPECT_EQ(pair->value, pad2);
    EXPECT_TRUE(pair->ToString() == u"2");

    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(2), pad2), S_OK);
    EXPECT_TRUE(listener->Drain(application.center).empty()) << "an unchanged value is not posted again";

    Array<ParamValue> values;
    ASSERT_EQ(engine->GetParamValues(ParamRange{2, 1}, values, -1), S_OK);
    EXPECT_EQ(values.GetAt(0).value, pad2);
}

TEST_F(RootModuleEngineTest, OfflineWritesOutsideTheModelAreRefused)
{
    MakeEngine();
    listener->Drain(application.center);
    EXPECT_EQ(engine->SetParamValue(ParamDescriptor(17), Blob({1})), -1);
    EXPECT_TRUE(listener->Drain(application.center).empty());
}

TEST_F(RootModuleEngineTest, GetParamValuesFillsFromTheStartIndex)
{
    MakeEngine(5);
    Array<ParamValue> values;
    values.SetCount(3);
    ASSERT_EQ(engine->GetParamValues(ParamRange{5, 17}, values, -1), S_OK);
    ASSERT_EQ(values.GetCount(), 17u);
    for (uint32_t k = 0; k < 17; ++k) {
        EXPECT_EQ(values.GetAt(k).id, static_cast<int32_t>(5 + k));
        EXPECT_EQ(BytesOf(values.GetAt(k).value), DefaultOf(static_cast<int32_t>(k)));
    }

    Array<ParamValue> grown;
    ASSERT_EQ(engine->GetParamValues(ParamRange{5, 17}, grown, 5), S_OK);
    ASSERT_EQ(grown.GetCount(), 22u);
    for (uint32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(grown.GetAt(k).id, -1) << "untouched elements keep their defaults";
        EXPECT_EQ(grown.GetAt(k).value.GetType(), Variant::TypeEmpty);
    }
    EXPECT_EQ(grown.GetAt(5).id, 5);
    EXPECT_EQ(grown.GetAt(21).id, 21);

    // Ids without a module leave their value empty and do not fail the whole read.
    Array<ParamValue> outside;
    ASSERT_EQ(engine->GetParamValues(ParamRange{20, 2}, outside, -1), S_OK);
    ASSERT_EQ(outside.GetCount(), 2u);
    EXPECT_EQ(outside.GetAt(0).id, 20);

    EXPECT_EQ(engine->GetParamValues(ParamRange{5, -1}, outside, 0), E_INVALIDARG);
    EXPECT_EQ(engine->GetParamValues(ParamRange{5, 2}, outside, INT32_MAX), E_INVALIDARG);
    EXPECT_EQ(outside.GetCount(), 2u) << "a refused read leaves the array as it was";
}

TEST_F(RootModuleEngineTest, WithoutTheLibraryPollingStaysOffForGood)
{
    MakeEngine();
    EXPECT_EQ(engine->EnableDevicePolling(true), E_FAIL);
    EXPECT_EQ(engine->EnableDevicePolling(true), E_FAIL) << "the first discovery's result is kept";
    EXPECT_EQ(engine->EnableDevicePolling(false), S_OK);
    Array<Variant> devices;
    EXPECT_EQ(engine->GetRemoteDevices(devices), E_FAIL);
    EXPECT_EQ(devices.GetCount(), 0u);
}

TEST_F(RootModuleEngineTest, ChangeRequestsPostedToTheApplicationAreWritten)
{
    MakeEngine();
    listener->Drain(application.center);
    const Variant knob1 = Blob({20, 10, 100});
    ASSERT_EQ(application.center->Post(u"NID_PARAM_MODULE_CHANGE_REQ", ParamChangePair::Create(ParamDescriptor(9), knob1)),
              S_OK);
    // A request without a pair is ignored.
    ASSERT_EQ(application.center->Post(u"NID_PARAM_MODULE_CHANGE_REQ", nullptr), S_OK);
    const std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 1u);
    const auto pair = RCPtrDynamicCast<ParamChangePair>(posted[0].payload);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->key.id, 9);
    EXPECT_EQ(pair->value, knob1);
}

TEST_F(RootModuleEngineTest, InitializingTwiceBuildsNothingMore)
{
    MakeEngine();
    EXPECT_EQ(engine->Initialize(0), S_FALSE);
    EXPECT_EQ(engine->GetRegistrationCount(), 1);
    EXPECT_EQ(listener->Drain(application.center).size(), 2u);
}

TEST_F(RootModuleEngineTest, FirstIdsNearTheTopWrapAsTheModelsIdsDo)
{
    MakeEngine(INT32_MAX - 3);
    const std::vector<Posted> posted = listener->Drain(application.center);
    ASSERT_EQ(posted.size(), 2u);
    const auto list = RCPtrDynamicCast<ParamValuesWrapper>(posted[0].payload);
    ASSERT_TRUE(list);
    Variant value, key;
    int32_t id = 0;
    ASSERT_EQ(list->GetAt(3, value, id, key), 0);
    EXPECT_EQ(id, INT32_MAX);
    EXPECT_EQ(BytesOf(value), DefaultOf(3));
    // Past the top the ids are negative, which the model reads as special parameters.
    ASSERT_EQ(list->GetAt(16, value, id, key), 0);
    EXPECT_EQ(id, INT32_MIN + 12);
}

TEST_F(RootModuleEngineTest, GetInstanceReadsTheApplicationsEngine)
{
    EXPECT_FALSE(LRootModuleEngine::GetInstance());
    MakeEngine();
    EXPECT_EQ(LRootModuleEngine::GetInstance().Get(), engine.Get());
    EXPECT_EQ(engine->GetFirstParamID(), 0);
}

TEST_F(RootModuleEngineTest, InitializeThrowsWhenItCannotRegister)
{
    SetApplicationServices(nullptr);
    engine = LRootModuleEngine::Create();
    try {
        engine->Initialize(0);
        FAIL() << "no exception";
    } catch (const Exception<FailedResultException>& error) {
        EXPECT_THAT(error.what(), ::testing::MatchesRegex("Failed Result : VQRESULT = 80070057 : "
                                                          "VQ::LRootModuleEngine::Initialize : "
                                                          ".*RootModuleEngine\\.cpp : Line [0-9]+"));
    }
    SetApplicationServices(&application);
}

TEST_F(RootModuleEngineTest, ReleasingTheEngineUnregistersIt)
{
    MakeEngine();
    const LNotificationClient* client = engine.Get();
    ASSERT_TRUE(application.center->HasClient(client));
    application.engine = nullptr;
    engine = nullptr;
    EXPECT_FALSE(application.center->HasClient(client));
}

} // namespace
} // namespace VQ::test
