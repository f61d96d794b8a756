#include "IniFileTestSupport.h"

namespace IniFile::test {
namespace {

using IniFileSavingTest = IniFileTest;

constexpr char NewFileComment[] = "; RKT4 Editor settings 1.0\n";

TEST_F(IniFileSavingTest, AMissingFileIsCreatedWithItsFoldersByTheFirstChange)
{
    const fs::path path = PathOf("config/rkt4/settings.ini");
    int handle = Open(path);
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Skin", 4, &value), Api::ResultOk);
    EXPECT_EQ(value, 4);
    EXPECT_TRUE(DoesNodeExist(handle, ""));
    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk);
    EXPECT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
    EXPECT_FALSE(fs::exists(PathOf("config"))) << "nothing is written before a change";

    handle = Open(path);
    ASSERT_EQ(SetIniValueInt(handle, "Skin", 3), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Skin=3\n");
    ASSERT_EQ(SetIniValueStr(handle, "Folders/Last", "/home/user/programs"), Api::ResultOk);
    ASSERT_EQ(SetIniValueInt(handle, "Window", 1), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Skin=3\nWindow=1\n\n[Folders]\nLast=/home/user/programs\n");
    EXPECT_EQ(Listing(path.parent_path()), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}))
        << "no temporary file left";
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniFileSavingTest, ChangesAreOnDiskWithoutWritingOrClosing)
{
    const fs::path path = PathOf("settings.ini");
    int handle = Open(path);
    ASSERT_EQ(SetIniValueInt(handle, "Skin", 2), Api::ResultOk);
    ASSERT_EQ(SetArrayItemAt(handle, "Recent", 0, "/tmp/a.rkt4"), Api::ResultOk);
    ASSERT_EQ(CloseIniFile(handle, 0), Api::ResultOk);

    handle = Open(path);
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Skin", 0, &value), Api::ResultOk);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(ReadText(handle, "Recent/0"), "/tmp/a.rkt4");
}

TEST_F(IniFileSavingTest, StoringTheValueHeldWritesNothing)
{
    const fs::path path = PathOf("settings.ini");
    const int handle = Open(path);
    ASSERT_EQ(SetIniValueStr(handle, "Key", "same"), Api::ResultOk);
    ASSERT_EQ(SetArrayItemAt(handle, "List", 0, "item"), Api::ResultOk);
    fs::remove(path);

    EXPECT_EQ(SetIniValueStr(handle, "Key", "same"), Api::ResultOk);
    EXPECT_EQ(SetArrayItemAt(handle, "List", 0, "item"), Api::ResultOk);
    EXPECT_EQ(SetArrayCount(handle, "List", 1), Api::ResultOk);
    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk);
    EXPECT_FALSE(fs::exists(path));

    ASSERT_EQ(SetIniValueStr(handle, "Key", "other"), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Key=other\n\n[List]\n0=item\n");
}

TEST_F(IniFileSavingTest, RewriteKeepsCommentsUnknownLinesAndOrder)
{
    const fs::path path = PathOf("settings.ini");
    WriteBytes(path, "# written by hand\r\n"
                     "; another comment\n"
                     "Top = 1\n"
                     "\n"
                     "[Window] ; the main window\n"
                     "  Width =  800  \r\n"
                     "this line means nothing to the reader\n"
                     "Height=600\n"
                     "; about the next section\n"
                     "\n"
                     "[Recent]\n"
                     "0=a");
    const int handle = Open(path);
    EXPECT_EQ(ReadText(handle, "Window/Width"), "800");
    EXPECT_EQ(ReadText(handle, "Recent/0"), "a");

    ASSERT_EQ(SetIniValueInt(handle, "Window/Height", 700), Api::ResultOk);
    ASSERT_EQ(SetIniValueInt(handle, "Window/Depth", 3), Api::ResultOk);
    ASSERT_EQ(SetIniValueInt(handle, "Added", 2), Api::ResultOk);
    ASSERT_EQ(SetIniValueStr(handle, "New/Key", "x"), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), "# written by hand\n"
                               "; another comment\n"
                               "Top = 1\n"
                               "Added=2\n"
                               "\n"
                               "[Window] ; the main window\n"
                               "  Width =  800  \n"
                               "this line means nothing to the reader\n"
                               "Height=700\n"
                               "Depth=3\n"
                               "; about the next section\n"
                               "\n"
                               "[Recent]\n"
                               "0=a\n"
                               "\n"
                               "[New]\n"
                               "Key=x\n");
}

TEST_F(IniFileSavingTest, AReplacedFileKeepsItsPermissionsAndALinkStaysALink)
{
    const fs::path real = PathOf("real.ini");
    WriteBytes(real, "A=1\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = PathOf("link.ini");
    fs::create_symlink(real, link);

    const int handle = Open(link);
    ASSERT_EQ(SetIniValueInt(handle, "B", 2), Api::ResultOk);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "A=1\nB=2\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Listing(m_folder), (std::vector<std::string>{"link.ini", "real.ini", "real.ini.lock"}));
}

TEST_F(IniFileSavingTest, AnUnwritableFolderFailsTheSaveButKeepsTheValue)
{
    if (!PermissionsAreEnforced())
        GTEST_SKIP() << "running as root (or with the right to override permissions): a folder without write "
                        "permission does not stop the save; the tests with a file in the folder's place cover it";
    const fs::path folder = PathOf("locked");
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const int handle = Open(folder / "settings.ini");

    EXPECT_EQ(SetIniValueInt(handle, "Skin", 5), Api::ResultSaveFailed);
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Skin", 0, &value), Api::ResultOk);
    EXPECT_EQ(value, 5) << "the value stays in memory";
    EXPECT_EQ(WriteIniFile(handle), Api::ResultSaveFailed);
    EXPECT_EQ(SetIniValueInt(handle, "Skin", 5), Api::ResultSaveFailed) << "storing the same value retries";

    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_TRUE(Listing(folder).empty()) << "no temporary file left";
    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk);
    EXPECT_EQ(ReadBytes(folder / "settings.ini"), std::string(NewFileComment) + "Skin=5\n");
}

TEST_F(IniFileSavingTest, AFileInTheFoldersPlaceFailsTheSaveButKeepsTheValue)
{
    const fs::path blocker = PathOf("blocker");
    WriteBytes(blocker, "not a folder");
    const int handle = Open(blocker / "settings.ini");

    EXPECT_EQ(SetIniValueInt(handle, "Skin", 5), Api::ResultSaveFailed);
    EXPECT_EQ(SetArrayItemAt(handle, "Recent", 0, "a"), Api::ResultSaveFailed);
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Skin", 0, &value), Api::ResultOk);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(ReadText(handle, "Recent/0"), "a");
    EXPECT_EQ(WriteIniFile(handle), Api::ResultSaveFailed);
    EXPECT_EQ(ReadBytes(blocker), "not a folder");
    EXPECT_EQ(Listing(m_folder), std::vector<std::string>{"blocker"});

    // The next change saves the earlier ones too.
    fs::remove(blocker);
    EXPECT_EQ(SetIniValueInt(handle, "Other", 1), Api::ResultOk);
    EXPECT_EQ(ReadBytes(blocker / "settings.ini"), std::string(NewFileComment) + "Skin=5\nOther=1\n\n[Recent]\n0=a\n");
}

TEST_F(IniFileSavingTest, AFailedRenameLeavesNoTemporaryFileAndCloseSavesLater)
{
    const fs::path path = PathOf("settings.ini");
    const int handle = Open(path);
    // A folder appearing in the file's place after the open: the temporary file is written, the rename fails.
    fs::create_directories(path / "inside");

    EXPECT_EQ(SetIniValueStr(handle, "Key", "value"), Api::ResultSaveFailed);
    EXPECT_EQ(Listing(m_folder), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));
    EXPECT_EQ(Listing(path), std::vector<std::string>{"inside"});

    fs::remove_all(path);
    EXPECT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Key=value\n");
}

TEST_F(IniFileSavingTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    const fs::path path = PathOf("settings.ini");
    fs::create_directory(path);
    const int handle = Open(path);
    EXPECT_EQ(ReadText(handle, "Key"), "<default>");
    EXPECT_TRUE(DoesNodeExist(handle, ""));
    EXPECT_EQ(SetIniValueStr(handle, "Key", "v"), Api::ResultReadOnly);
    EXPECT_EQ(SetIniValueInt(handle, "Key", 1), Api::ResultReadOnly);
    EXPECT_EQ(SetArrayCount(handle, "List", 1), Api::ResultReadOnly);
    EXPECT_EQ(SetArrayItemAt(handle, "List", 0, "v"), Api::ResultReadOnly);
    EXPECT_EQ(RemoveArrayItemAt(handle, "List", 0), Api::ResultReadOnly);
    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk) << "nothing is unsaved";
    EXPECT_EQ(ReadText(handle, "Key"), "<default>");
    EXPECT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(Listing(path).empty());
    EXPECT_EQ(Listing(m_folder), std::vector<std::string>{"settings.ini"});
}

TEST_F(IniFileSavingTest, AFileWithoutReadPermissionIsNeverWrittenOver)
{
    if (!PermissionsAreEnforced())
        GTEST_SKIP() << "running as root (or with the right to override permissions): every file can be read; "
                        "AFileThatCannotBeReadIsNeverWrittenOver covers an unreadable file with a folder";
    const fs::path locked = PathOf("locked.ini");
    WriteBytes(locked, "Key=original\n");
    fs::permissions(locked, fs::perms::none);
    const int handle = Open(locked);
    EXPECT_EQ(ReadText(handle, "Key"), "<default>");
    EXPECT_EQ(SetIniValueStr(handle, "Key", "v"), Api::ResultReadOnly);
    EXPECT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_EQ(ReadBytes(locked), "Key=original\n");
}

TEST_F(IniFileSavingTest, AFileTheReaderRefusesIsKeptAsideBeforeTheFirstSave)
{
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"invalid UTF-8", "Skin=1\nName=\xff\xfe\n"},
        {"a NUL byte", std::string("Skin=1\nName=a\0b\n", 17)},
        {"an overlong encoding", "Skin=1\nName=\xc0\xaf\n"},
        {"an encoded surrogate", "Skin=1\nName=\xed\xa0\x80\n"},
        {"a sequence cut off at the end", "Skin=1\nName=\xe6\x97"},
        {"more than 4 MiB", "Skin=1\n" + std::string(4 * 1024 * 1024, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = PathOf("settings.ini");
        const fs::path aside = PathOf("settings.ini.corrupt");
        WriteBytes(path, c.bytes);
        const int handle = Open(path);
        int value = 0;
        EXPECT_EQ(GetIniValueInt(handle, "Skin", 7, &value), Api::ResultOk);
        EXPECT_EQ(value, 7) << "the settings start empty";
        EXPECT_FALSE(fs::exists(aside)) << "nothing is kept aside before a save";

        ASSERT_EQ(SetIniValueInt(handle, "Skin", 2), Api::ResultOk);
        EXPECT_TRUE(ReadBytes(aside) == c.bytes) << "the original bytes are kept";
        EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Skin=2\n");
        fs::remove(aside);
        ASSERT_EQ(SetIniValueInt(handle, "Skin", 3), Api::ResultOk);
        EXPECT_FALSE(fs::exists(aside)) << "only what the reader refused is kept aside";
        EXPECT_EQ(Listing(m_folder), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));

        ASSERT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
        fs::remove(path);
    }
}

TEST_F(IniFileSavingTest, FailingToKeepTheRefusedFileAsideLeavesItUntouched)
{
    const fs::path path = PathOf("settings.ini");
    const std::string original = "Skin=\xff\n";
    WriteBytes(path, original);
    // Every name a copy may take is in use.
    std::vector<std::string> listing{"settings.ini", "settings.ini.corrupt", "settings.ini.lock"};
    fs::create_directory(PathOf("settings.ini.corrupt"));
    for (int number = 1; number < 100; ++number) {
        listing.push_back("settings.ini.corrupt." + std::to_string(number));
        fs::create_directory(PathOf(listing.back()));
    }
    std::sort(listing.begin(), listing.end());
    const int handle = Open(path);

    EXPECT_EQ(SetIniValueInt(handle, "Skin", 2), Api::ResultSaveFailed);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(Listing(m_folder), listing);
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Skin", 0, &value), Api::ResultOk);
    EXPECT_EQ(value, 2);

    fs::remove(PathOf("settings.ini.corrupt.42"));
    EXPECT_EQ(WriteIniFile(handle), Api::ResultOk);
    EXPECT_EQ(ReadBytes(PathOf("settings.ini.corrupt.42")), original);
    EXPECT_EQ(ReadBytes(path), std::string(NewFileComment) + "Skin=2\n");
}

TEST_F(IniFileSavingTest, ACopyKeptAsideIsNeverReplacedByTheNextOne)
{
    const fs::path path = PathOf("settings.ini");
    const std::string refused[] = {"First=\xff\n", "Second=\xfe\n", "Third=\xfd\n"};
    const fs::path aside[] = {PathOf("settings.ini.corrupt"), PathOf("settings.ini.corrupt.1"),
                              PathOf("settings.ini.corrupt.2")};
    for (const std::string& bytes : refused) {
        WriteBytes(path, bytes);
        const int handle = Open(path);
        ASSERT_EQ(SetIniValueInt(handle, "Skin", 2), Api::ResultOk);
        ASSERT_EQ(CloseIniFile(handle, 1), Api::ResultOk);
    }
    for (size_t i = 0; i < std::size(refused); ++i)
        EXPECT_EQ(ReadBytes(aside[i]), refused[i]) << aside[i];
    EXPECT_EQ(Listing(m_folder), (std::vector<std::string>{"settings.ini", "settings.ini.corrupt", "settings.ini.corrupt.1",
                                                           "settings.ini.corrupt.2", "settings.ini.lock"}));
}

TEST_F(IniFileSavingTest, TheFileNeverGrowsBeyondWhatTheReaderAccepts)
{
    const fs::path path = PathOf("settings.ini");
    // Exactly the largest file read: "Big=" + value + "\n".
    const std::string big(4 * 1024 * 1024 - 5, 'b');
    WriteBytes(path, "Big=" + big + "\n");
    const int handle = Open(path);
    EXPECT_EQ(ReadText(handle, "Big"), big);

    EXPECT_EQ(SetIniValueStr(handle, "Big", (big + "b").c_str()), Api::ResultInvalidArgument);
    EXPECT_EQ(SetIniValueInt(handle, "Small", 1), Api::ResultInvalidArgument);
    EXPECT_EQ(SetArrayCount(handle, "List", 1), Api::ResultInvalidArgument);
    EXPECT_FALSE(DoesNodeExist(handle, "List")) << "a refused change leaves nothing behind";
    EXPECT_EQ(ReadText(handle, "Big"), big);
    EXPECT_EQ(ReadText(handle, "Small"), "<default>");

    EXPECT_EQ(SetIniValueStr(handle, "Big", "small now"), Api::ResultOk);
    EXPECT_EQ(SetIniValueInt(handle, "Small", 1), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), "Big=small now\nSmall=1\n");
}

} // namespace
} // namespace IniFile::test
