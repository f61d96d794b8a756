#include "tests/vqframework/application/FakeApplicationServices.h"

#include <gtest/gtest.h>

namespace VQ::test {
namespace {

TEST(ApplicationServicesTest, InstalledForTheFakesLifetimeOnly)
{
    EXPECT_EQ(GetApplicationServices(), nullptr);
    {
        FakeApplicationServices application;
        ASSERT_EQ(GetApplicationServices(), &application);
        EXPECT_TRUE(GetApplicationServices()->GetNotificationCenter()->GetName() == u"application");
        EXPECT_FALSE(GetApplicationServices()->GetRootModuleEngine());
    }
    EXPECT_EQ(GetApplicationServices(), nullptr);
}

} // namespace
} // namespace VQ::test
