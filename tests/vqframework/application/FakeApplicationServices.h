// The application object as the components below the shell see it, for tests: an "application"
// centre of its own and an engine slot, installed for the fake's lifetime.
#pragma once

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/notification/NotificationCenter.h"

namespace VQ::test {

class FakeApplicationServices : public IApplicationServices {
public:
    FakeApplicationServices() : center(LNotificationCenter::Create(u"application")) { SetApplicationServices(this); }
    FakeApplicationServices(const FakeApplicationServices&) = delete;
    FakeApplicationServices& operator=(const FakeApplicationServices&) = delete;
    ~FakeApplicationServices() { SetApplicationServices(nullptr); }

    RCPtr<LNotificationCenter> GetNotificationCenter() override { return center; }
    RCPtr<LRefCountedObject> GetRootModuleEngine() override { return engine; }

    RCPtr<LNotificationCenter> center;
    RCPtr<LRefCountedObject> engine;
};

} // namespace VQ::test
