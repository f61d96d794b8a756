// What the engine tests share: an application with its centre, and a listener that drains the
// centre and keeps what the engine posted, in order.
#pragma once

#include "devicecontrol/generatedcode/engine/src/RootModuleEngine.h"
#include "tests/devicecontrol/generatedcode/engine/ModelTestSupport.h"
#include "tests/vqframework/application/FakeApplicationServices.h"
#include "vqframework/notification/NotificationClient.h"

#include <string>
#include <vector>

namespace VQ::test {

struct Posted {
    std::string id;
    RCPtr<LRefCountedObject> payload;
};

// Registered for everything the engine posts.
class EngineListener : public LNotificationClient {
public:
    static RCPtr<EngineListener> Create(const RCPtr<LNotificationCenter>& center)
    {
        RCPtr<EngineListener> listener(new EngineListener());
        for (const char16_t* name : {u"NID_PARAM_MODULE_STATE_CHANGE", u"NID_DEVICE_CONNECTION_STATE_CHANGE",
                                     u"NID_REMOTE_DEVICE_LIST_CHANGE"})
            listener->Register(center, name, 0);
        return listener;
    }

    void Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override
    {
        posted.push_back({std::string(StringT<char16_t, char>(notification->GetID()).ToUTF8().GetString()),
                          notification->GetPayload()});
    }

    // Delivers what the centre holds and hands over what arrived since the last call.
    std::vector<Posted> Drain(const RCPtr<LNotificationCenter>& center)
    {
        while (center->ProcessNotifications(false)) {
        }
        std::vector<Posted> result;
        result.swap(posted);
        return result;
    }

    std::vector<Posted> posted;
};

inline LRootModuleEngine::DeviceConnectionState StateOf(const Posted& posted)
{
    const auto holder = RCPtrDynamicCast<LRootModuleEngine::ConnectionStateHolder>(posted.payload);
    return holder ? holder->GetValue() : static_cast<LRootModuleEngine::DeviceConnectionState>(-1);
}

// Installs the application, then makes its engine; the engine goes before the application.
class EngineFixtureBase {
public:
    EngineFixtureBase() : listener(EngineListener::Create(application.center)) {}
    ~EngineFixtureBase()
    {
        application.engine = nullptr;
        engine = nullptr;
        listener->UnregisterAll();
    }

    RCPtr<LRootModuleEngine> MakeEngine(int32_t firstParamId = 0)
    {
        engine = LRootModuleEngine::Create();
        application.engine = engine;
        EXPECT_EQ(engine->Initialize(firstParamId), S_OK);
        return engine;
    }

    // The engine's 17 values end to end, as a program message carries them.
    Bytes EngineProgram()
    {
        Array<ParamValue> values;
        engine->GetParamValues(ParamRange{engine->GetFirstParamID(), LRootModuleEngine::ParamCount}, values, -1);
        Bytes program;
        for (uint32_t i = 0; i < values.GetCount(); ++i) {
            const Bytes value = BytesOf(values.GetAt(i).value);
            program.insert(program.end(), value.begin(), value.end());
        }
        return program;
    }

    FakeApplicationServices application;
    RCPtr<EngineListener> listener;
    RCPtr<LRootModuleEngine> engine;
};

} // namespace VQ::test
