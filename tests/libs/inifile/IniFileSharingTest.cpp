#include "IniFileTestSupport.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace IniFile::test {
namespace {

using IniFileSharingTest = IniFileTest;

// Stores the text under the key from a process of its own, as a second program sharing the file
// would; its exit status, or -1 when it did not exit.
int SetFromAnotherProcess(const fs::path& path, const std::string& key, const std::string& text)
{
    std::string program = INIFILE_WRITER_PATH;
    std::string file = path.string();
    std::string keyArgument = key;
    std::string textArgument = text;
    char* argv[] = {program.data(), file.data(), keyArgument.data(), textArgument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(IniFileSharingTest, ChangesSavedByAnotherProcessSurviveTheNextChangeHere)
{
    const fs::path path = PathOf("settings.ini");
    WriteBytes(path, "Kept=0\n");
    const int handle = Open(path);
    ASSERT_EQ(SetFromAnotherProcess(path, "B", "2"), 0);
    ASSERT_EQ(SetFromAnotherProcess(path, "Recent/0", "/tmp/b.rkt4"), 0);

    ASSERT_EQ(SetIniValueInt(handle, "A", 1), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), "Kept=0\nB=2\nA=1\n\n[Recent]\n0=/tmp/b.rkt4\n");
    EXPECT_EQ(ReadText(handle, "B"), "2") << "what the other process saved is read here too";
    EXPECT_EQ(ReadText(handle, "Recent/0"), "/tmp/b.rkt4");
    EXPECT_EQ(fs::status(PathOf("settings.ini.lock")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniFileSharingTest, ChangesWhoseSaveFailedAreMadeAgainOnTheFileReadAnew)
{
    const fs::path path = PathOf("settings.ini");
    const int handle = Open(path);
    // A folder in the file's place fails the save here; the other process finds the folder gone.
    fs::create_directory(path);
    EXPECT_EQ(SetIniValueInt(handle, "A", 1), Api::ResultSaveFailed);
    EXPECT_EQ(SetArrayItemAt(handle, "Recent", 0, "/tmp/a.rkt4"), Api::ResultSaveFailed);
    fs::remove(path);
    ASSERT_EQ(SetFromAnotherProcess(path, "B", "2"), 0);

    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), "; RKT4 Editor settings 1.0\nB=2\nA=1\n\n[Recent]\n0=/tmp/a.rkt4\n");
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "B", 0, &value), Api::ResultOk);
    EXPECT_EQ(value, 2);
}

// Lowers the open file limit to the descriptors in use, so that the next open fails; restores it.
class NoFreeDescriptor {
public:
    NoFreeDescriptor()
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = dup(0);
        close(lowestFree);
        rlimit lowered = m_saved;
        lowered.rlim_cur = rlim_t(lowestFree);
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~NoFreeDescriptor() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    NoFreeDescriptor(const NoFreeDescriptor&) = delete;
    NoFreeDescriptor& operator=(const NoFreeDescriptor&) = delete;

private:
    rlimit m_saved{};
};

TEST_F(IniFileSharingTest, AnOpenThatCannotReadTheFileJustNowFailsAndCanBeRetried)
{
    const fs::path path = PathOf("settings.ini");
    WriteBytes(path, "Key=original\n");
    int handle = -1;
    {
        const NoFreeDescriptor limit;
        EXPECT_EQ(OpenIniFile(path.c_str(), "1.0", "RKT4 Editor", &handle), Api::ResultReadFailed);
    }
    EXPECT_EQ(handle, 0);

    handle = Open(path);
    EXPECT_EQ(ReadText(handle, "Key"), "original");
    EXPECT_EQ(SetIniValueStr(handle, "Key", "changed"), Api::ResultOk) << "the file is not taken for unreadable";
    EXPECT_EQ(ReadBytes(path), "Key=changed\n");
}

} // namespace
} // namespace IniFile::test
