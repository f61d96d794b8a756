#include "platform/library/SharedLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ::test {
namespace {

// Frees a loaded library at the end of a test, whatever the assertions did.
struct LoadedLibrary {
    explicit LoadedLibrary(const std::string& path) : handle(Platform::LoadSharedLibrary(path)) {}
    ~LoadedLibrary() { Platform::UnloadSharedLibrary(handle); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    void* const handle;
};

TEST(SharedLibraryTest, ExecutableFolderIsTheProgramsOwnWithATrailingSlash)
{
    EXPECT_EQ(Platform::GetExecutableFolder(), std::string(TEST_EXECUTABLE_FOLDER));
}

TEST(SharedLibraryTest, RefusesPathsThatNameNoLoadableLibrary)
{
    const std::string library = TEST_LIBRARY_PATH;
    const std::string folder = library.substr(0, library.rfind('/') + 1);
    const std::string name = library.substr(folder.size());
    // Each path would reach the real library if it were not refused as a whole.
    std::string tooLong = folder;
    while (tooLong.size() + name.size() <= Platform::GetMaxPathLength())
        tooLong += "./";
    tooLong += name;
    const std::string withNul = library + std::string(1, '\0') + "suffix";

    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"empty", ""},
        {"missing file", folder + "libNoSuchLibrary.so"},
        {"a folder", folder},
        {"longer than the system allows", tooLong},
        {"an embedded terminator", withNul},
    };
    for (const auto& c : cases) {
        LoadedLibrary loaded(c.path);
        EXPECT_EQ(loaded.handle, nullptr) << c.what;
    }
}

TEST(SharedLibraryTest, FindsExportedSymbolsOnly)
{
    LoadedLibrary complete(TEST_LIBRARY_PATH);
    LoadedLibrary incomplete(TEST_INCOMPLETE_LIBRARY_PATH);
    ASSERT_NE(complete.handle, nullptr);
    ASSERT_NE(incomplete.handle, nullptr);

    EXPECT_NE(Platform::FindLibrarySymbol(complete.handle, "UVDI_IsDeviceConnected"), nullptr);
    EXPECT_NE(Platform::FindLibrarySymbol(incomplete.handle, "UVDI_ReleaseAll"), nullptr);
    EXPECT_EQ(Platform::FindLibrarySymbol(incomplete.handle, "UVDI_IsDeviceConnected"), nullptr);
    EXPECT_EQ(Platform::FindLibrarySymbol(complete.handle, "UVDI_NoSuchEntryPoint"), nullptr);
    EXPECT_EQ(Platform::FindLibrarySymbol(complete.handle, nullptr), nullptr);
    EXPECT_EQ(Platform::FindLibrarySymbol(nullptr, "UVDI_ReleaseAll"), nullptr);
}

TEST(SharedLibraryTest, UnloadReportsTheLibraryLetGoOf)
{
    EXPECT_TRUE(Platform::UnloadSharedLibrary(nullptr));
    void* library = Platform::LoadSharedLibrary(TEST_LIBRARY_PATH);
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(Platform::UnloadSharedLibrary(library));
}

} // namespace
} // namespace VQ::test
