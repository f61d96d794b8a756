#include "vqframework/renderer/fontfile/FontFileInfo.h"

#include "platform/drawing/FontFace.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/vqframework/renderer/fontfile/FontBytes.h"
#include "vqframework/objectbase/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace VQ {
namespace {

using test::Bytes;
using test::FamilyFont;
using test::NameTable;
using test::WinName;
using testing::MatchesRegex;

using PathString = StringT<char16_t, char>;

constexpr int32_t Regular = LFontFileInfo::StyleRegular;
constexpr int32_t Bold = LFontFileInfo::StyleBold;
constexpr int32_t Italic = LFontFileInfo::StyleItalic;
constexpr int32_t BoldItalic = LFontFileInfo::StyleBoldItalic;

std::string PathOf(int32_t fileID)
{
    return LFontFileInfo::GetFilePath(fileID).ToUTF8().GetString();
}

int32_t FileID(const char* family, int32_t style)
{
    return LFontFileInfo::GetFileID(LFont::GetFont(PathString(family), 10.0f, style));
}

// Writes the files into a temporary folder and scans them, in the order given.
class FontFolder {
public:
    std::string Add(const std::string& name, const Bytes& bytes)
    {
        const std::string path = m_folder.Path() + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
        m_paths.emplace_back(std::string_view(path));
        return path;
    }

    // A path for a file that is not written.
    std::string AddPath(const std::string& name)
    {
        const std::string path = m_folder.Path() + "/" + name;
        m_paths.emplace_back(std::string_view(path));
        return path;
    }

    void Scan() const { LFontFileInfo::ScanFontFiles(m_paths); }
    const std::string& Path() const { return m_folder.Path(); }

private:
    test::TemporaryFolder m_folder;
    std::vector<PathString> m_paths;
};

TEST(FontFileInfoTest, StyleTextChoosesThePathOfTheEntry)
{
    struct Case {
        const char* style;
        int32_t slot;
    };
    const Case cases[] = {
        {"Regular", Regular}, {"Bold", Bold},           {"BOLD", Bold},     {"bOlD", Bold},
        {"Italic", Italic},   {"Bold Italic", BoldItalic}, {"bold italic", BoldItalic},
        {"Bold Oblique", Regular}, {"Book", Regular},   {"Bold ", Regular},
    };
    FontFolder folder;
    std::vector<std::string> paths;
    for (size_t i = 0; i < std::size(cases); ++i)
        paths.push_back(folder.Add("f" + std::to_string(i) + ".ttf", FamilyFont("Case " + std::to_string(i), cases[i].style)));
    folder.Scan();
    for (size_t i = 0; i < std::size(cases); ++i) {
        // One entry per file, in file order; GetFilePath reads a slot without any fallback.
        for (int32_t slot = 0; slot < 4; ++slot)
            EXPECT_EQ(slot == cases[i].slot ? paths[i] : "", PathOf(int32_t(i) << 2 | slot))
                << cases[i].style << " slot " << slot;
    }
    EXPECT_EQ("", PathOf(int32_t(std::size(cases)) << 2));
}

TEST(FontFileInfoTest, EntriesCollectTheStylesOfAFamilyAndALaterFileReplacesAPath)
{
    FontFolder folder;
    const std::string regular = folder.Add("a.ttf", FamilyFont("Fixture Sans", "Regular"));
    folder.Add("b.ttf", FamilyFont("Other", "Regular"));
    folder.Add("c.ttf", FamilyFont("Fixture Sans", "Bold"));
    const std::string laterBold = folder.Add("d.TTF", FamilyFont("Fixture Sans", "bold"));
    // Family names compare case-sensitively.
    folder.Add("e.ttf", FamilyFont("fixture sans", "Italic"));
    folder.Scan();

    EXPECT_EQ(0 << 2 | Regular, FileID("Fixture Sans", 0));
    EXPECT_EQ(regular, PathOf(0 << 2 | Regular));
    EXPECT_EQ(0 << 2 | Bold, FileID("Fixture Sans", LFont::Bold));
    EXPECT_EQ(laterBold, PathOf(0 << 2 | Bold));
    // Underline and strikeout bits are no part of the id.
    EXPECT_EQ(0 << 2 | BoldItalic, FileID("Fixture Sans", LFont::Bold | LFont::Italic | LFont::Underline));
    EXPECT_EQ(1 << 2 | Regular, FileID("Other", LFont::Strikeout));
    EXPECT_EQ(2 << 2 | Italic, FileID("fixture sans", LFont::Italic));
    EXPECT_EQ("", PathOf(3 << 2));
}

TEST(FontFileInfoTest, MissingStyleTakesTheFirstPresentOfItsFallbackOrder)
{
    struct Case {
        std::vector<int32_t> present;
        int32_t requested;
        int32_t servedBy;
    };
    const Case cases[] = {
        {{Bold}, Regular, Bold},
        {{Italic, BoldItalic}, Regular, Italic},
        {{BoldItalic}, Regular, BoldItalic},
        {{Italic, BoldItalic}, Bold, BoldItalic},
        {{Regular, Italic}, Bold, Regular},
        {{Italic}, Bold, Italic},
        {{Regular, Bold}, Italic, Regular},
        {{Bold}, Italic, Bold},
        {{Italic, Regular}, BoldItalic, Italic},
        {{Regular}, BoldItalic, Regular},
    };
    const char* styleNames[] = {"Regular", "Bold", "Italic", "Bold Italic"};
    for (const Case& c : cases) {
        FontFolder folder;
        std::string paths[4];
        for (int32_t style : c.present)
            paths[style] = folder.Add(std::string("s") + std::to_string(style) + ".ttf",
                                      FamilyFont("Fallback", styleNames[style]));
        folder.Scan();
        EXPECT_EQ(c.requested, FileID("Fallback", c.requested)) << styleNames[c.requested];
        // The path is copied into the missing slot, so the id alone finds it.
        EXPECT_EQ(paths[c.servedBy], PathOf(c.requested)) << styleNames[c.requested];
    }
}

TEST(FontFileInfoTest, FilePathOutsideTheCatalogueIsEmpty)
{
    FontFolder folder;
    const std::string path = folder.Add("a.ttf", FamilyFont("Only", "Bold"));
    folder.Scan();
    EXPECT_EQ(path, PathOf(Bold));
    for (int32_t id : {-1, -4, INT32_MIN, 1 << 2, 1 << 2 | Bold, INT32_MAX})
        EXPECT_EQ("", PathOf(id)) << id;
}

TEST(FontFileInfoTest, UnknownFamilyWithoutTheSystemFamilyThrows)
{
    FontFolder folder;
    folder.Add("a.ttf", FamilyFont("Fixture Sans", "Regular"));
    folder.Scan();
    ASSERT_NE("Fixture Sans", Platform::GetSystemFontFamily());
    try {
        FileID("No Such Family", 0);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_THAT(e.what(), MatchesRegex("Runtime Error : VQ::LFontFileInfo::GetFileID : "
                                           "vqframework/renderer/fontfile/FontFileInfo\\.cpp : Line [0-9]+"));
    }
    // An empty catalogue fits no font at all.
    LFontFileInfo::ScanFontFiles({});
    EXPECT_THROW(FileID("Fixture Sans", 0), Exception<std::runtime_error>);
}

TEST(FontFileInfoTest, UnknownFamilyMapsToTheSystemFamilyUntilTheNextScan)
{
    const std::string system = Platform::GetSystemFontFamily();
    if (system.empty())
        GTEST_SKIP() << "fontconfig matches no family for sans-serif";
    FontFolder folder;
    folder.Add("a.ttf", FamilyFont("Fixture Sans", "Regular"));
    const std::string systemPath = folder.Add("b.ttf", FamilyFont(system, "Bold"));
    folder.Scan();

    const RCPtr<LFont> font = LFont::GetFont(PathString(u"Nowhere Family"), 12.0f, 0);
    EXPECT_EQ(1 << 2 | Regular, LFontFileInfo::GetFileID(font));
    EXPECT_EQ(systemPath, PathOf(1 << 2 | Regular));
    EXPECT_EQ(1 << 2 | Bold, LFontFileInfo::GetFileID(LFont::GetFont(PathString(u"Nowhere Family"), 12.0f, 1)));

    // A new scan forgets the mapping: the system family now has another entry.
    FontFolder second;
    second.Add("a.ttf", FamilyFont(system, "Regular"));
    second.Scan();
    EXPECT_EQ(0 << 2 | Regular, LFontFileInfo::GetFileID(font));
}

TEST(FontFileInfoTest, MalformedFilesAreSkippedAndTheScanGoesOn)
{
    FontFolder folder;
    const Bytes good = FamilyFont("Before", "Regular");
    const std::string before = folder.Add("a.ttf", good);
    folder.Add("b.ttf", Bytes(good.begin(), good.end() - 3));
    folder.Add("c.ttf", Bytes());
    folder.AddPath("missing.ttf");
    std::filesystem::create_directory(folder.Path() + "/folder.ttf");
    folder.AddPath("folder.ttf");
    // A collection whose first font is sound and whose second lies past the end: none of it counts.
    Bytes broken = test::Collection({{{"name", NameTable({WinName(1, u"Half"), WinName(2, u"Regular")})}},
                                     {{"name", NameTable({WinName(1, u"Half"), WinName(2, u"Bold")})}}});
    test::SetU32(broken, 16, 0x7FFFFFF0u);
    folder.Add("d.ttc", broken);
    Bytes badString = FamilyFont("Bad String", "Regular");
    badString[68] = 0xFF;
    folder.Add("e.ttf", badString);
    const std::string after = folder.Add("f.ttf", FamilyFont("After", "Italic"));
    folder.Scan();

    EXPECT_EQ(before, PathOf(0 << 2 | Regular));
    EXPECT_EQ(after, PathOf(1 << 2 | Italic));
    EXPECT_EQ("", PathOf(2 << 2));
}

TEST(FontFileInfoTest, CollectionRegistersEachOfItsFontsWithItsPath)
{
    FontFolder folder;
    const std::string path = folder.Add("three.ttc",
                                        test::Collection({
                                            {{"name", NameTable({WinName(1, u"Coll A"), WinName(2, u"Regular")})}},
                                            {{"name", NameTable({WinName(1, u"Coll A"), WinName(2, u"Bold")})}},
                                            {{"name", NameTable({WinName(1, u"Coll B"), WinName(2, u"Italic")})}},
                                        }));
    folder.Scan();
    EXPECT_EQ(path, PathOf(0 << 2 | Regular));
    EXPECT_EQ(path, PathOf(0 << 2 | Bold));
    EXPECT_EQ(path, PathOf(1 << 2 | Italic));
    EXPECT_EQ("", PathOf(1 << 2 | Regular));
    EXPECT_EQ("", PathOf(2 << 2));
}

TEST(FontFileInfoTest, SystemScanCataloguesTheLiberationFamilies)
{
    ASSERT_EQ(S_OK, LFontFileInfo::ScanSystemFonts()) << "fontconfig cannot list its fonts";
    struct Case {
        const char* family;
        const char* file;
    };
    const Case cases[] = {
        {"Liberation Sans", "LiberationSans"}, {"Liberation Serif", "LiberationSerif"}, {"Liberation Mono", "LiberationMono"}};
    const char* suffixes[] = {"-Regular.ttf", "-Bold.ttf", "-Italic.ttf", "-BoldItalic.ttf"};
    for (const Case& c : cases) {
        for (int32_t style = 0; style < 4; ++style) {
            const std::string path = PathOf(FileID(c.family, style));
            EXPECT_EQ(std::string(c.file) + suffixes[style], std::filesystem::path(path).filename().string())
                << c.family << " style " << style << " (make setup installs the Liberation fonts)";
        }
    }
}

} // namespace
} // namespace VQ
