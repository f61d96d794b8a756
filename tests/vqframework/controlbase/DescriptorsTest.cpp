#include "vqframework/controlbase/ControlDescriptor.h"
#include "vqframework/controlbase/LayoutDescriptor.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/controlbase/SkinDescriptor.h"
#include "vqframework/controlbase/StringTable.h"
#include "vqframework/controlbase/VisualPartDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

std::u16string Text(const String& text)
{
    return std::u16string(text.View());
}

RCPtr<LColorizer> MakeColorizer()
{
    return LColorizer::Create(u"red", LColorizer::SolidFill, RGBAColor{1, 0, 0, 1}, RGBAColor{}, 0, 0, 0, 0);
}

ImageRef Image(const char16_t* file, int32_t x, int32_t y, int32_t width, int32_t height)
{
    ImageRef image;
    image.file = file;
    image.x = x;
    image.y = y;
    image.width = width;
    image.height = height;
    return image;
}

RCPtr<LDockedPart> MakeDockedPart(const char16_t* name)
{
    return LDockedPart::Create(LVisualPartDescriptor::CreateFromColorizer(name, MakeColorizer(), 1, 1, ResizeStretch,
                                                                          1.0f, ImageRef()),
                               DockRecord{DockRecord::AllGiven, 0, 0, 0, 0, 0, 0, 0, 0});
}

RCPtr<LControl>& CreateNothing(RCPtr<LControl>& out, const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&)
{
    return out;
}

TEST(VisualPartDescriptor, NoPartWithoutImageFileOrColorizer)
{
    const RCPtr<LColorizer> colorizer = MakeColorizer();
    // An image rectangle without a file is no image, whatever else is given.
    EXPECT_FALSE(LVisualPartDescriptor::CreateFromImage(u"p", Image(u"", 0, 0, 10, 10), ResizeStretch, colorizer,
                                                        1.0f, Image(u"mask.png", 0, 0, 10, 10)));
    EXPECT_FALSE(LVisualPartDescriptor::CreateFromImage(u"p", ImageRef(), ResizeTile, nullptr, 1.0f, ImageRef()));
    EXPECT_FALSE(LVisualPartDescriptor::CreateFromColorizer(u"p", nullptr, 10, 10, ResizeStretch, 1.0f, ImageRef()));
    EXPECT_FALSE(LVisualPartDescriptor::CreateFromColorizer(u"p", nullptr, 10, 10, ResizeCenter, 0.5f,
                                                            Image(u"mask.png", 0, 0, 10, 10)));
    // The refused requests took no reference they kept.
    EXPECT_EQ(colorizer->GetRefCount(), 1);
}

TEST(VisualPartDescriptor, ImagePartTakesItsSizeFromTheImageRectangle)
{
    const RCPtr<LColorizer> colorizer = MakeColorizer();
    const RCPtr<LVisualPartDescriptor> part = LVisualPartDescriptor::CreateFromImage(
        u"knob", Image(u"knobs.png", 12, 34, 56, 78), ResizeTile, colorizer, 0.25f, Image(u"mask.png", 1, 2, 3, 4));
    ASSERT_TRUE(part);
    EXPECT_EQ(Text(part->GetName()), u"knob");
    EXPECT_EQ(Text(part->GetImage().file), u"knobs.png");
    EXPECT_EQ(part->GetImage().x, 12);
    EXPECT_EQ(part->GetImage().y, 34);
    EXPECT_EQ(part->GetWidth(), 56);
    EXPECT_EQ(part->GetHeight(), 78);
    EXPECT_EQ(part->GetResizeType(), ResizeTile);
    EXPECT_EQ(part->GetColorizer(), colorizer.Get());
    EXPECT_EQ(colorizer->GetRefCount(), 2);
    EXPECT_EQ(part->GetAlphaModifier(), 0.25f);
    EXPECT_EQ(Text(part->GetMask().file), u"mask.png");
    EXPECT_EQ(part->GetMask().height, 4);

    // An image part without a colorizer is allowed.
    const RCPtr<LVisualPartDescriptor> plain =
        LVisualPartDescriptor::CreateFromImage(u"plain", Image(u"a.png", 0, 0, 0, 9), ResizeStretch, nullptr, 1.0f,
                                               ImageRef());
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->GetWidth(), 0);
    EXPECT_EQ(plain->GetHeight(), 9);
    EXPECT_FALSE(plain->GetColorizer());
}

TEST(VisualPartDescriptor, ColorizerPartHasNoImageAndTheGivenSize)
{
    const RCPtr<LColorizer> colorizer = MakeColorizer();
    const RCPtr<LVisualPartDescriptor> part =
        LVisualPartDescriptor::CreateFromColorizer(u"fill", colorizer, 7, 5, ResizeCenter, 0.5f, ImageRef());
    ASSERT_TRUE(part);
    EXPECT_FALSE(part->GetImage().HasImage());
    EXPECT_EQ(part->GetWidth(), 7);
    EXPECT_EQ(part->GetHeight(), 5);
    EXPECT_EQ(part->GetResizeType(), ResizeCenter);
    EXPECT_EQ(part->GetColorizer(), colorizer.Get());
    EXPECT_EQ(part->GetAlphaModifier(), 0.5f);
}

TEST(DockedPart, NeedsAPartAndHoldsIt)
{
    const DockRecord placement{DockRecord::LeftGiven | DockRecord::TopGiven, 3, 4, 0, 0, 1, 20, 0, 0};
    EXPECT_FALSE(LDockedPart::Create(nullptr, placement));

    const RCPtr<LVisualPartDescriptor> part =
        LVisualPartDescriptor::CreateFromColorizer(u"p", MakeColorizer(), 1, 1, ResizeStretch, 1.0f, ImageRef());
    RCPtr<LDockedPart> docked = LDockedPart::Create(part, placement);
    ASSERT_TRUE(docked);
    EXPECT_EQ(docked->GetPart(), part.Get());
    EXPECT_EQ(docked->GetPlacement(), placement);
    EXPECT_EQ(part->GetRefCount(), 2);
    docked.Release();
    EXPECT_EQ(part->GetRefCount(), 1);
}

TEST(LookDescriptor, SetClientPartKeepsTheHeldPartAndReleasesAReplacedOne)
{
    const RCPtr<LLookDescriptor> look = LLookDescriptor::Create(u"normal");
    EXPECT_EQ(Text(look->GetName()), u"normal");
    EXPECT_FALSE(look->GetClientPart());

    const RCPtr<LDockedPart> first = MakeDockedPart(u"first");
    const RCPtr<LDockedPart> second = MakeDockedPart(u"second");
    EXPECT_EQ(look->SetClientPart(first), 0);
    EXPECT_EQ(first->GetRefCount(), 2);

    EXPECT_EQ(look->SetClientPart(first), 0);
    EXPECT_EQ(look->GetClientPart(), first.Get());
    EXPECT_EQ(first->GetRefCount(), 2);

    EXPECT_EQ(look->SetClientPart(second), 0);
    EXPECT_EQ(look->GetClientPart(), second.Get());
    EXPECT_EQ(first->GetRefCount(), 1);
    EXPECT_EQ(second->GetRefCount(), 2);

    EXPECT_EQ(look->SetClientPart(nullptr), 0);
    EXPECT_FALSE(look->GetClientPart());
    EXPECT_EQ(second->GetRefCount(), 1);
}

TEST(LookDescriptor, HeldOnlyByTheLookTheClientPartSurvivesBeingSetAgain)
{
    const RCPtr<LLookDescriptor> look = LLookDescriptor::Create(u"normal");
    look->SetClientPart(MakeDockedPart(u"only"));
    LDockedPart* held = look->GetClientPart().Get();
    ASSERT_EQ(held->GetRefCount(), 1);
    // Passing the look's own pointer must not release the part before it is taken again.
    look->SetClientPart(look->GetClientPart());
    ASSERT_EQ(look->GetClientPart(), held);
    EXPECT_EQ(held->GetRefCount(), 1);
    EXPECT_EQ(Text(held->GetPart()->GetName()), u"only");
}

TEST(LookDescriptor, NonClientPartsAppendInOrderAndTextPropertiesMarkText)
{
    const RCPtr<LLookDescriptor> look = LLookDescriptor::Create(u"hover");
    const RCPtr<LDockedPart> left = MakeDockedPart(u"left");
    const RCPtr<LDockedPart> right = MakeDockedPart(u"right");
    EXPECT_EQ(look->AddNonClientPart(left), 0);
    EXPECT_EQ(look->AddNonClientPart(right), 0);
    EXPECT_EQ(look->AddNonClientPart(left), 0);
    ASSERT_EQ(look->GetNonClientParts().GetCount(), 3u);
    EXPECT_EQ(look->GetNonClientParts().GetAt(0), left.Get());
    EXPECT_EQ(look->GetNonClientParts().GetAt(1), right.Get());
    EXPECT_EQ(look->GetNonClientParts().GetAt(2), left.Get());
    EXPECT_EQ(left->GetRefCount(), 3);

    EXPECT_FALSE(look->HasText());
    EXPECT_FALSE(look->GetTextForegroundPart());
    const LookTextProperties text{0.0f, 2, 1.0f, -2, 0.5f, 0.0f, 3, 1.0f, -3, 1.0f};
    const RCPtr<LVisualPartDescriptor> foreground =
        LVisualPartDescriptor::CreateFromColorizer(u"ink", MakeColorizer(), 1, 1, ResizeStretch, 1.0f, ImageRef());
    EXPECT_EQ(look->SetTextProperties(text, foreground), 0);
    EXPECT_TRUE(look->HasText());
    EXPECT_EQ(look->GetTextProperties(), text);
    EXPECT_EQ(look->GetTextForegroundPart(), foreground.Get());
    EXPECT_EQ(foreground->GetRefCount(), 2);
}

TEST(LookList, HasCountNullEntries)
{
    for (const uint32_t count : {0u, 1u, 7u, 14u}) {
        const RCPtr<LookList> list = CreateLookList(count);
        ASSERT_TRUE(list);
        ASSERT_EQ(list->GetCount(), count);
        for (uint32_t i = 0; i < count; ++i)
            EXPECT_FALSE(list->GetAt(i)) << "entry " << i << " of " << count;
    }
}

TEST(SkinDescriptor, FontFieldsStartUnset)
{
    const RCPtr<LSkinDescriptor> skin = LSkinDescriptor::Create(u"PresetEditor.Button");
    EXPECT_EQ(Text(skin->GetName()), u"PresetEditor.Button");
    EXPECT_FALSE(skin->lookList);
    EXPECT_FALSE(skin->FontInheritsFromParent);
    EXPECT_FALSE(skin->FontSizeIsRelative);
    EXPECT_TRUE(skin->fontName.IsEmpty());
    EXPECT_EQ(skin->fontSize, 0.0f);
    EXPECT_EQ(skin->fontStyle, -1);
}

TEST(ControlDescriptor, RootIsAnApplicationWithoutParent)
{
    const RCPtr<LControlDescriptor> root = LControlDescriptor::CreateRoot(u"PresetEditor");
    EXPECT_EQ(Text(root->GetClassName()), u"Application");
    EXPECT_EQ(Text(root->GetName()), u"PresetEditor");
    EXPECT_EQ(root->GetParent(), nullptr);
    EXPECT_EQ(root->GetChildren().GetCount(), 0u);
    EXPECT_FALSE(root->GetSkin());
    EXPECT_FALSE(root->GetLayout());
    EXPECT_FALSE(root->GetCreateParams());
    EXPECT_EQ(root->GetCreateFunction(), nullptr);
}

TEST(ControlDescriptor, SettersKeepTheHeldPointerAndReleaseAReplacedOne)
{
    const RCPtr<LControlDescriptor> control = LControlDescriptor::Create(u"Framework.Button", u"ok", nullptr);
    const RCPtr<LSkinDescriptor> skin = LSkinDescriptor::Create(u"a");
    const RCPtr<LSkinDescriptor> otherSkin = LSkinDescriptor::Create(u"b");
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
    const RCPtr<LStringTable> params = LStringTable::Create();

    EXPECT_EQ(control->SetSkin(skin), 0);
    EXPECT_EQ(control->SetSkin(skin), 0);
    EXPECT_EQ(skin->GetRefCount(), 2);
    EXPECT_EQ(control->SetSkin(otherSkin), 0);
    EXPECT_EQ(control->GetSkin(), otherSkin.Get());
    EXPECT_EQ(skin->GetRefCount(), 1);
    EXPECT_EQ(otherSkin->GetRefCount(), 2);

    EXPECT_EQ(control->SetLayout(layout), 0);
    EXPECT_EQ(control->SetLayout(layout), 0);
    EXPECT_EQ(layout->GetRefCount(), 2);
    EXPECT_EQ(control->SetCreateParams(params), 0);
    EXPECT_EQ(control->SetCreateParams(params), 0);
    EXPECT_EQ(params->GetRefCount(), 2);
    EXPECT_EQ(control->SetCreateParams(nullptr), 0);
    EXPECT_EQ(params->GetRefCount(), 1);
}

class CloneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = LControlDescriptor::Create(u"PresetEditor.MainControl", u"main", nullptr);
        source = LControlDescriptor::Create(u"Framework.ListBox", u"list", parent.Get());
        parent->AddChild(source);
        first = LControlDescriptor::Create(u"Framework.Label", u"item", source.Get());
        second = LControlDescriptor::Create(u"Framework.Label", u"other", source.Get());
        source->AddChild(first);
        source->AddChild(second);
        skin = LSkinDescriptor::Create(u"PresetEditor.ListBox");
        layout = LLayoutDescriptor::Create();
        params = LStringTable::Create();
        params->Add(u"NOT_FOCUSABLE", String(u"True"));
        source->SetSkin(skin);
        source->SetLayout(layout);
        source->SetCreateParams(params);
        source->SetCreateFunction(&CreateNothing);
    }

    RCPtr<LControlDescriptor> parent;
    RCPtr<LControlDescriptor> source;
    RCPtr<LControlDescriptor> first;
    RCPtr<LControlDescriptor> second;
    RCPtr<LSkinDescriptor> skin;
    RCPtr<LLayoutDescriptor> layout;
    RCPtr<LStringTable> params;
};

TEST_F(CloneTest, SharesEverythingButTheNameAndTheChildArray)
{
    const RCPtr<LControlDescriptor> clone = source->Clone(u"ItemControl1");
    ASSERT_TRUE(clone);
    ASSERT_NE(clone.Get(), source.Get());
    EXPECT_EQ(Text(clone->GetClassName()), u"Framework.ListBox");
    EXPECT_EQ(Text(clone->GetName()), u"ItemControl1");
    EXPECT_EQ(Text(source->GetName()), u"list");
    EXPECT_EQ(clone->GetParent(), parent.Get());
    EXPECT_EQ(clone->GetSkin(), skin.Get());
    EXPECT_EQ(clone->GetLayout(), layout.Get());
    EXPECT_EQ(clone->GetCreateParams(), params.Get());
    EXPECT_EQ(clone->GetCreateFunction(), &CreateNothing);
    // Shared, not copied: one more reference each.
    EXPECT_EQ(skin->GetRefCount(), 3);
    EXPECT_EQ(layout->GetRefCount(), 3);
    EXPECT_EQ(params->GetRefCount(), 3);

    ASSERT_EQ(clone->GetChildren().GetCount(), 2u);
    EXPECT_EQ(clone->GetChildren().GetAt(0), first.Get());
    EXPECT_EQ(clone->GetChildren().GetAt(1), second.Get());
    EXPECT_EQ(first->GetRefCount(), 3);
    // The clone is not made a child of the parent.
    EXPECT_EQ(parent->GetChildren().GetCount(), 1u);

    // Its own array: a child added to the clone is not the source's.
    clone->AddChild(LControlDescriptor::Create(u"Framework.Label", u"extra", clone.Get()));
    EXPECT_EQ(clone->GetChildren().GetCount(), 3u);
    EXPECT_EQ(source->GetChildren().GetCount(), 2u);
}

TEST_F(CloneTest, EmptyNameKeepsTheSourcesName)
{
    const RCPtr<LControlDescriptor> clone = source->Clone(String());
    EXPECT_EQ(Text(clone->GetName()), u"list");
    EXPECT_EQ(clone->GetChildren().GetCount(), 2u);
}

TEST_F(CloneTest, CloneWithoutCreateFunctionHasNone)
{
    const RCPtr<LControlDescriptor> clone = first->Clone(u"copy");
    EXPECT_EQ(clone->GetCreateFunction(), nullptr);
    EXPECT_EQ(clone->GetParent(), source.Get());
    EXPECT_FALSE(clone->GetSkin());
    EXPECT_FALSE(clone->GetLayout());
    EXPECT_FALSE(clone->GetCreateParams());
    EXPECT_EQ(clone->GetChildren().GetCount(), 0u);
}

TEST_F(CloneTest, ReleasingTheCloneLeavesTheSharedParts)
{
    RCPtr<LControlDescriptor> clone = source->Clone(u"gone");
    clone.Release();
    EXPECT_EQ(first->GetRefCount(), 2);
    EXPECT_EQ(skin->GetRefCount(), 2);
    EXPECT_EQ(layout->GetRefCount(), 2);
    EXPECT_EQ(params->GetRefCount(), 2);
    String value;
    ASSERT_TRUE(source->GetCreateParams()->GetString(u"NOT_FOCUSABLE", value));
    EXPECT_EQ(Text(value), u"True");
}

TEST(LayoutDescriptor, Defaults)
{
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
    EXPECT_TRUE(layout->ClipToParent);
    EXPECT_EQ(layout->Z_Order, 0);
    EXPECT_EQ(layout->TabStop, 0);
    EXPECT_TRUE(layout->IsVisible);
    EXPECT_TRUE(layout->IsEnabled);
    EXPECT_FALSE(layout->XIsDocked);
    EXPECT_FALSE(layout->YIsDocked);
    for (const LayoutPosition* position : {&layout->XPosition, &layout->YPosition}) {
        EXPECT_EQ(position->anchor, 0.0f);
        EXPECT_EQ(position->kind, ReferenceClient);
        EXPECT_EQ(position->kind, 1);
        EXPECT_TRUE(position->name.IsEmpty());
        EXPECT_EQ(position->rel, 0.0f);
        EXPECT_EQ(position->abs, 0.0);
    }
    for (const LayoutSize* size : {&layout->XSize, &layout->YSize}) {
        EXPECT_EQ(size->kind, ReferenceSelf);
        EXPECT_EQ(size->kind, 2);
        EXPECT_TRUE(size->name.IsEmpty());
        EXPECT_EQ(size->rel, 0.0f);
    }
    EXPECT_EQ(layout->XSize.abs, 16.0);
    EXPECT_EQ(layout->YSize.abs, 40.0);
    for (const LayoutLimit* limit : {&layout->XMinSize, &layout->YMinSize, &layout->XMaxSize, &layout->YMaxSize}) {
        EXPECT_FALSE(limit->named);
        EXPECT_TRUE(limit->name.IsEmpty());
        EXPECT_EQ(limit->rel, 0.0f);
        EXPECT_EQ(limit->abs, 0.0);
    }
    EXPECT_TRUE(layout->TextDecoration.IsEmpty());
    EXPECT_EQ(layout->TextOverflowXType, 0);
    EXPECT_EQ(layout->TextOverflowYType, 0);
    EXPECT_EQ(layout->LayoutOrder, 0);
}

TEST(LayoutDescriptor, CloneCopiesEveryFieldAndIsIndependent)
{
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
    layout->ClipToParent = false;
    layout->Z_Order = 3;
    layout->TabStop = -1;
    layout->IsVisible = false;
    layout->IsEnabled = false;
    layout->XIsDocked = true;
    layout->YIsDocked = true;
    layout->XPosition = LayoutPosition{0.5f, ReferencePositionNamed, u"knob", 0.25f, 7.0};
    layout->YPosition = LayoutPosition{1.0f, ReferenceParent, u"", 0.75f, -3.0};
    layout->XSize = LayoutSize{ReferenceSizeNamed, u"pad", 0.5f, 93.0};
    layout->YSize = LayoutSize{ReferenceClient, u"", 1.0f, -4.0};
    layout->XMinSize = LayoutLimit{true, u"Children", 0.1f, 10.0};
    layout->YMinSize = LayoutLimit{false, u"", 0.2f, 20.0};
    layout->XMaxSize = LayoutLimit{true, u"label", 0.3f, 30.0};
    layout->YMaxSize = LayoutLimit{false, u"", 0.4f, 40.0};
    layout->TextDecoration = u"underline";
    layout->TextOverflowXType = 2;
    layout->TextOverflowYType = 1;
    layout->LayoutOrder = 5;

    const RCPtr<LLayoutDescriptor> clone = layout->Clone();
    ASSERT_TRUE(clone);
    ASSERT_NE(clone.Get(), layout.Get());
    // A fresh object held once, not one that inherited the source's count.
    EXPECT_EQ(clone->GetRefCount(), 1);
    EXPECT_EQ(layout->GetRefCount(), 1);

    const auto expectSame = [](const LLayoutDescriptor& a, const LLayoutDescriptor& b) {
        EXPECT_EQ(a.ClipToParent, b.ClipToParent);
        EXPECT_EQ(a.Z_Order, b.Z_Order);
        EXPECT_EQ(a.TabStop, b.TabStop);
        EXPECT_EQ(a.IsVisible, b.IsVisible);
        EXPECT_EQ(a.IsEnabled, b.IsEnabled);
        EXPECT_EQ(a.XIsDocked, b.XIsDocked);
        EXPECT_EQ(a.YIsDocked, b.YIsDocked);
        for (const auto& [p, q] : {std::pair{&a.XPosition, &b.XPosition}, std::pair{&a.YPosition, &b.YPosition}}) {
            EXPECT_EQ(p->anchor, q->anchor);
            EXPECT_EQ(p->kind, q->kind);
            EXPECT_EQ(Text(p->name), Text(q->name));
            EXPECT_EQ(p->rel, q->rel);
            EXPECT_EQ(p->abs, q->abs);
        }
        for (const auto& [p, q] : {std::pair{&a.XSize, &b.XSize}, std::pair{&a.YSize, &b.YSize}}) {
            EXPECT_EQ(p->kind, q->kind);
            EXPECT_EQ(Text(p->name), Text(q->name));
            EXPECT_EQ(p->rel, q->rel);
            EXPECT_EQ(p->abs, q->abs);
        }
        for (const auto& [p, q] : {std::pair{&a.XMinSize, &b.XMinSize}, std::pair{&a.YMinSize, &b.YMinSize},
                                   std::pair{&a.XMaxSize, &b.XMaxSize}, std::pair{&a.YMaxSize, &b.YMaxSize}}) {
            EXPECT_EQ(p->named, q->named);
            EXPECT_EQ(Text(p->name), Text(q->name));
            EXPECT_EQ(p->rel, q->rel);
            EXPECT_EQ(p->abs, q->abs);
        }
        EXPECT_EQ(Text(a.TextDecoration), Text(b.TextDecoration));
        EXPECT_EQ(a.TextOverflowXType, b.TextOverflowXType);
        EXPECT_EQ(a.TextOverflowYType, b.TextOverflowYType);
        EXPECT_EQ(a.LayoutOrder, b.LayoutOrder);
    };
    expectSame(*clone, *layout);
    EXPECT_EQ(Text(clone->XPosition.name), u"knob");
    EXPECT_EQ(clone->XSize.abs, 93.0);
    EXPECT_EQ(clone->LayoutOrder, 5);

    // Changing the clone leaves the source alone.
    clone->IsVisible = true;
    clone->XPosition.name = u"slider";
    clone->YSize.abs = 12.0;
    clone->TextDecoration = String();
    EXPECT_FALSE(layout->IsVisible);
    EXPECT_EQ(Text(layout->XPosition.name), u"knob");
    EXPECT_EQ(layout->YSize.abs, -4.0);
    EXPECT_EQ(Text(layout->TextDecoration), u"underline");
}

TEST(DescriptorGraph, ReleasingTheRootReleasesEverythingItHolds)
{
    const RCPtr<LColorizer> colorizer = MakeColorizer();
    RCPtr<LControlDescriptor> root = LControlDescriptor::CreateRoot(u"PresetEditor");
    RCPtr<LControlDescriptor> child = LControlDescriptor::Create(u"Framework.Button", u"ok", root.Get());
    const RCPtr<LControlDescriptor> grandchild =
        LControlDescriptor::Create(u"Framework.Label", u"caption", child.Get());
    {
        root->AddChild(child);
        child->AddChild(grandchild);
        const RCPtr<LVisualPartDescriptor> part =
            LVisualPartDescriptor::CreateFromColorizer(u"p", colorizer, 4, 4, ResizeStretch, 1.0f, ImageRef());
        const RCPtr<LLookDescriptor> look = LLookDescriptor::Create(u"normal");
        look->SetClientPart(LDockedPart::Create(part, DockRecord{}));
        look->AddNonClientPart(LDockedPart::Create(part, DockRecord{}));
        look->SetTextProperties(LookTextProperties{}, part);
        const RCPtr<LookList> looks = CreateLookList(14);
        looks->GetAt(3) = look;
        const RCPtr<LSkinDescriptor> skin = LSkinDescriptor::Create(u"skin");
        skin->lookList = looks;
        child->SetSkin(skin);
        child->SetLayout(LLayoutDescriptor::Create());
        child->SetCreateParams(LStringTable::Create());
    }
    EXPECT_EQ(child->GetRefCount(), 2);
    EXPECT_EQ(colorizer->GetRefCount(), 2);

    root.Release();
    EXPECT_EQ(child->GetRefCount(), 1);
    EXPECT_EQ(grandchild->GetRefCount(), 2);
    EXPECT_EQ(colorizer->GetRefCount(), 2);

    // The child was the last holder of the look graph: the colorizer comes back to this test alone.
    child.Release();
    EXPECT_EQ(grandchild->GetRefCount(), 1);
    EXPECT_EQ(colorizer->GetRefCount(), 1);
}

} // namespace
} // namespace VQ
