#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/notification/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace VQ {
namespace {

using Testing::TestControl;

// Records the order of the value hook and the notification.
class ValueControl : public TestControl {
public:
    using TestControl::TestControl;
    void OnValueChanged() override { log->push_back("hook"); }
    std::vector<std::string>* log = nullptr;
};

TEST(ControlValueTest, SetRangeRefusesBadTapersAndNonPositiveLogRanges)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double minimum, maximum;
        int32_t taper;
        VQRESULT expected;
    } cases[] = {
        {0, 10, 0, S_OK},     {10, 0, 0, S_OK},     {1, 100, 1, S_OK},    {0, 100, 1, E_INVALIDARG},
        {1, -5, 1, E_INVALIDARG}, {nan, 10, 1, E_INVALIDARG}, {nan, 10, 0, E_INVALIDARG}, {0, inf, 0, E_INVALIDARG}, {-1.7e308, 1.7e308, 0, E_INVALIDARG}, {1e-300, 1e300, 1, E_INVALIDARG},
        {5e-324, 1, 1, E_INVALIDARG}, {0, 10, 2, E_INVALIDARG}, {0, 10, -1, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        RCPtr<TestControl> control(new TestControl({}, StringT<char16_t, char>(u"c")));
        control->SetValue(0.25);
        EXPECT_EQ(c.expected, control->SetRange(c.minimum, c.maximum, c.taper)) << c.minimum << " " << c.taper;
        // The normalized value stays as it was either way.
        EXPECT_EQ(0.25, control->GetValue());
        if (c.expected == S_OK) {
            EXPECT_NEAR(c.taper == 1 ? c.minimum * std::pow(c.maximum / c.minimum, 0.25)
                                     : c.minimum + (c.maximum - c.minimum) * 0.25,
                        control->NormalizedToValue(0.25), 1e-12);
        }
    }
}

TEST(ControlValueTest, SetValueClampsAndAnnouncesOnlyChanges)
{
    std::vector<std::string> log;
    RCPtr<ValueControl> control(new ValueControl({}, StringT<char16_t, char>(u"knob")));
    control->log = &log;
    control->SetRange(0, 200, 0);
    RCPtr<test::RecordingClient> client(new test::RecordingClient("note", &log));
    double normalized = -1, mapped = -1;
    client->action = [&](test::RecordingClient&, const RCPtr<LNotificationDistributor>&,
                         const RCPtr<LNotification>& notification) {
        const auto* param = dynamic_cast<const LValueParam*>(notification->GetPayload().Get());
        ASSERT_NE(nullptr, param);
        normalized = param->normalizedValue;
        mapped = param->value;
    };
    client->Register(RCPtr<LNotificationDistributor>(control.Get()), u"NID_VALUE_CHANGE", 0);

    EXPECT_EQ(1.0, control->SetValue(1.5));
    EXPECT_EQ((std::vector<std::string>{"hook", "note"}), log);
    EXPECT_EQ(1.0, normalized);
    EXPECT_EQ(200.0, mapped);

    EXPECT_EQ(1.0, control->SetValue(3.0));
    EXPECT_EQ(2u, log.size()) << "an unchanged value is not announced";

    EXPECT_EQ(0.0, control->SetValue(-0.5));
    EXPECT_EQ(0.0, mapped);
    EXPECT_EQ(4u, log.size());

    // NaN is no position: the value stays and nothing is announced, however often it comes.
    EXPECT_EQ(0.5, control->SetValue(0.5));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(0.5, control->SetValue(std::numeric_limits<double>::quiet_NaN()));
        EXPECT_EQ(0.5, control->GetValue());
    }
    EXPECT_EQ(6u, log.size());
    EXPECT_EQ(0.5, normalized);
    client->UnregisterAll();
}

TEST(ControlValueTest, ValueToNormalizedClampsIntoEitherOrderOfRange)
{
    RCPtr<TestControl> control(new TestControl({}, StringT<char16_t, char>(u"c")));
    control->SetRange(10, 10, 0);
    EXPECT_EQ(0.0, control->ValueToNormalized(10));

    control->SetRange(100, 0, 0);
    EXPECT_DOUBLE_EQ(0.25, control->ValueToNormalized(75));
    EXPECT_DOUBLE_EQ(1.0, control->ValueToNormalized(-40));
    EXPECT_DOUBLE_EQ(0.0, control->ValueToNormalized(140));

    control->SetRange(20, 20000, 1);
    EXPECT_NEAR(1.0 / 3.0, control->ValueToNormalized(200), 1e-12);
    EXPECT_NEAR(200.0, control->NormalizedToValue(1.0 / 3.0), 1e-9);
    EXPECT_DOUBLE_EQ(0.0, control->ValueToNormalized(1));
}

TEST(ControlValueTest, MappingsAreInverseInEitherTaperAndRangeOrder)
{
    struct Case {
        double minimum, maximum;
        int32_t taper;
        double normalized, value;
    } cases[] = {
        {20, 20000, 1, 0.5, 632.455532033676}, // 20 * 1000^0.5
        {10, 0, 0, 0.25, 7.5},
        {20, 20000, 1, 0.0, 20},
        {20, 20000, 1, 1.0, 20000},
        {10, 0, 0, 1.0, 0},
    };
    for (const Case& c : cases) {
        RCPtr<TestControl> control(new TestControl({}, StringT<char16_t, char>(u"c")));
        ASSERT_EQ(S_OK, control->SetRange(c.minimum, c.maximum, c.taper));
        EXPECT_NEAR(c.value, control->NormalizedToValue(c.normalized), 1e-9) << c.minimum << " " << c.normalized;
        EXPECT_NEAR(c.normalized, control->ValueToNormalized(c.value), 1e-12) << c.minimum << " " << c.value;
    }
    RCPtr<TestControl> control(new TestControl({}, StringT<char16_t, char>(u"c")));
    ASSERT_EQ(S_OK, control->SetRange(20, 20000, 1));
    EXPECT_NEAR(0.5, control->ValueToNormalized(632.46), 1e-5) << "the rounded example";
}

} // namespace
} // namespace VQ
