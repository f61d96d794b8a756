// A fixture for the settings library's tests: a folder of its own per test, files in it read and
// written whole, and the handles a test opened closed at its end.
#pragma once

#include "libs/inifile/IniFileManagerApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace IniFile::test {

namespace Api = IniFileManagerApi;
namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    ASSERT_TRUE(file.good()) << path;
}

// The names in a folder, sorted.
inline std::vector<std::string> Listing(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return std::vector<std::string>(names.begin(), names.end());
}

// Gives the owner every permission again, so that the folder can be removed.
inline void MakeRemovable(const fs::path& path)
{
    std::error_code error;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    if (fs::is_directory(fs::symlink_status(path, error))) {
        for (const auto& entry : fs::directory_iterator(path, error))
            MakeRemovable(entry.path());
    }
}

class IniFileTest : public testing::Test {
protected:
    IniFileTest()
    {
        std::random_device random;
        do {
            m_folder = fs::path(testing::TempDir()) / ("inifile_" + std::to_string(random()));
        } while (!fs::create_directory(m_folder));
    }

    ~IniFileTest() override
    {
        for (const int handle : m_handles)
            CloseIniFile(handle, 0);
        MakeRemovable(m_folder);
        std::error_code error;
        fs::remove_all(m_folder, error);
    }

    fs::path PathOf(const std::string& name) const { return m_folder / name; }

    int Open(const fs::path& path)
    {
        int handle = 0;
        EXPECT_EQ(OpenIniFile(path.c_str(), "1.0", "RKT4 Editor", &handle), Api::ResultOk) << path;
        m_handles.push_back(handle);
        return handle;
    }

    // The text for the key, or the default; asks for the size first, as callers do.
    static std::string ReadText(int handle, const std::string& key, const char* defaultText = "<default>")
    {
        int size = 0;
        if (GetIniValueStr(handle, key.c_str(), defaultText, nullptr, 0, &size) != Api::ResultBufferTooSmall) {
            ADD_FAILURE() << "no size for " << key;
            return std::string();
        }
        std::string text(size_t(size), '\0');
        EXPECT_EQ(GetIniValueStr(handle, key.c_str(), defaultText, text.data(), size, &size), Api::ResultOk);
        text.resize(size_t(std::max(size, 1)) - 1);
        return text;
    }

    // Whether the file system refuses a write into a folder without write permission; it does not
    // for root.
    bool PermissionsAreEnforced()
    {
        const fs::path probe = PathOf("permission-probe");
        fs::create_directory(probe);
        fs::permissions(probe, fs::perms::owner_read | fs::perms::owner_exec);
        const bool enforced = !std::ofstream(probe / "file").is_open();
        MakeRemovable(probe);
        fs::remove_all(probe);
        return enforced;
    }

    fs::path m_folder;
    std::vector<int> m_handles;
};

} // namespace IniFile::test
