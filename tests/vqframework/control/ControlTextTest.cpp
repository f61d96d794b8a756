#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"

#include "vqframework/control/RootWindow.h"
#include "vqframework/controlbase/Look.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/renderer/Renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VQ::Testing {
namespace {

using String = LControl::String;
using Log = std::vector<std::u16string>;

// A control whose font settings a test gives as a skin would, and which logs its font hooks.
class FontControl : public TestControl {
public:
    using TestControl::TestControl;

    // What building from a skin does: the two skin flags, then the skin's font.
    VQRESULT SetSkinFont(const char16_t* name, float size, int32_t style, bool inherit, bool relative)
    {
        m_inheritParentFont = inherit;
        m_fontSizeRelative = relative;
        return SetFont(String(name), size, style, relative);
    }
    bool SizeFromBase() const { return m_fontSizeFromBase; }
    bool NameFromBase() const { return m_fontNameFromBase; }
    bool StyleFromBase() const { return m_fontStyleFromBase; }
    bool SizeRelative() const { return m_fontSizeRelative; }

    void OnFontChanged() override { Record(u":changed"); }
    VQRESULT InheritParentFont() override
    {
        Record(u":inherit");
        return LControl::InheritParentFont();
    }

    Log* log = nullptr;

private:
    void Record(const char16_t* what)
    {
        if (log)
            log->push_back(std::u16string(GetName().View()) + what);
    }
};

RCPtr<LFont> Font(float size, int32_t style = 0, const char16_t* name = u"Text Sans")
{
    return LFont::GetFont(String(name), size, style);
}

class ControlTextTest : public ::testing::Test {
protected:
    ControlTextTest()
    {
        m_app.services.defaultFont = Font(12);
        m_window = LRootWindow::Create(RCPtr<LRenderer>(), &m_services);
        m_root = Make(u"root", {});
        m_root->AttachToRootWindow(m_window.Get());
        m_root->SetRect({0, 0}, {100, 20});
    }
    ~ControlTextTest() override { m_root->AttachToRootWindow(nullptr); }

    // Built without skin, the control has the application's default font from its creation, so a
    // skin font that resolves to that font again changes nothing and returns 1.
    RCPtr<FontControl> Make(const char16_t* name, const RCPtr<LControl>& parent)
    {
        RCPtr<LControl> control;
        LControl::Create<FontControl>(control, parent, MakeDescriptor(name));
        RCPtr<FontControl> typed(static_cast<FontControl*>(control.Get()));
        typed->log = &m_log;
        return typed;
    }

    // Whether anything was invalidated since the last call.
    bool TakeDirty()
    {
        RectRegion region;
        m_window->TakeDirtyRegion(region);
        return region.GetCount() > 0;
    }

    ControlTestApplication m_app;
    FakeWindowOSServices m_services;
    RCPtr<LRootWindow> m_window;
    RCPtr<FontControl> m_root;
    Log m_log;
};

TEST_F(ControlTextTest, SetTextReportsWhetherTheTextChangedComparingExactly)
{
    const struct {
        const char16_t* text;
        VQRESULT result;
    } steps[] = {{u"Hello", S_OK}, {u"Hello", S_FALSE}, {u"hello", S_OK}, {u"", S_OK}, {u"", S_FALSE}};
    for (const auto& step : steps) {
        EXPECT_EQ(m_root->SetText(String(step.text)), step.result) << std::string(String(step.text).ToUTF8());
        EXPECT_EQ(m_root->GetText(), step.text);
    }
    EXPECT_FALSE(m_root->SetText(String(u""), false));
    EXPECT_TRUE(m_root->SetText(String(u"x"), false));
}

TEST_F(ControlTextTest, AChangedTextRedrawsAndCaptionsTheWindowAnEqualOneDoesNot)
{
    TakeDirty();
    EXPECT_EQ(m_root->SetText(String(u"Title")), S_OK);
    EXPECT_TRUE(TakeDirty());
    ASSERT_FALSE(m_services.captions.empty());
    EXPECT_EQ(m_services.captions.back(), u"Title");
    const size_t captions = m_services.captions.size();

    EXPECT_EQ(m_root->SetText(String(u"Title")), S_FALSE);
    EXPECT_FALSE(TakeDirty());
    EXPECT_EQ(m_services.captions.size(), captions);

    // Only the top-level control names the window.
    const RCPtr<FontControl> child = Make(u"child", m_root);
    EXPECT_EQ(child->SetText(String(u"Child")), S_OK);
    EXPECT_EQ(m_services.captions.size(), captions);
}

TEST_F(ControlTextTest, AWindowWithoutPlatformWindowTakesTheTextWithoutCaption)
{
    m_window->ClearOSServices();
    EXPECT_EQ(m_root->SetText(String(u"Title")), S_OK);
    EXPECT_EQ(m_root->GetText(), u"Title");
}

TEST_F(ControlTextTest, LooksTakeTheTextAndTheFontSkippingEmptyEntries)
{
    const RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(String(u"look"));
    descriptor->SetTextProperties(LookTextProperties{}, nullptr);
    const RCPtr<LLook> first = LLook::Create(descriptor, false);
    const RCPtr<LLook> last = LLook::Create(descriptor, false);
    ASSERT_TRUE(first && first->GetTextBlock());
    m_root->AddLook(first);
    m_root->AddLook(RCPtr<LLook>());
    m_root->AddLook(last);

    EXPECT_EQ(m_root->SetText(String(u"Label")), S_OK);
    EXPECT_EQ(first->GetTextBlock()->GetText(), u"Label");
    EXPECT_EQ(last->GetTextBlock()->GetText(), u"Label");

    const RCPtr<LFont> font = Font(9);
    EXPECT_EQ(m_root->ApplyFont(font), S_OK);
    EXPECT_EQ(first->GetTextBlock()->GetFont(), font);
    EXPECT_EQ(last->GetTextBlock()->GetFont(), font);
}

TEST_F(ControlTextTest, ATopLevelControlDerivesItsFontFromTheApplicationDefault)
{
    // Creation from a descriptor without skin already took the default: the same font again is 1.
    EXPECT_EQ(m_root->GetFont(), m_app.services.defaultFont);
    EXPECT_EQ(m_root->SetSkinFont(u"", 0, -1, true, false), 1);
    EXPECT_EQ(m_root->GetFont(), m_app.services.defaultFont);
    EXPECT_TRUE(m_root->NameFromBase() && m_root->SizeFromBase() && m_root->StyleFromBase());

    EXPECT_EQ(m_root->SetSkinFont(u"Text Serif", 0, LFont::Bold, false, false), S_OK);
    EXPECT_EQ(m_root->GetFont(), Font(12, LFont::Bold, u"Text Serif"));
    EXPECT_FALSE(m_root->NameFromBase());
    EXPECT_TRUE(m_root->SizeFromBase());
    EXPECT_FALSE(m_root->StyleFromBase());
}

TEST_F(ControlTextTest, WithoutABaseFontOnlyAFullyGivenFontResults)
{
    m_app.services.defaultFont = nullptr;
    // Creation itself finds no font.
    const RCPtr<FontControl> bare = Make(u"bare", {});
    EXPECT_FALSE(bare->GetFont());
    EXPECT_EQ(bare->SetSkinFont(u"", 0, -1, false, false), E_FAIL);
    EXPECT_EQ(bare->SetSkinFont(u"Text Sans", 1.5f, 0, false, true), E_FAIL);
    EXPECT_FALSE(bare->GetFont());
    EXPECT_FALSE(bare->NameFromBase() || bare->SizeFromBase() || bare->StyleFromBase());

    // A child inheriting from a parent without a font fails the same way.
    const RCPtr<FontControl> child = Make(u"child", bare);
    EXPECT_EQ(child->SetSkinFont(u"", 0, -1, true, false), E_FAIL);
    EXPECT_FALSE(child->GetFont());

    EXPECT_EQ(bare->SetSkinFont(u"Text Sans", 10, 0, false, false), S_OK);
    EXPECT_EQ(bare->GetFont(), Font(10));
    EXPECT_FALSE(bare->NameFromBase() || bare->SizeFromBase() || bare->StyleFromBase());
}

TEST_F(ControlTextTest, InheritingChildrenDeriveTheirFontsAgainFromTheParents)
{
    ASSERT_EQ(m_root->SetSkinFont(u"", 0, -1, true, false), 1);
    const RCPtr<FontControl> same = Make(u"same", m_root);
    const RCPtr<FontControl> relative = Make(u"relative", m_root);
    const RCPtr<FontControl> named = Make(u"named", m_root);
    const RCPtr<FontControl> fixed = Make(u"fixed", m_root);
    const RCPtr<FontControl> own = Make(u"own", m_root);
    const RCPtr<FontControl> grandchild = Make(u"grandchild", relative);
    ASSERT_EQ(same->SetSkinFont(u"", 0, -1, true, false), 1);
    ASSERT_EQ(relative->SetSkinFont(u"", 1.5f, -1, true, true), S_OK);
    ASSERT_EQ(named->SetSkinFont(u"Text Mono", 0, LFont::Italic, true, false), S_OK);
    ASSERT_EQ(fixed->SetSkinFont(u"Text Mono", 8, 0, true, false), S_OK);
    ASSERT_EQ(own->SetSkinFont(u"", 0, -1, false, false), 1);
    ASSERT_EQ(grandchild->SetSkinFont(u"", 0, -1, true, false), S_OK);

    // Everything from the parent: the parent's font object itself.
    EXPECT_EQ(same->GetFont(), m_root->GetFont());
    EXPECT_EQ(relative->GetFont(), Font(18));
    EXPECT_FLOAT_EQ(relative->GetFontSizeFactor(), 1.5f);
    EXPECT_EQ(grandchild->GetFont(), relative->GetFont());
    EXPECT_EQ(named->GetFont(), Font(12, LFont::Italic, u"Text Mono"));

    ASSERT_EQ(m_root->ApplyFont(Font(20, LFont::Bold)), S_OK);
    EXPECT_EQ(same->GetFont(), m_root->GetFont());
    EXPECT_EQ(relative->GetFont(), Font(30, LFont::Bold));
    EXPECT_FLOAT_EQ(relative->GetFontSizeFactor(), 1.5f);
    EXPECT_EQ(grandchild->GetFont(), relative->GetFont());
    EXPECT_EQ(named->GetFont(), Font(20, LFont::Italic, u"Text Mono"));
    EXPECT_EQ(fixed->GetFont(), Font(8, 0, u"Text Mono"));
    // Not inheriting: the application's default stays its base.
    EXPECT_EQ(own->GetFont(), m_app.services.defaultFont);
}

TEST_F(ControlTextTest, ApplyFontNotifiesTheControlThenItsChildrenInInsertionOrder)
{
    ASSERT_EQ(m_root->SetSkinFont(u"", 0, -1, true, false), 1);
    const RCPtr<FontControl> a = Make(u"a", m_root);
    const RCPtr<FontControl> b = Make(u"b", m_root);
    ASSERT_EQ(a->SetSkinFont(u"", 0, -1, true, false), 1);
    ASSERT_EQ(b->SetSkinFont(u"", 0, -1, true, false), 1);
    m_log.clear();
    TakeDirty();

    EXPECT_EQ(m_root->ApplyFont(Font(14)), S_OK);
    EXPECT_EQ(m_log, (Log{u"root:changed", u"a:inherit", u"a:changed", u"b:inherit", u"b:changed"}));
    EXPECT_TRUE(TakeDirty());

    // An equal font: nothing happens.
    m_log.clear();
    EXPECT_EQ(m_root->ApplyFont(Font(14)), 1);
    EXPECT_TRUE(m_log.empty());
    EXPECT_FALSE(TakeDirty());
    EXPECT_EQ(m_root->ApplyFont(RCPtr<LFont>()), E_INVALIDARG);
    EXPECT_EQ(m_root->GetFont(), Font(14));

    // A font given straight to a child is its own: it no longer follows the parent.
    EXPECT_EQ(a->ApplyFont(Font(7)), S_OK);
    EXPECT_FALSE(a->NameFromBase() || a->SizeFromBase() || a->StyleFromBase());
    EXPECT_EQ(m_root->ApplyFont(Font(16)), S_OK);
    EXPECT_EQ(a->GetFont(), Font(7));
    EXPECT_EQ(b->GetFont(), Font(16));
}

// The relative argument, not the flag a previous call left, decides whether the size is a factor.
TEST_F(ControlTextTest, SetFontTakesTheRelativeArgumentForTheSize)
{
    ASSERT_EQ(m_root->SetSkinFont(u"", 0, -1, true, false), 1);
    const RCPtr<FontControl> child = Make(u"child", m_root);

    ASSERT_EQ(child->SetSkinFont(u"", 0, -1, true, false), 1);
    ASSERT_FALSE(child->SizeRelative());
    EXPECT_EQ(child->SetFont(String(), 1.5f, -1, true), S_OK);
    EXPECT_EQ(child->GetFont(), Font(18));
    EXPECT_TRUE(child->SizeRelative());
    EXPECT_FLOAT_EQ(child->GetFontSizeFactor(), 1.5f);

    EXPECT_EQ(child->SetFont(String(), 14, -1, false), S_OK);
    EXPECT_EQ(child->GetFont(), Font(14));
    EXPECT_FALSE(child->SizeFromBase());
    EXPECT_FALSE(child->SizeRelative());
    EXPECT_FLOAT_EQ(child->GetFontSizeFactor(), 1.0f);
    // A given size stays when the parent's changes; the name still follows.
    ASSERT_EQ(m_root->ApplyFont(Font(20, 0, u"Text Serif")), S_OK);
    EXPECT_EQ(child->GetFont(), Font(14, 0, u"Text Serif"));
}

} // namespace
} // namespace VQ::Testing
