// The resource table against files this test embeds of its own (vq_embed_resources in
// CMakeLists.txt): the exact bytes by type and name, the name mapping of a folder, and "not found" for
// anything else.
#include "platform/resources/EmbeddedResources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace VQ::Platform {
namespace {

constexpr const char* Type = "TESTDATA";

std::vector<uint8_t> ReadFixture(const std::string& relative)
{
    const std::filesystem::path path = std::filesystem::path(RESOURCE_FIXTURE_FOLDER) / relative;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << relative;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

struct EmbeddedFile {
    const char* name;
    const char* file;
};

TEST(EmbeddedResourcesTest, FindsEachFileOfTheFolderUnderItsMappedName)
{
    const EmbeddedFile files[] = {
        {"GREETING_TXT", "data/Greeting.txt"},
        {"BYTES_BIN", "data/bytes.bin"},
        {"KNOB_FACE_V2_PNG", "data/Knob Face.v2.png"},
    };
    for (const EmbeddedFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::vector<uint8_t> expected = ReadFixture(file.file);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Bytes(FindEmbeddedResource(Type, file.name)), expected);
    }
}

TEST(EmbeddedResourcesTest, FindsAFileEmbeddedUnderANameOfItsOwn)
{
    EXPECT_EQ(Bytes(FindEmbeddedResource("NAMED", "Named_Blob")), ReadFixture("named/blob.dat"));
}

TEST(EmbeddedResourcesTest, FindsNothingForAnotherSpellingOrType)
{
    const std::pair<const char*, const char*> misses[] = {
        {Type, "greeting_txt"},  {Type, "Greeting.txt"},      {Type, "GREETING_TXT "}, {Type, "GREETING"},
        {"testdata", "GREETING_TXT"}, {"NAMED", "GREETING_TXT"}, {"NAMED", "NAMED_BLOB"},  {Type, "Named_Blob"},
        {"", "GREETING_TXT"},    {Type, ""},
    };
    for (const auto& [type, name] : misses) {
        SCOPED_TRACE(testing::Message() << type << " / " << name);
        EXPECT_TRUE(FindEmbeddedResource(type, name).empty());
    }
}

TEST(EmbeddedResourcesTest, AnEmptyOrMissingResourceIsNotFound)
{
    EXPECT_TRUE(FindEmbeddedResource(Type, "EMPTY_TXT").empty());
    EXPECT_TRUE(FindEmbeddedResource(Type, "MISSING_TXT").empty());
}

TEST(EmbeddedResourcesTest, TheFirstRegistrationOfANameWins)
{
    static const uint8_t other[] = {1, 2, 3};
    static const EmbeddedResource table[] = {
        {Type, "GREETING_TXT", std::begin(other), std::end(other)},
        {"LATE", "ADDED", std::begin(other), std::end(other)},
    };
    RegisterEmbeddedResources(table, std::size(table));
    EXPECT_EQ(Bytes(FindEmbeddedResource(Type, "GREETING_TXT")), ReadFixture("data/Greeting.txt"));
    EXPECT_EQ(Bytes(FindEmbeddedResource("LATE", "ADDED")), std::vector<uint8_t>({1, 2, 3}));
}

} // namespace
} // namespace VQ::Platform
