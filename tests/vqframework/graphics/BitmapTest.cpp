#include "vqframework/graphics/Bitmap.h"

#include "tests/support/TemporaryFolder.h"
#include "vqframework/graphics/Colorizer.h"
#include "vqframework/system/ProgramResources.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace VQ {
namespace {

using Text = StringT<char16_t, char>;

// The pixels of resources/CE.png, a 4 x 4 image whose every pixel differs in every channel.
uint32_t CEPixel(int32_t x, int32_t y)
{
    const uint32_t i = uint32_t(y * 4 + x);
    return (0xFFu - 0x11u * i) << 24 | (0x10u * uint32_t(x) + 1) << 16 | (0x10u * uint32_t(y) + 2) << 8 | i;
}

uint32_t Word(const RCPtr<LBitmap>& bitmap, int32_t x, int32_t y)
{
    LBitmapData data(bitmap, LBitmapData::LockMode::Read, nullptr);
    return *data.GetPixel(x, y);
}

RGBAColor ColorOf(uint32_t argb)
{
    RGBAColor color;
    color.SetARGB(argb);
    return color;
}

ConstRCPtr<LColorizer> Colorizer(LColorizer::ColorType type, uint32_t color, uint32_t endColor)
{
    return LColorizer::Create(Text("tint"), type, ColorOf(color), ColorOf(endColor), 0, 0, 1, 1);
}

ConstRCPtr<LColorizer> Solid(uint32_t color)
{
    return Colorizer(LColorizer::SolidFill, color, color);
}

// The exception of kind X that body throws, for function of the bitmap source.
template <class X, class Body> void ExpectThrows(Body body, const std::string& function)
{
    try {
        body();
        ADD_FAILURE() << "no exception from " << function;
    } catch (const Exception<X>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex(std::string(ExceptionKind<X>::Text) + " : VQ::" + function +
                                                      " : vqframework/graphics/Bitmap\\.cpp : Line [0-9]+"));
    }
}

void WriteFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    ASSERT_TRUE(out.good()) << path;
}

void WriteCEFile(const std::string& path)
{
    const std::span<const uint8_t> png = FindProgramResource(Text("::CE.png"), "GDIPLUS");
    ASSERT_FALSE(png.empty());
    WriteFile(path, png.data(), png.size());
}

TEST(BitmapCache, LoadsAResourceOnceWhileItIsHeld)
{
    RCPtr<LBitmap> first = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(first);
    RCPtr<LBitmap> second = LBitmap::Load(Text("::CE.png"));
    RCPtr<LBitmap> otherCase = LBitmap::Load(Text("::ce.PNG"));
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(first.Get(), otherCase.Get());
    EXPECT_TRUE(first->GetName() == "::CE.png");
    EXPECT_TRUE(first->GetCacheKey() == "::CE.PNG");
    // Three outside references and the cache's, which counts as cyclic.
    EXPECT_EQ(4, first->GetRefCount());
    EXPECT_EQ(1, first->GetCyclicCount());
    EXPECT_EQ(4, first->GetWidth());
    EXPECT_EQ(4, first->GetHeight());
    EXPECT_EQ(0, first->GetX());
    EXPECT_FALSE(first->GetParent());
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(CEPixel(x, y), Word(first, x, y)) << x << ", " << y;
}

TEST(BitmapCache, ReleasingTheLastOutsideReferenceDropsTheEntry)
{
    RCPtr<LBitmap> loaded = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(loaded);
    // Tinted in place, so that a fresh decode shows.
    LBitmap::ApplyColorizer(loaded, Solid(0xFF000000), 1.0f);
    ASSERT_EQ(0xFF000000u, Word(loaded, 0, 0));

    RCPtr<LBitmap> sub = loaded->CreateSubBitmap(1, 1, 2, 2);
    loaded = nullptr;
    // The sub-bitmap holds its root, so the entry stays.
    loaded = LBitmap::Load(Text("::CE.png"));
    EXPECT_EQ(sub->GetParent().Get(), loaded.Get());
    EXPECT_EQ(0xFF000000u, Word(loaded, 0, 0));

    sub = nullptr;
    loaded = nullptr;
    RCPtr<LBitmap> reloaded = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(CEPixel(0, 0), Word(reloaded, 0, 0));
    EXPECT_EQ(2, reloaded->GetRefCount());
    EXPECT_EQ(1, reloaded->GetCyclicCount());
}

TEST(BitmapCache, ResourcesThatCannotBeDecodedLoadNothing)
{
    for (const char* name : {"::MISSING.png", "::EMPTY.png", "::CORRUPT.png", "::", ""})
        EXPECT_FALSE(LBitmap::Load(Text(name))) << name;
    // Bitmaps made by hand hold no cache reference.
    RCPtr<LBitmap> direct(new LBitmap(Text("::CE.png"), Text("::CE.PNG")));
    EXPECT_EQ(0, direct->GetCyclicCount());
    EXPECT_NE(LBitmap::Load(Text("::CE.png")).Get(), direct.Get());
}

TEST(BitmapFiles, SpellingsOfOneFileShareOneBitmapKeyedByItsCanonicalPath)
{
    test::TemporaryFolder folder;
    const std::string path = folder.Path() + "/a.png";
    WriteCEFile(path);
    std::filesystem::create_directory(folder.Path() + "/sub");
    std::filesystem::create_symlink(path, folder.Path() + "/link.png");

    RCPtr<LBitmap> plain = LBitmap::Load(Text(path.c_str()));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->GetCacheKey() == std::filesystem::canonical(path).string().c_str());
    EXPECT_EQ(CEPixel(3, 2), Word(plain, 3, 2));
    for (const std::string& other : {folder.Path() + "/./a.png", folder.Path() + "/sub/../a.png",
                                     folder.Path() + "/link.png"})
        EXPECT_EQ(plain.Get(), LBitmap::Load(Text(other.c_str())).Get()) << other;
}

TEST(BitmapFiles, NamesDifferingOnlyInCaseAreDifferentBitmaps)
{
    test::TemporaryFolder folder;
    WriteCEFile(folder.Path() + "/a.png");
    WriteCEFile(folder.Path() + "/A.png");
    RCPtr<LBitmap> lower = LBitmap::Load(Text((folder.Path() + "/a.png").c_str()));
    RCPtr<LBitmap> upper = LBitmap::Load(Text((folder.Path() + "/A.png").c_str()));
    ASSERT_TRUE(lower);
    ASSERT_TRUE(upper);
    EXPECT_NE(lower.Get(), upper.Get());
    EXPECT_NE(LBitmap::GetHandle(lower), LBitmap::GetHandle(upper));
}

TEST(BitmapFiles, AFailedLoadIsNotCached)
{
    test::TemporaryFolder folder;
    const std::string path = folder.Path() + "/skin.png";
    const std::span<const uint8_t> png = FindProgramResource(Text("::CE.png"), "GDIPLUS");
    WriteFile(path, png.data(), png.size() / 2);
    const std::string empty = folder.Path() + "/empty.png";
    WriteFile(empty, "", 0);
    // A pipe with no writer would block a reader for ever.
    const std::string pipe = folder.Path() + "/pipe.png";
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0600));

    for (const std::string& name : {path, empty, pipe, folder.Path(), folder.Path() + "/missing.png",
                                    std::string("missing-relative.png")})
        EXPECT_FALSE(LBitmap::Load(Text(name.c_str()))) << name;

    WriteCEFile(path);
    RCPtr<LBitmap> loaded = LBitmap::Load(Text(path.c_str()));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(CEPixel(1, 1), Word(loaded, 1, 1));
}

TEST(SubBitmap, ZeroSizeMeansTheWholeBitmapAndEverySubBitmapPointsAtTheRoot)
{
    RCPtr<LBitmap> root = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(root);
    RCPtr<LBitmap> whole = root->CreateSubBitmap(0, 0, 0, 0);
    EXPECT_EQ(root.Get(), whole->GetParent().Get());
    EXPECT_EQ(0, whole->GetX());
    EXPECT_EQ(0, whole->GetY());
    EXPECT_EQ(4, whole->GetWidth());
    EXPECT_EQ(4, whole->GetHeight());

    RCPtr<LBitmap> sub = root->CreateSubBitmap(1, 2, 3, 2);
    RCPtr<LBitmap> subOfSub = sub->CreateSubBitmap(1, 1, 1, 1);
    EXPECT_EQ(root.Get(), subOfSub->GetParent().Get());
    EXPECT_EQ(2, subOfSub->GetX());
    EXPECT_EQ(3, subOfSub->GetY());
    EXPECT_EQ(1, subOfSub->GetWidth());
    EXPECT_EQ(CEPixel(2, 3), subOfSub->GetPixel(0, 0).ToARGB());
    // A zero size on a sub-bitmap is that sub-bitmap's whole rectangle.
    RCPtr<LBitmap> again = sub->CreateSubBitmap(5, 5, -1, 0);
    EXPECT_EQ(1, again->GetX());
    EXPECT_EQ(2, again->GetY());
    EXPECT_EQ(3, again->GetWidth());

    EXPECT_NE(0u, LBitmap::GetHandle(root));
    EXPECT_EQ(LBitmap::GetHandle(root), LBitmap::GetHandle(subOfSub));
    EXPECT_EQ(0u, LBitmap::GetHandle(RCPtr<LBitmap>(new LBitmap())));
    EXPECT_EQ(0u, LBitmap::GetHandle(nullptr));
}

TEST(SubBitmap, PixelsOutsideTheRootReadAsZero)
{
    RCPtr<LBitmap> root = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(root);
    RCPtr<LBitmap> past = root->CreateSubBitmap(2, 3, 4, 4);
    struct Case {
        const RCPtr<LBitmap>* bitmap;
        int32_t x;
        int32_t y;
        uint32_t expected;
    };
    const Case cases[] = {
        {&root, 0, 0, CEPixel(0, 0)}, {&root, 3, 3, CEPixel(3, 3)}, {&root, 4, 0, 0},
        {&root, 0, 4, 0},             {&root, -1, 0, 0},            {&root, 0, -1, 0},
        {&past, 0, 0, CEPixel(2, 3)}, {&past, 1, 0, CEPixel(3, 3)}, {&past, 2, 0, 0},
        {&past, 0, 1, 0},             {&past, -2, -3, CEPixel(0, 0)},
        {&root, INT32_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        const RGBAColor color = (*c.bitmap)->GetPixel(c.x, c.y);
        EXPECT_EQ(c.expected, color.ToARGB()) << c.x << ", " << c.y;
    }
    const RGBAColor first = root->GetPixel(0, 0);
    EXPECT_FLOAT_EQ(1.0f / 255.0f, first.r);
    EXPECT_FLOAT_EQ(2.0f / 255.0f, first.g);
    EXPECT_FLOAT_EQ(0.0f, first.b);
    EXPECT_FLOAT_EQ(1.0f, first.a);
    RCPtr<LBitmap> far = root->CreateSubBitmap(INT32_MAX, INT32_MAX, 1, 1)->CreateSubBitmap(INT32_MAX, 1, 1, 1);
    EXPECT_EQ(INT32_MAX, far->GetX());
    EXPECT_EQ(0u, far->GetPixel(0, 0).ToARGB());
}

TEST(BitmapData, LocksTheRectangleOfTheRoot)
{
    RCPtr<LBitmap> root = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(root);
    RCPtr<LBitmap> sub = root->CreateSubBitmap(1, 1, 2, 3);
    LBitmapData data(sub, LBitmapData::LockMode::ReadWrite, nullptr);
    EXPECT_EQ(2, data.GetWidth());
    EXPECT_EQ(3, data.GetHeight());
    EXPECT_EQ(16, data.GetPitch());
    const uint32_t* first = data.GetPixel(0, 0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(CEPixel(1, 1), *first);
    EXPECT_EQ(reinterpret_cast<const char*>(first) + 2 * 16 + 4, reinterpret_cast<const char*>(data.GetPixel(1, 2)));
    EXPECT_EQ(CEPixel(2, 3), *data.GetPixel(1, 2));
    const LBitmapData& constant = data;
    EXPECT_EQ(data.GetPixel(1, 1), constant.GetPixel(1, 1));
    for (auto [x, y] : {std::pair{2, 0}, {0, 3}, {-1, 0}, {0, -1}})
        EXPECT_EQ(nullptr, data.GetPixel(x, y)) << x << ", " << y;

    *data.GetPixel(0, 0) = 0x12345678;
    EXPECT_EQ(0x12345678u, root->GetPixel(1, 1).ToARGB());

    // A sub-bitmap's data is its root's.
    RCPtr<LBitmapData> rootData = sub->GetData();
    EXPECT_EQ(4, rootData->GetWidth());
    EXPECT_EQ(4, rootData->GetHeight());
    EXPECT_EQ(data.GetPixel(0, 0), rootData->GetPixel(1, 1));
}

TEST(BitmapData, RefusesABufferAndRectanglesOutsideTheRoot)
{
    RCPtr<LBitmap> root = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(root);
    RCPtr<LPixelBuffer<uint32_t>> buffer(new LPixelBuffer<uint32_t>(2, 2));
    ExpectThrows<std::domain_error>([&] { LBitmapData data(root, LBitmapData::LockMode::Read, buffer); },
                                    "LBitmapData::LBitmapData");
    for (auto [x, y, w, h] : {std::tuple{3, 0, 2, 1}, {0, 3, 1, 2}, {-1, 0, 2, 2}, {0, -1, 1, 1}}) {
        RCPtr<LBitmap> past = root->CreateSubBitmap(x, y, w, h);
        ExpectThrows<std::runtime_error>([&] { LBitmapData data(past, LBitmapData::LockMode::Read, nullptr); },
                                         "LBitmapData::LBitmapData");
    }
    ExpectThrows<std::runtime_error>([] { (void)RCPtr<LBitmap>(new LBitmap())->GetData(); },
                                     "LBitmapData::LBitmapData");
    ExpectThrows<std::runtime_error>([] { LBitmapData data(nullptr, LBitmapData::LockMode::Read, nullptr); },
                                     "LBitmapData::LBitmapData");
}

TEST(BitmapCopy, CopiesTheRectangleIntoANewRoot)
{
    RCPtr<LBitmap> root = LBitmap::Load(Text("::CE.png"));
    ASSERT_TRUE(root);
    RCPtr<LBitmap> copy = root->CreateSubBitmap(1, 2, 3, 2)->Copy();
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->GetParent());
    EXPECT_EQ(0, copy->GetX());
    EXPECT_EQ(0, copy->GetY());
    EXPECT_EQ(3, copy->GetWidth());
    EXPECT_EQ(2, copy->GetHeight());
    EXPECT_NE(LBitmap::GetHandle(root), LBitmap::GetHandle(copy));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(CEPixel(x + 1, y + 2), Word(copy, x, y)) << x << ", " << y;
    LBitmap::ApplyColorizer(copy, Solid(0xFFFFFFFF), 1.0f);
    EXPECT_EQ(CEPixel(1, 2), Word(root, 1, 2));

    EXPECT_FALSE(root->CreateSubBitmap(2, 2, 3, 1)->Copy());
    EXPECT_FALSE(RCPtr<LBitmap>(new LBitmap())->Copy());
}

TEST(BitmapTint, BlendsEachColourByteTowardsTheTintAndKeepsAlpha)
{
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(2, 1, ColorOf(0x4D0080FF));
    LBitmap::ApplyColorizer(bitmap, Solid(0xFFFF0000), 0.5f);
    EXPECT_EQ(0x4D804080u, Word(bitmap, 0, 0));
    EXPECT_EQ(0x4D804080u, Word(bitmap, 1, 0));

    // The colorizer's own alpha scales the tint as the modifier does.
    RCPtr<LBitmap> halfAlpha = LBitmap::CreateFilledBitmap(1, 1, ColorOf(0x4D0080FF));
    LBitmap::ApplyColorizer(halfAlpha, Solid(0x80FF0000), 1.0f);
    EXPECT_EQ(0x4D80407Fu, Word(halfAlpha, 0, 0));
}

TEST(BitmapTint, AZeroModifierLeavesEveryByteValueUnchanged)
{
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(256, 1, ColorOf(0));
    {
        LBitmapData data(bitmap, LBitmapData::LockMode::ReadWrite, nullptr);
        for (uint32_t i = 0; i < 256; ++i)
            *data.GetPixel(int32_t(i), 0) = (255 - i) << 24 | i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
    }
    LBitmap::ApplyColorizer(bitmap, Solid(0xFF4080C0), 0.0f);
    for (uint32_t i = 0; i < 256; ++i)
        EXPECT_EQ((255 - i) << 24 | i << 16 | (255 - i) << 8 | (i * 7 & 0xFF), Word(bitmap, int32_t(i), 0)) << i;
}

TEST(BitmapTint, TintsOnlyTheSubBitmapsRectangle)
{
    RCPtr<LBitmap> root = LBitmap::CreateFilledBitmap(3, 3, ColorOf(0xFF000000));
    LBitmap::ApplyColorizer(root->CreateSubBitmap(1, 1, 2, 1), Solid(0xFFFFFFFF), 1.0f);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(y == 1 && x >= 1 ? 0xFFFFFFFFu : 0xFF000000u, Word(root, x, y)) << x << ", " << y;
}

TEST(BitmapTint, RefusesMissingOperandsRectanglesOutsideTheRootAndTrueGradients)
{
    RCPtr<LBitmap> root = LBitmap::CreateFilledBitmap(2, 2, ColorOf(0xFF102030));
    ExpectThrows<std::runtime_error>([] { LBitmap::ApplyColorizer(nullptr, Solid(0xFFFFFFFF), 1.0f); },
                                     "LBitmap::ApplyColorizer");
    ExpectThrows<std::runtime_error>([&] { LBitmap::ApplyColorizer(root, nullptr, 1.0f); },
                                     "LBitmap::ApplyColorizer");
    ExpectThrows<std::runtime_error>(
        [&] { LBitmap::ApplyColorizer(root->CreateSubBitmap(1, 1, 2, 2), Solid(0xFFFFFFFF), 1.0f); },
        "LBitmap::ApplyColorizer");
    ExpectThrows<std::runtime_error>(
        [] { LBitmap::ApplyColorizer(RCPtr<LBitmap>(new LBitmap()), Solid(0xFFFFFFFF), 1.0f); },
        "LBitmap::ApplyColorizer");
    ExpectThrows<std::domain_error>(
        [&] { LBitmap::ApplyColorizer(root, Colorizer(LColorizer::RadialGradient, 0xFFFFFFFF, 0xFF000000), 1.0f); },
        "LBitmap::CreateGradientFilledBitmap");
    EXPECT_EQ(0xFF102030u, Word(root, 1, 1));
}

TEST(BitmapTint, APartTintsACopyOfItsImageOrMaskOrFillsItsSize)
{
    RCPtr<LBitmap> image = LBitmap::CreateFilledBitmap(2, 1, ColorOf(0x4D0080FF));
    RCPtr<LBitmap> mask = LBitmap::CreateFilledBitmap(1, 2, ColorOf(0x4D0080FF));
    const ConstRCPtr<LColorizer> red = Solid(0xFFFF0000);

    RCPtr<LBitmap> tinted = LBitmap::ApplyColorizer(red, 0.5f, 9, 9, image, nullptr);
    EXPECT_NE(image.Get(), tinted.Get());
    EXPECT_EQ(2, tinted->GetWidth());
    EXPECT_EQ(0x4D804080u, Word(tinted, 1, 0));
    EXPECT_EQ(0x4D0080FFu, Word(image, 1, 0));

    RCPtr<LBitmap> tintedMask = LBitmap::ApplyColorizer(red, 0.5f, 9, 9, nullptr, mask);
    EXPECT_EQ(2, tintedMask->GetHeight());
    EXPECT_EQ(0x4D804080u, Word(tintedMask, 0, 1));
    EXPECT_EQ(0x4D0080FFu, Word(mask, 0, 1));

    RCPtr<LBitmap> filled = LBitmap::ApplyColorizer(red, 0.5f, 3, 2, nullptr, nullptr);
    EXPECT_EQ(3, filled->GetWidth());
    EXPECT_EQ(2, filled->GetHeight());
    EXPECT_EQ(0x80FF0000u, Word(filled, 2, 1));

    ExpectThrows<std::domain_error>([&] { (void)LBitmap::ApplyColorizer(red, 0.5f, 9, 9, image, mask); },
                                    "LBitmap::ApplyColorizer");
    ExpectThrows<std::runtime_error>([&] { (void)LBitmap::ApplyColorizer(nullptr, 0.5f, 9, 9, image, nullptr); },
                                     "LBitmap::ApplyColorizer");
    ExpectThrows<std::runtime_error>(
        [&] { (void)LBitmap::ApplyColorizer(red, 0.5f, 9, 9, image->CreateSubBitmap(1, 0, 2, 1), nullptr); },
        "LBitmap::ApplyColorizer");
}

TEST(BitmapCreation, ColorizedBitmapsAreFilledWithTheColourOrRefused)
{
    for (auto size : {std::pair{0, 1}, {1, 0}, {-1, 5}, {5, -1}})
        ExpectThrows<std::runtime_error>(
            [&] { (void)LBitmap::CreateColorizedBitmap(Solid(0xFFFFFFFF), 1.0f, size.first, size.second); },
            "LBitmap::CreateColorizedBitmap");
    ExpectThrows<std::runtime_error>([] { (void)LBitmap::CreateColorizedBitmap(nullptr, 1.0f, 1, 1); },
                                     "LBitmap::CreateColorizedBitmap");
    for (auto type : {LColorizer::LinearGradient, LColorizer::RadialGradient})
        ExpectThrows<std::domain_error>(
            [&] { (void)LBitmap::CreateColorizedBitmap(Colorizer(type, 0xFFFFFFFF, 0xFF000000), 1.0f, 2, 2); },
            "LBitmap::CreateGradientFilledBitmap");

    RCPtr<LBitmap> white =
        LBitmap::CreateColorizedBitmap(Colorizer(LColorizer::LinearGradient, 0xFFFFFFFF, 0xFFFFFFFF), 1.0f, 2, 3);
    EXPECT_EQ(2, white->GetWidth());
    EXPECT_EQ(3, white->GetHeight());
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 2; ++x)
            EXPECT_EQ(0xFFFFFFFFu, Word(white, x, y));
    RCPtr<LBitmap> halfAlpha = LBitmap::CreateColorizedBitmap(Solid(0xFF336699), 0.5f, 1, 1);
    EXPECT_EQ(0x80336699u, Word(halfAlpha, 0, 0));
}

TEST(BitmapCreation, FilledBitmapsHoldThePackedColourOrAreRefused)
{
    for (auto size : {std::pair{0, 1}, {1, 0}, {-3, 2}})
        ExpectThrows<std::runtime_error>([&] { (void)LBitmap::CreateFilledBitmap(size.first, size.second, ColorOf(0)); },
                                         "LBitmap::CreateFilledBitmap");
    RGBAColor color;
    color.r = 1.2f;
    color.g = -0.1f;
    color.b = 0.5f;
    color.a = 1.0f;
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(3, 2, color);
    EXPECT_FALSE(bitmap->GetParent());
    EXPECT_NE(0u, LBitmap::GetHandle(bitmap));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(color.ToARGB(), Word(bitmap, x, y));
}

TEST(BitmapCreation, GradientFillsEmptyTheResultAndThrow)
{
    RCPtr<LBitmap> result = LBitmap::CreateFilledBitmap(1, 1, ColorOf(0));
    ExpectThrows<std::domain_error>(
        [&] {
            LBitmap::CreateGradientFilledBitmap(result, 2, 2, ColorOf(0xFFFFFFFF), ColorOf(0xFF000000), 0, 0, 1, 1,
                                                false);
        },
        "LBitmap::CreateGradientFilledBitmap");
    EXPECT_FALSE(result);
}

} // namespace
} // namespace VQ
