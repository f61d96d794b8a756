#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"
#include "tests/vqframework/notification/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using Log = std::vector<std::string>;

// Inputs of the mask, as bits of a test's state: the ten interaction flags at their mask bits, then
// the highlighted flag and the layout's enabled and visible flags.
constexpr uint32_t Focus = 0x1, ContainsFocus = 0x2, Over = 0x4, Captured = 0x8, LeftDown = 0x10,
                   MiddleDown = 0x20, RightDown = 0x40, LeftDrag = 0x80, MiddleDrag = 0x100, RightDrag = 0x200,
                   Highlighted = 0x10000, Enabled = 0x20000, Visible = 0x40000;

const char16_t* const AllIds[] = {
    u"NID_CONDITION_CHANGE",             u"NID_HAS_FOCUS_CONDITION_CHANGE",  u"NID_CONTAINS_FOCUS_CONDITION_CHANGE",
    u"NID_HOVER_CONDITION_CHANGE",       u"NID_CAPTURE_CONDITION_CHANGE",    u"NID_LEFT_DRAG_CONDITION_CHANGE",
    u"NID_MIDDLE_DRAG_CONDITION_CHANGE", u"NID_RIGHT_DRAG_CONDITION_CHANGE", u"NID_ENABLED_CONDITION_CHANGE",
    u"NID_VISIBLITY_CONDITION_CHANGE",
};

// A control whose flags a test sets, and which logs its hooks, drags and pointer calls.
class ConditionsControl : public Testing::TestControl {
public:
    using TestControl::TestControl;

    void SetState(uint32_t state)
    {
        bool* const flags[] = {&m_hasFocus,   &m_containsFocus, &m_mouseOver, &m_captured,   &m_leftDown,
                               &m_middleDown, &m_rightDown,     &m_leftDrag,  &m_middleDrag, &m_rightDrag};
        for (uint32_t bit = 0; bit < std::size(flags); ++bit)
            *flags[bit] = (state & (1u << bit)) != 0;
        m_highlighted = (state & Highlighted) != 0;
        if (m_layout) {
            m_layout->IsEnabled = (state & Enabled) != 0;
            m_layout->IsVisible = (state & Visible) != 0;
        }
    }
    void Apply(uint32_t state)
    {
        SetState(state);
        UpdateConditions();
    }
    void SetMouseOver(bool over)
    {
        m_mouseOver = over;
        UpdateConditions();
    }
    void SetCaptured(bool captured)
    {
        m_captured = captured;
        UpdateConditions();
    }
    void SetDragModeField(int32_t mode) { m_dragMode = mode; }
    void SetPressPoint(const PointT<double>& point) { m_pressPoint = point; }
    uint32_t GetAnnouncedConditions() const { return m_conditionsParam->currentConditions; }

    void OnConditionsChanged(const RCPtr<LConditionsParam>& param) override
    {
        hookMasks.push_back({param->previousConditions, param->currentConditions});
        hookPoint = param->point;
        Note("hook");
    }
    VQRESULT BeginDrag() override
    {
        Note("BeginDrag");
        return S_OK;
    }
    VQRESULT DragDrop() override
    {
        Note("DragDrop");
        return S_OK;
    }
    VQRESULT MouseEnter() override
    {
        Note("enter");
        return S_OK;
    }
    void HitTest(RCPtr<LControl>& hit, const PointT<int32_t>& point, bool, PointT<int32_t>& hitPoint,
                 int32_t&) override
    {
        hitPoints.push_back(point);
        hit = hitResult;
        hitPoint = point;
    }

    void Note(const char* what)
    {
        if (log)
            log->push_back(GetName().ToUTF8().GetString() + std::string(":") + what);
    }

    Log* log = nullptr;
    std::vector<std::pair<uint32_t, uint32_t>> hookMasks;
    PointT<double> hookPoint;
    std::vector<PointT<int32_t>> hitPoints;
    RCPtr<LControl> hitResult;
};

// A control with a layout and a size, so that it can be enabled and visible.
RCPtr<ConditionsControl> Place(const RCPtr<LControl>& parent, const char16_t* name, double width = 100,
                               double height = 50)
{
    RCPtr<ConditionsControl> control(new ConditionsControl(parent, String(name)));
    RCPtr<LControlDescriptor> descriptor = Testing::MakeDescriptor(name);
    LLayoutDescriptor& layout = *descriptor->GetLayout();
    layout.XPosition = {0, ReferenceClient, {}, 0, 0};
    layout.YPosition = {0, ReferenceClient, {}, 0, 0};
    layout.XSize = {ReferenceSelf, {}, 0, width};
    layout.YSize = {ReferenceSelf, {}, 0, height};
    control->CreateFromDescriptor(descriptor);
    control->SetRect({0, 0}, {width, height});
    return control;
}

// Logs "<control>:<id>" for every condition notification of the controls it listens to.
struct Listener {
    explicit Listener(Log* log) : client(new test::RecordingClient("", log)) {}
    ~Listener() { client->UnregisterAll(); }

    void Listen(const RCPtr<ConditionsControl>& control)
    {
        for (const char16_t* id : AllIds)
            client->Register(RCPtr<LNotificationDistributor>(control.Get()), id, 0);
    }

    RCPtr<test::RecordingClient> client;
};

std::string NoteOf(const char* control, const char* id)
{
    return std::string(control) + ":" + id;
}

class ControlConditionsTest : public ::testing::Test {
protected:
    ControlConditionsTest() : listener(&log) { client().action = Record(); }
    ~ControlConditionsTest() override
    {
        for (const RCPtr<ConditionsControl>& control : owned)
            control->ReleaseCyclicReferences();
    }

    test::RecordingClient& client() { return *listener.client; }

    // The receiver logs "<sender>:<id>" and the payload it was given.
    test::RecordingClient::Action Record()
    {
        return [this](test::RecordingClient&, const RCPtr<LNotificationDistributor>& sender,
                      const RCPtr<LNotification>& notification) {
            const auto* control = dynamic_cast<const LControl*>(sender.Get());
            log.push_back(std::string(control->GetName().ToUTF8().GetString()) + ":" +
                          test::NameOf(notification->GetID()));
            payloads.push_back(notification->GetPayload().Get());
        };
    }

    RCPtr<ConditionsControl> Make(const RCPtr<LControl>& parent, const char16_t* name)
    {
        RCPtr<ConditionsControl> control = Place(parent, name);
        control->log = &log;
        listener.Listen(control);
        if (!parent)
            owned.push_back(control);
        return control;
    }

    // The log without the recording client's own empty entries.
    Log Notes() const
    {
        Log notes;
        for (const std::string& entry : log)
            if (!entry.empty())
                notes.push_back(entry);
        return notes;
    }
    void Clear()
    {
        log.clear();
        payloads.clear();
    }

    Log log;
    std::vector<const LRefCountedObject*> payloads;
    Listener listener;
    std::vector<RCPtr<ConditionsControl>> owned;
};

TEST_F(ControlConditionsTest, MaskHasOneBitPerFlagAndDerivesTheChainAndHoverBits)
{
    struct Case {
        uint32_t state;
        uint32_t mask;
    } cases[] = {
        {0, 0},
        {Focus, 0x1},
        {ContainsFocus, 0x2},
        // The pointer shows in the hover bit as well.
        {Over, 0x4 | 0x1000},
        {Captured, 0x8},
        {LeftDown, 0x10},
        {MiddleDown, 0x20},
        {RightDown, 0x40},
        {LeftDrag, 0x80},
        {MiddleDrag, 0x100},
        {RightDrag, 0x200},
        {Highlighted, 0x1000},
        {Highlighted | Over, 0x1004},
        {Enabled, 0x400},
        {Visible, 0x800},
        {0x3FF | Highlighted | Enabled | Visible, 0x1FFF},
    };
    const RCPtr<ConditionsControl> control = Make({}, u"c");
    for (const Case& c : cases) {
        control->SetState(c.state);
        EXPECT_EQ(c.mask, control->GetConditions()) << std::hex << c.state;
    }

    // Enabled and visible count only with every ancestor.
    const RCPtr<ConditionsControl> child = Make(control, u"child");
    child->SetState(Enabled | Visible);
    control->SetState(Enabled | Visible);
    EXPECT_EQ(0xC00u, child->GetConditions());
    control->SetState(Visible);
    EXPECT_EQ(0x800u, child->GetConditions());
    control->SetState(Enabled);
    EXPECT_EQ(0x400u, child->GetConditions());
}

TEST_F(ControlConditionsTest, EachChangeSendsTheGeneralNotificationThenOnePerChangedGroupInOrder)
{
    struct Case {
        const char* what;
        uint32_t from, to;
        std::vector<const char*> ids;
    } cases[] = {
        {"enter", 0, Over, {"NID_CONDITION_CHANGE", "NID_HOVER_CONDITION_CHANGE"}},
        {"enter highlighted", Highlighted, Highlighted | Over, {"NID_CONDITION_CHANGE"}},
        {"highlight", 0, Highlighted, {"NID_CONDITION_CHANGE", "NID_HOVER_CONDITION_CHANGE"}},
        {"focus", 0, Focus, {"NID_CONDITION_CHANGE", "NID_HAS_FOCUS_CONDITION_CHANGE"}},
        {"focus moves inside", Focus, ContainsFocus,
         {"NID_CONDITION_CHANGE", "NID_HAS_FOCUS_CONDITION_CHANGE", "NID_CONTAINS_FOCUS_CONDITION_CHANGE"}},
        {"left press on focused", Focus | Over, Focus | Over | Captured | LeftDown,
         {"NID_CONDITION_CHANGE", "NID_CAPTURE_CONDITION_CHANGE", "NID_LEFT_DRAG_CONDITION_CHANGE"}},
        {"left drag starts", Captured | LeftDown, Captured | LeftDrag,
         {"NID_CONDITION_CHANGE", "NID_LEFT_DRAG_CONDITION_CHANGE"}},
        {"middle press", 0, MiddleDown, {"NID_CONDITION_CHANGE", "NID_MIDDLE_DRAG_CONDITION_CHANGE"}},
        {"middle drag", MiddleDown, MiddleDrag, {"NID_CONDITION_CHANGE", "NID_MIDDLE_DRAG_CONDITION_CHANGE"}},
        {"right press", 0, RightDown, {"NID_CONDITION_CHANGE", "NID_RIGHT_DRAG_CONDITION_CHANGE"}},
        {"right drag ends", Captured | RightDrag, 0,
         {"NID_CONDITION_CHANGE", "NID_CAPTURE_CONDITION_CHANGE", "NID_RIGHT_DRAG_CONDITION_CHANGE"}},
        {"disable", Enabled | Visible, Visible, {"NID_CONDITION_CHANGE", "NID_ENABLED_CONDITION_CHANGE"}},
        {"hide", Enabled | Visible, Enabled, {"NID_CONDITION_CHANGE", "NID_VISIBLITY_CONDITION_CHANGE"}},
        {"everything", 0, 0x3FF | Enabled | Visible,
         {"NID_CONDITION_CHANGE", "NID_HAS_FOCUS_CONDITION_CHANGE", "NID_CONTAINS_FOCUS_CONDITION_CHANGE",
          "NID_HOVER_CONDITION_CHANGE", "NID_CAPTURE_CONDITION_CHANGE", "NID_LEFT_DRAG_CONDITION_CHANGE",
          "NID_MIDDLE_DRAG_CONDITION_CHANGE", "NID_RIGHT_DRAG_CONDITION_CHANGE", "NID_ENABLED_CONDITION_CHANGE",
          "NID_VISIBLITY_CONDITION_CHANGE"}},
        {"unchanged", Over | Focus, Over | Focus, {}},
    };
    const RCPtr<ConditionsControl> control = Make({}, u"c");
    control->SetPressPoint({3.5, -2});
    for (const Case& c : cases) {
        control->Apply(c.from);
        const uint32_t before = control->GetConditions();
        Clear();
        control->hookMasks.clear();
        control->Apply(c.to);

        Log expected;
        if (!c.ids.empty())
            expected.push_back("c:hook");
        for (const char* id : c.ids)
            expected.push_back(NoteOf("c", id));
        EXPECT_EQ(expected, Notes()) << c.what;
        if (c.ids.empty())
            continue;
        ASSERT_EQ(1u, control->hookMasks.size()) << c.what;
        EXPECT_EQ(before, control->hookMasks[0].first) << c.what;
        EXPECT_EQ(control->GetConditions(), control->hookMasks[0].second) << c.what;
        EXPECT_EQ((PointT<double>{3.5, -2}), control->hookPoint) << c.what;
        // One payload object for every notification: the control's own.
        for (const LRefCountedObject* payload : payloads)
            EXPECT_EQ(payloads[0], payload) << c.what;
    }
}

TEST_F(ControlConditionsTest, FirstRecomputationOfANewControlAnnouncesTheBitsAlreadySet)
{
    RCPtr<ConditionsControl> control(new ConditionsControl({}, String(u"fresh")));
    control->log = &log;
    listener.Listen(control);
    EXPECT_EQ(0u, control->GetAnnouncedConditions());
    control->SetState(Focus | Highlighted);
    control->UpdateConditions();
    EXPECT_EQ((Log{"fresh:hook", "fresh:NID_CONDITION_CHANGE", "fresh:NID_HAS_FOCUS_CONDITION_CHANGE",
                   "fresh:NID_HOVER_CONDITION_CHANGE"}),
              Notes());
    EXPECT_EQ((std::pair<uint32_t, uint32_t>{0, 0x1001}), control->hookMasks.at(0));
    control->ReleaseCyclicReferences();
}

TEST_F(ControlConditionsTest, RecomputingInsideAReceiverLeavesTheOuterChangeToFinish)
{
    const RCPtr<ConditionsControl> control = Make({}, u"c");
    control->Apply(Enabled | Visible);
    Clear();
    // Registered last, so it hears each change before the listener.
    RCPtr<test::RecordingClient> focuser(new test::RecordingClient("", nullptr));
    focuser->action = [&](test::RecordingClient&, const RCPtr<LNotificationDistributor>&,
                          const RCPtr<LNotification>&) {
        if (control->GetConditions() & Focus)
            return;
        control->SetState(Enabled | Visible | Over | Focus);
        control->UpdateConditions();
    };
    focuser->Register(RCPtr<LNotificationDistributor>(control.Get()), u"NID_CONDITION_CHANGE", 0);

    control->SetMouseOver(true);
    // The nested change announces the focus; the outer one still announces its hover, once.
    EXPECT_EQ((Log{"c:hook", "c:hook", "c:NID_CONDITION_CHANGE", "c:NID_HAS_FOCUS_CONDITION_CHANGE",
                   "c:NID_CONDITION_CHANGE", "c:NID_HOVER_CONDITION_CHANGE"}),
              Notes());
    EXPECT_EQ(0x1C05u, control->GetAnnouncedConditions());
    focuser->UnregisterAll();
}

TEST_F(ControlConditionsTest, SetHighlightedRecomputesOnlyOnAChange)
{
    const RCPtr<ConditionsControl> control = Make({}, u"c");
    control->Apply(Enabled | Visible);
    Clear();
    control->SetHighlighted(false);
    EXPECT_TRUE(Notes().empty());
    control->SetHighlighted(true);
    EXPECT_EQ((Log{"c:hook", "c:NID_CONDITION_CHANGE", "c:NID_HOVER_CONDITION_CHANGE"}), Notes());
    Clear();
    control->SetHighlighted(true);
    EXPECT_TRUE(Notes().empty());
    // While hovered, dropping the highlight changes nothing of the mask.
    control->SetMouseOver(true);
    Clear();
    control->SetHighlighted(false);
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(0x1C04u, control->GetAnnouncedConditions());
}

TEST_F(ControlConditionsTest, EnablingAndShowingRefreshTheSubtreeFromTheLastChild)
{
    const RCPtr<ConditionsControl> parent = Make({}, u"parent");
    const RCPtr<ConditionsControl> first = Make(parent, u"first");
    const RCPtr<ConditionsControl> grandchild = Make(first, u"grandchild");
    const RCPtr<ConditionsControl> off = Make(parent, u"off");
    const RCPtr<ConditionsControl> last = Make(parent, u"last");
    for (const RCPtr<ConditionsControl>& control : {parent, first, grandchild, off, last})
        control->Apply(Enabled | Visible);
    off->SetEnabled(false);
    Clear();

    parent->SetEnabled(false);
    // The child that was disabled already has nothing to announce, nor do its children.
    EXPECT_EQ((Log{"parent:hook", "parent:NID_CONDITION_CHANGE", "parent:NID_ENABLED_CONDITION_CHANGE",
                   "last:hook", "last:NID_CONDITION_CHANGE", "last:NID_ENABLED_CONDITION_CHANGE", "first:hook",
                   "first:NID_CONDITION_CHANGE", "first:NID_ENABLED_CONDITION_CHANGE", "grandchild:hook",
                   "grandchild:NID_CONDITION_CHANGE", "grandchild:NID_ENABLED_CONDITION_CHANGE"}),
              Notes());
    EXPECT_EQ(0x800u, grandchild->GetAnnouncedConditions());

    Clear();
    parent->SetVisible(false);
    EXPECT_EQ((Log{"parent:hook", "parent:NID_CONDITION_CHANGE", "parent:NID_VISIBLITY_CONDITION_CHANGE",
                   "last:hook", "last:NID_CONDITION_CHANGE", "last:NID_VISIBLITY_CONDITION_CHANGE", "off:hook",
                   "off:NID_CONDITION_CHANGE", "off:NID_VISIBLITY_CONDITION_CHANGE", "first:hook",
                   "first:NID_CONDITION_CHANGE", "first:NID_VISIBLITY_CONDITION_CHANGE", "grandchild:hook",
                   "grandchild:NID_CONDITION_CHANGE", "grandchild:NID_VISIBLITY_CONDITION_CHANGE"}),
              Notes());

    Clear();
    parent->SetEnabled(true);
    parent->SetVisible(true);
    for (const RCPtr<ConditionsControl>& control : {parent, first, grandchild, last})
        EXPECT_EQ(0xC00u, control->GetAnnouncedConditions()) << control->GetName().ToUTF8().GetString();
    EXPECT_EQ(0x800u, off->GetAnnouncedConditions());
}

TEST_F(ControlConditionsTest, LeftDragStartsAfterTheNotificationsAndDropsBeforeThem)
{
    constexpr uint32_t Shown = Enabled | Visible;
    const RCPtr<ConditionsControl> control = Make({}, u"c");
    control->Apply(Shown | Captured | LeftDown);
    control->SetDragModeField(LControl::DragModeMove);
    Clear();
    control->Apply(Shown | Captured | LeftDrag);
    EXPECT_EQ((Log{"c:hook", "c:NID_CONDITION_CHANGE", "c:NID_LEFT_DRAG_CONDITION_CHANGE", "c:BeginDrag"}), Notes());

    Clear();
    control->Apply(Shown);
    EXPECT_EQ((Log{"c:DragDrop", "c:hook", "c:NID_CONDITION_CHANGE", "c:NID_CAPTURE_CONDITION_CHANGE",
                   "c:NID_LEFT_DRAG_CONDITION_CHANGE"}),
              Notes());

    // Without a drag mode, and for the other buttons, no drag runs.
    Clear();
    control->SetDragModeField(LControl::DragModeNone);
    control->Apply(Shown | LeftDrag);
    control->Apply(Shown);
    control->SetDragModeField(LControl::DragModeMove);
    control->Apply(Shown | RightDrag | MiddleDrag);
    control->Apply(Shown);
    for (const std::string& note : Notes())
        EXPECT_TRUE(note != "c:BeginDrag" && note != "c:DragDrop") << note;
}

// A window whose root control holds the control under test; the pointer's cursor is the window's.
class ControlCursorTest : public ControlConditionsTest {
protected:
    ControlCursorTest() : window(LRootWindow::Create({}, &services))
    {
        app.services.cursors[u"UI_CURSOR_ARROW"] = Arrow;
        root = Place({}, u"root", 400, 300);
        root->log = &log;
        window->SetRootControl(root);
        control = Make(root, u"c");
        root->Apply(Enabled | Visible);
        control->Apply(Enabled | Visible);
        services.cursor = Outside;
        Clear();
    }
    ~ControlCursorTest() override
    {
        // The root may answer hit tests with itself.
        root->hitResult = RCPtr<LControl>();
        window->ReleaseCyclicReferences();
        root->ReleaseCyclicReferences();
    }

    static constexpr CursorHandle Arrow = 1, Outside = 3, Own = 7, Other = 9;

    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    RCPtr<LRootWindow> window;
    RCPtr<ConditionsControl> root;
    RCPtr<ConditionsControl> control;
};

TEST_F(ControlCursorTest, HoverShowsTheControlsCursorAndLeavingRestoresTheOneItReplaced)
{
    control->SetCursor(Own);
    EXPECT_EQ(Outside, services.cursor) << "not hovered: nothing applied";
    control->SetMouseOver(true);
    EXPECT_EQ(Own, services.cursor);
    control->SetMouseOver(false);
    EXPECT_EQ(Outside, services.cursor);

    // Without a cursor of its own the control leaves the pointer's alone.
    control->SetCursor(0);
    services.cursor = Other;
    control->SetMouseOver(true);
    control->SetMouseOver(false);
    EXPECT_EQ(Other, services.cursor);
}

TEST_F(ControlCursorTest, CaptureKeepsTheCursorUntilItEndsOutsideTheControl)
{
    control->SetCursor(Own);
    control->SetMouseOver(true);
    control->SetCaptured(true);
    control->SetMouseOver(false);
    EXPECT_EQ(Own, services.cursor);
    // The capture ends outside: the cursor goes back and the window looks under the pointer again.
    services.cursorPos = {30, 40};
    root->hitResult = root;
    control->SetCaptured(false);
    EXPECT_EQ(Outside, services.cursor);
    ASSERT_EQ(1u, root->hitPoints.size());
    EXPECT_EQ((PointT<int32_t>{30, 40}), root->hitPoints[0]);
    EXPECT_EQ(root, window->GetHoverControl());

    // A capture that ends over the control keeps its cursor and asks nothing of the window.
    root->hitPoints.clear();
    control->SetMouseOver(true);
    control->SetCaptured(true);
    control->SetCaptured(false);
    EXPECT_EQ(Own, services.cursor);
    EXPECT_TRUE(root->hitPoints.empty());
}

TEST_F(ControlCursorTest, SetCursorWhileHoveredAppliesAtOnce)
{
    control->SetMouseOver(true);
    EXPECT_EQ(Outside, services.cursor);
    control->SetCursor(Own);
    EXPECT_EQ(Own, services.cursor);
    // A second change keeps the cursor replaced first.
    control->SetCursor(Other);
    EXPECT_EQ(Other, services.cursor);
    control->SetMouseOver(false);
    EXPECT_EQ(Outside, services.cursor);

    // None while hovered shows the application's arrow.
    control->SetMouseOver(true);
    EXPECT_EQ(Other, services.cursor);
    control->SetCursor(0);
    EXPECT_EQ(Arrow, services.cursor);
}

TEST_F(ControlCursorTest, HidingTheHoveredControlMovesTheHoverToWhatIsNowUnderThePointer)
{
    control->SetMouseOver(true);
    services.cursorPos = {5, 6};
    root->hitResult = root;
    Clear();
    control->SetVisible(false);
    ASSERT_EQ(1u, root->hitPoints.size());
    EXPECT_EQ((PointT<int32_t>{5, 6}), root->hitPoints[0]);
    EXPECT_EQ(root, window->GetHoverControl());
    EXPECT_EQ("root:enter", Notes().back());

    // A hidden control that holds the capture keeps the hover where it is.
    root->hitPoints.clear();
    control->SetVisible(true);
    control->SetCaptured(true);
    control->SetVisible(false);
    EXPECT_TRUE(root->hitPoints.empty());
}

} // namespace
} // namespace VQ
