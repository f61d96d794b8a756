// Resource paths as the framework names them: which paths are resources, the name a path maps to, and
// the bytes found through it, against the fixture files this executable embeds (CMakeLists.txt).
#include "vqframework/system/ProgramResources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

constexpr const char* Type = "TESTDATA";

std::vector<uint8_t> ReadFixture(const std::string& file)
{
    const std::filesystem::path path = std::filesystem::path(RESOURCE_FIXTURE_FOLDER) / file;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << file;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct NameCase {
    const char16_t* path;
    bool isResource;
    const char* name;
};

TEST(ProgramResourcesTest, MapsTheRestOfAResourcePathToAnUpperCaseName)
{
    const NameCase cases[] = {
        {u"::CE.png", true, "CE_PNG"},
        {u"::ce.png", true, "CE_PNG"},
        {u"::Knob Face.v2.png", true, "KNOB_FACE_V2_PNG"},
        {u"::main_window-1", true, "MAIN_WINDOW-1"},
        {u"::", true, ""},
        {u"CE.png", false, ""},
        {u":CE.png", false, ""},
        {u"/skins/::CE.png", false, ""},
        {u"", false, ""},
    };
    for (const NameCase& c : cases) {
        const String path(c.path);
        std::string utf8;
        path.ToUTF8(utf8);
        SCOPED_TRACE(utf8);
        EXPECT_EQ(IsResourcePath(path), c.isResource);
        EXPECT_EQ(GetResourceName(path), c.name);
    }
}

struct LookupCase {
    const char16_t* path;
    const char* type;
    const char* file; // nullptr: nothing found
};

TEST(ProgramResourcesTest, FindsTheEmbeddedBytesAResourcePathNames)
{
    const LookupCase cases[] = {
        {u"::Greeting.txt", Type, "Greeting.txt"},
        {u"::greeting.txt", Type, "Greeting.txt"},
        {u"::GREETING.TXT", Type, "Greeting.txt"},
        {u"::knob face.v2.png", Type, "Knob Face.v2.png"},
        {u"::bytes.bin", Type, "bytes.bin"},
        {u"::Empty.txt", Type, nullptr},
        {u"::Missing.png", Type, nullptr},
        {u"::Greeting.txt", "GDIPLUS", nullptr},
        {u"::Greeting.txt", nullptr, nullptr},
        {u"::", Type, nullptr},
        {u"Greeting.txt", Type, nullptr},
    };
    for (const LookupCase& c : cases) {
        const String path(c.path);
        std::string utf8;
        path.ToUTF8(utf8);
        SCOPED_TRACE(testing::Message() << utf8 << " / " << (c.type ? c.type : "no type"));
        const std::span<const uint8_t> found = FindProgramResource(path, c.type);
        if (c.file)
            EXPECT_EQ(std::vector<uint8_t>(found.begin(), found.end()), ReadFixture(c.file));
        else
            EXPECT_TRUE(found.empty());
    }
}

// A file path is never looked up as a resource, even when the file exists.
TEST(ProgramResourcesTest, AFilePathFindsNoResource)
{
    const std::string file = (std::filesystem::path(RESOURCE_FIXTURE_FOLDER) / "Greeting.txt").string();
    EXPECT_TRUE(FindProgramResource(String(std::string_view(file)), Type).empty());
}

} // namespace
} // namespace VQ
