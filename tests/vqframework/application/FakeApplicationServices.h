// The application object as the components below the shell see it, for tests: an "application"
// centre of its own, an engine slot and a record of the message boxes shown, installed for the fake's
// lifetime.
#pragma once

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/notification/NotificationCenter.h"

#include <string>
#include <vector>

namespace VQ::test {

class FakeApplicationServices : public IApplicationServices {
public:
    FakeApplicationServices() : center(LNotificationCenter::Create(u"application")) { SetApplicationServices(this); }
    FakeApplicationServices(const FakeApplicationServices&) = delete;
    FakeApplicationServices& operator=(const FakeApplicationServices&) = delete;
    ~FakeApplicationServices() { SetApplicationServices(nullptr); }

    RCPtr<LNotificationCenter> GetNotificationCenter() override { return center; }
    RCPtr<LRefCountedObject> GetRootModuleEngine() override { return engine; }
    int32_t ShowMessageBox(const StringT<char16_t, char>& caption, const StringT<char16_t, char>& text,
                           uint32_t style) override
    {
        std::string captionText, bodyText;
        caption.ToUTF8(captionText);
        text.ToUTF8(bodyText);
        messageBoxes.push_back({captionText, bodyText, style});
        return 1;
    }

    struct MessageBox {
        std::string caption;
        std::string text;
        uint32_t style;
    };

    RCPtr<LNotificationCenter> center;
    RCPtr<LRefCountedObject> engine;
    std::vector<MessageBox> messageBoxes;
};

} // namespace VQ::test
