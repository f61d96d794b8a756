#include "vqframework/storage/VQFile.h"

#include "vqframework/storage/Array.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include <sys/stat.h>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace VQ {
namespace {

using Text = StringT<char16_t, char>;

Text FromUtf8(const std::string& text)
{
    return Text(text.c_str());
}

std::string ToUtf8(const Text& text)
{
    return text.ToUTF8().GetString();
}

// The message of the exception that body throws, with the kind checked on the way.
template <class Body> std::string RuntimeErrorOf(Body body)
{
    try {
        body();
    } catch (const Exception<std::runtime_error>& error) {
        return error.what();
    } catch (const std::exception& error) {
        return std::string("unexpected exception: ") + error.what();
    }
    return "no exception";
}

std::string FileErrorPattern(const std::string& detail, const std::string& function)
{
    return "Runtime Error : " + detail + " : VQ::File::" + function +
           " : vqframework/storage/VQFile\\.cpp : Line [0-9]+";
}

// A fresh folder per test, removed with everything in it afterwards.
class VQFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vqfile-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        m_folder = name.data();
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::string PathOf(const std::string& relative) const { return m_folder + "/" + relative; }

    void WriteFile(const std::string& relative, const std::string& content) const
    {
        std::ofstream stream(PathOf(relative), std::ios::binary);
        stream << content;
    }

    std::string ReadFile(const std::string& relative) const
    {
        std::ifstream stream(PathOf(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }

    bool Exists(const std::string& relative) const { return std::filesystem::exists(PathOf(relative)); }

    std::string m_folder;
};

TEST_F(VQFileTest, OpenJoinsFolderAndNameWithSlashAndRemembersName)
{
    File file(FromUtf8(m_folder), u"y.txt", File::OpenReadWrite | File::OpenCreate);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(ToUtf8(file.GetPath()), PathOf("y.txt"));
    EXPECT_EQ(ToUtf8(file.GetName()), "y.txt");
    EXPECT_TRUE(Exists("y.txt"));
}

TEST_F(VQFileTest, OpenWithEmptyFolderPutsNameAtRoot)
{
    File file(FromUtf8(PathOf("missing")), u"", File::OpenRead);
    ASSERT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Open(u"", u"vqfile-no-such-file.txt", File::OpenRead), E_FAIL);
    EXPECT_EQ(ToUtf8(file.GetPath()), "/vqfile-no-such-file.txt");
}

TEST_F(VQFileTest, OpenWithFullPathKeepsEarlierName)
{
    WriteFile("a.txt", "a");
    WriteFile("b.txt", "b");
    File file(FromUtf8(m_folder), u"a.txt", File::OpenRead);
    ASSERT_EQ(file.Close(), S_OK);
    EXPECT_EQ(file.Open(FromUtf8(PathOf("b.txt")), u"", File::OpenRead), S_OK);
    EXPECT_EQ(ToUtf8(file.GetPath()), PathOf("b.txt"));
    EXPECT_EQ(ToUtf8(file.GetName()), "a.txt");
}

TEST_F(VQFileTest, ThrowsInvalidPathnameWhenPathAndNameAreEmpty)
{
    EXPECT_THAT(RuntimeErrorOf([] { File file(u"", u"", File::OpenRead); }),
                ::testing::MatchesRegex(FileErrorPattern("invalid pathname", "Open")));

    WriteFile("x.txt", "x");
    File file(FromUtf8(PathOf("x.txt")), u"", File::OpenRead);
    ASSERT_EQ(file.Close(), S_OK);
    EXPECT_THAT(RuntimeErrorOf([&] { file.Open(u"", u"", File::OpenRead); }),
                ::testing::MatchesRegex(FileErrorPattern("invalid pathname", "Open")));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ToUtf8(file.GetPath()), PathOf("x.txt"));
}

TEST_F(VQFileTest, OpenReportsWhetherTheFileCouldBeOpened)
{
    WriteFile("existing.txt", "content");
    std::filesystem::create_directory(PathOf("folder"));
    struct Case {
        const char* name;
        uint32_t flags;
        VQRESULT expected;
    };
    const Case cases[] = {
        {"existing.txt", File::OpenRead, S_OK},
        {"existing.txt", File::OpenReadWrite, S_OK},
        {"existing.txt", File::OpenReadWrite | File::OpenCreate, S_OK},
        {"existing.txt", File::OpenReadWrite | File::OpenCreate | File::OpenExclusive, E_FAIL},
        {"existing.txt", File::OpenRead | File::OpenExclusive, S_OK},
        {"missing.txt", File::OpenRead, E_FAIL},
        {"missing.txt", File::OpenReadWrite, E_FAIL},
        {"missing.txt", File::OpenReadWrite | File::OpenCreate | File::OpenExclusive, S_OK},
        {"missing/inner.txt", File::OpenReadWrite | File::OpenCreate, E_FAIL},
        {"folder", File::OpenRead, E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " flags " + std::to_string(c.flags));
        std::filesystem::remove(PathOf("missing.txt"));
        File file(FromUtf8(PathOf("never")), u"", File::OpenRead);
        EXPECT_EQ(file.Open(FromUtf8(PathOf(c.name)), u"", c.flags), c.expected);
        EXPECT_EQ(file.IsOpen(), c.expected == S_OK);
    }
    EXPECT_EQ(ReadFile("existing.txt"), "content");
}

TEST_F(VQFileTest, SecondOpenOfOpenFileReturnsOneAndChangesNothing)
{
    WriteFile("first.txt", "first");
    WriteFile("second.txt", "second");
    File file(FromUtf8(PathOf("first.txt")), u"", File::OpenRead);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Open(FromUtf8(PathOf("second.txt")), u"", File::OpenReadWrite), S_FALSE);
    EXPECT_EQ(ToUtf8(file.GetPath()), PathOf("first.txt"));
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8, 0), 5);
    EXPECT_EQ(std::string(buffer, 5), "first");
    // Still read-only: the flags of the ignored call were not taken.
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write("x", 1, 0); }),
                ::testing::MatchesRegex(FileErrorPattern("file is read only", "Write")));
}

TEST_F(VQFileTest, WriteToReadOnlyFileThrowsAndLeavesFileUnchanged)
{
    WriteFile("data.bin", "12345");
    File file(FromUtf8(PathOf("data.bin")), u"", File::OpenRead);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write("abc", 3, 0); }),
                ::testing::MatchesRegex(FileErrorPattern("file is read only", "Write")));
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write("abc", 3, -1); }),
                ::testing::MatchesRegex(FileErrorPattern("file is read only", "Write")));
    EXPECT_EQ(file.GetLength(), 5);
    EXPECT_EQ(ReadFile("data.bin"), "12345");
}

TEST_F(VQFileTest, ReadsAndWritesAtExplicitAndCurrentPositions)
{
    File file(FromUtf8(PathOf("data.bin")), u"", File::OpenReadWrite | File::OpenCreate);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), 0);
    EXPECT_EQ(file.Write("hello", 5, 0), 5);
    EXPECT_EQ(file.Write(" world", 6, -1), 6);
    EXPECT_EQ(file.Write("J", 1, 0), 1);
    EXPECT_EQ(file.GetLength(), 11);

    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 5, -1), 5);
    EXPECT_EQ(std::string(buffer, 5), "ello ");
    EXPECT_EQ(file.Read(buffer, 16, -1), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file.Read(buffer, 16, -1), 0);
    EXPECT_EQ(file.Read(buffer, 3, 6), 3);
    EXPECT_EQ(std::string(buffer, 3), "wor");
    EXPECT_EQ(ReadFile("data.bin"), "Jello world");
}

TEST_F(VQFileTest, ReadAtOrPastEndReturnsWhatIsLeft)
{
    WriteFile("five.bin", "12345");
    File file(FromUtf8(PathOf("five.bin")), u"", File::OpenRead);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8, 3), 2);
    EXPECT_EQ(file.Read(buffer, 8, 5), 0);
    EXPECT_EQ(file.Read(buffer, 8, 10), 0);
    EXPECT_EQ(file.Read(buffer, 0, 0), 0);
}

TEST_F(VQFileTest, WritePastEndExtendsFileWithZeros)
{
    File file(FromUtf8(PathOf("gap.bin")), u"", File::OpenReadWrite | File::OpenCreate);
    EXPECT_EQ(file.Write("x", 1, 4), 1);
    EXPECT_EQ(file.GetLength(), 5);
    EXPECT_EQ(ReadFile("gap.bin"), std::string("\0\0\0\0x", 5));
}

TEST_F(VQFileTest, NegativeOffsetThrowsLseek)
{
    File file(FromUtf8(PathOf("data.bin")), u"", File::OpenReadWrite | File::OpenCreate);
    char buffer[4] = {};
    EXPECT_THAT(RuntimeErrorOf([&] { file.Read(buffer, 4, -2); }),
                ::testing::MatchesRegex(FileErrorPattern("lseek", "Read")));
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write(buffer, 4, -2); }),
                ::testing::MatchesRegex(FileErrorPattern("lseek", "Write")));
    EXPECT_EQ(file.GetLength(), 0);
}

TEST_F(VQFileTest, SeekReturnsNewPositionOrMinusOneWithoutThrowing)
{
    WriteFile("ten.bin", "0123456789");
    File file(FromUtf8(PathOf("ten.bin")), u"", File::OpenRead);
    struct Case {
        int32_t offset;
        int32_t origin;
        int32_t expected;
    };
    // Each step starts where the one before left the position.
    const Case steps[] = {
        {4, 0, 4},  {2, 1, 6},   {-1, 2, 9},  {0, 1, 9},  {-20, 1, -1},
        {5, 2, 15}, {-3, 0, -1}, {0, 3, -1},  {1, -1, -1}, {3, 0, 3},
    };
    for (const Case& step : steps) {
        SCOPED_TRACE(std::to_string(step.offset) + " from " + std::to_string(step.origin));
        EXPECT_EQ(file.Seek(step.offset, step.origin), step.expected);
    }
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1, -1), 1);
    EXPECT_EQ(c, '3');
}

// Sparse files: ftruncate sets the length without writing the bytes.
TEST_F(VQFileTest, LengthPastThirtyOneBitsIsRefusedNotCut)
{
    struct Case {
        off_t size;
        bool fits;
    };
    const Case cases[] = {
        {INT32_MAX, true},
        {off_t(INT32_MAX) + 1, false},
        {(off_t(1) << 32) + 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size));
        File file(FromUtf8(m_folder), u"sparse.bin", File::OpenReadWrite | File::OpenCreate);
        ASSERT_TRUE(file.IsOpen());
        ASSERT_EQ(::truncate(PathOf("sparse.bin").c_str(), c.size), 0);
        if (c.fits) {
            EXPECT_EQ(file.GetLength(), INT32_MAX);
            EXPECT_EQ(file.Seek(0, 2), INT32_MAX);
        } else {
            EXPECT_THAT(RuntimeErrorOf([&] { (void)file.GetLength(); }),
                        ::testing::MatchesRegex(FileErrorPattern("file too large", "GetLength")));
            ASSERT_EQ(file.Seek(7, 0), 7);
            EXPECT_EQ(file.Seek(0, 2), -1);
            EXPECT_EQ(file.Seek(0, 1), 7);
        }
    }
}

static_assert(!std::is_copy_constructible_v<File> && !std::is_copy_assignable_v<File>,
              "a copy would share the descriptor");

TEST_F(VQFileTest, FileThatNeverOpenedRefusesEveryOperation)
{
    File file(FromUtf8(PathOf("missing.bin")), u"", File::OpenReadWrite);
    ASSERT_FALSE(file.IsOpen());
    char buffer[4] = {};
    EXPECT_THAT(RuntimeErrorOf([&] { file.Read(buffer, 4, 0); }),
                ::testing::MatchesRegex(FileErrorPattern("file is not open", "Read")));
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write(buffer, 4, 0); }),
                ::testing::MatchesRegex(FileErrorPattern("file is not open", "Write")));
    EXPECT_THAT(RuntimeErrorOf([&] { (void)file.GetLength(); }),
                ::testing::MatchesRegex(FileErrorPattern("file is not open", "GetLength")));
    EXPECT_EQ(file.Seek(0, 0), -1);
    EXPECT_EQ(file.Close(), S_OK);
    EXPECT_FALSE(Exists("missing.bin"));
}

TEST_F(VQFileTest, ClosedFileCanBeOpenedAgain)
{
    WriteFile("again.txt", "again");
    File file(FromUtf8(PathOf("again.txt")), u"", File::OpenRead);
    EXPECT_EQ(file.Close(), S_OK);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Close(), S_OK);
    EXPECT_EQ(file.Open(FromUtf8(PathOf("again.txt")), u"", File::OpenRead), S_OK);
    EXPECT_EQ(file.GetLength(), 5);
}

TEST_F(VQFileTest, DeleteOnCloseRemovesFileOnCloseOrDestruction)
{
    const uint32_t flags = File::OpenReadWrite | File::OpenCreate | File::OpenDeleteOnClose;
    {
        File file(FromUtf8(m_folder), u"closed.tmp", flags);
        ASSERT_TRUE(Exists("closed.tmp"));
        EXPECT_EQ(file.Close(), S_OK);
        EXPECT_FALSE(Exists("closed.tmp"));
        // A file of the same name made afterwards is no business of this object.
        WriteFile("closed.tmp", "new");
        EXPECT_EQ(file.Close(), S_OK);
        EXPECT_TRUE(Exists("closed.tmp"));
    }
    EXPECT_TRUE(Exists("closed.tmp"));
    {
        File file(FromUtf8(m_folder), u"destroyed.tmp", flags);
        ASSERT_TRUE(Exists("destroyed.tmp"));
    }
    EXPECT_FALSE(Exists("destroyed.tmp"));
    {
        File file(FromUtf8(m_folder), u"kept.tmp", File::OpenReadWrite | File::OpenCreate);
    }
    EXPECT_TRUE(Exists("kept.tmp"));
}

TEST_F(VQFileTest, ThrowsWriteWhenDeviceIsFull)
{
    File file(u"/dev/full", u"", File::OpenReadWrite);
    if (!file.IsOpen())
        GTEST_SKIP() << "/dev/full cannot be opened for writing here";
    EXPECT_THAT(RuntimeErrorOf([&] { file.Write("data", 4, -1); }),
                ::testing::MatchesRegex(FileErrorPattern("write", "Write")));
}

TEST_F(VQFileTest, ThrowsReadWhenDeviceFailsTheRead)
{
    // Address 0 of a process's own memory is never mapped, so reading it fails after a good seek.
    File file(u"/proc/self/mem", u"", File::OpenRead);
    if (!file.IsOpen())
        GTEST_SKIP() << "/proc/self/mem cannot be opened here";
    char buffer[16];
    EXPECT_THAT(RuntimeErrorOf([&] { file.Read(buffer, sizeof buffer, 0); }),
                ::testing::MatchesRegex(FileErrorPattern("read", "Read")));
}

TEST_F(VQFileTest, WriteFileReplacingCreatesOrReplacesWholeAndLeavesNothingElse)
{
    ASSERT_EQ(WriteFileReplacing(FromUtf8(PathOf("new.bin")), "abc", 3), S_OK);
    EXPECT_EQ(ReadFile("new.bin"), "abc");

    WriteFile("old.bin", "a much longer old content");
    ASSERT_EQ(::chmod(PathOf("old.bin").c_str(), 0640), 0);
    ASSERT_EQ(WriteFileReplacing(FromUtf8(PathOf("old.bin")), "xy", 2), S_OK);
    EXPECT_EQ(ReadFile("old.bin"), "xy");
    EXPECT_EQ(std::filesystem::status(PathOf("old.bin")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);

    ASSERT_EQ(WriteFileReplacing(FromUtf8(PathOf("empty.bin")), nullptr, 0), S_OK);
    EXPECT_TRUE(Exists("empty.bin"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), std::filesystem::directory_iterator()), 3);
}

TEST_F(VQFileTest, WriteFileReplacingFailsWithoutTouchingWhatIsThere)
{
    EXPECT_EQ(WriteFileReplacing(FromUtf8(PathOf("missing/file.bin")), "abc", 3), E_FAIL);
    ASSERT_TRUE(std::filesystem::create_directory(PathOf("folder")));
    WriteFile("folder/inside", "kept");
    EXPECT_EQ(WriteFileReplacing(FromUtf8(PathOf("folder")), "abc", 3), E_FAIL);
    EXPECT_EQ(ReadFile("folder/inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(VQFileTest, WriteFileReplacingReplacesTheFileALinkLeadsToAndKeepsTheLink)
{
    WriteFile("shared.bin", "old");
    ASSERT_EQ(::symlink(PathOf("shared.bin").c_str(), PathOf("link.bin").c_str()), 0);

    ASSERT_EQ(WriteFileReplacing(FromUtf8(PathOf("link.bin")), "new", 3), S_OK);

    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("link.bin")));
    EXPECT_EQ(ReadFile("shared.bin"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), std::filesystem::directory_iterator()), 2);
}

TEST_F(VQFileTest, WriteFileReplacingThatCannotWriteEverythingKeepsTheOldFile)
{
    WriteFile("old.bin", "old content");
    // Writes beyond two bytes fail, as on a full disk.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit limit = {}, saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    limit = saved;
    limit.rlim_cur = 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

    const VQRESULT result = WriteFileReplacing(FromUtf8(PathOf("old.bin")), "new content", 11);

    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(ReadFile("old.bin"), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST(VQFilePathTest, GetFolderPathSplitsAtLastSeparator)
{
    struct Case {
        const char16_t* path;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"/home/user/file.txt", u"/home/user"},
        {u"/home/user/", u"/home/user"},
        {u"/file", u""},
        {u"/", u""},
        {u"file.txt", u"file.txt"},
        {u"", u""},
        {u"C:\\dir\\file.txt", u"C:\\dir"},
        {u"C:\\dir\\", u"C:\\dir"},
        {u"\\file", u""},
        {u"a\\b/c", u"a\\b"},
        {u"a/b\\c", u"a/b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.path));
        EXPECT_EQ(ToUtf8(GetFolderPath(c.path)), ToUtf8(c.expected));
    }
}

TEST(VQFilePathTest, GetFileNameTakesTextAfterLastSeparator)
{
    struct Case {
        const char16_t* path;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"/home/user/file.txt", u"file.txt"},
        {u"C:\\dir\\file.txt", u"file.txt"},
        {u"C:/dir/file.txt", u"file.txt"},
        {u"a/b\\c.txt", u"c.txt"},
        {u"a\\b/c.txt", u"c.txt"},
        {u"/home/user/", u"/home/user/"},
        {u"C:\\dir\\", u"C:\\dir\\"},
        {u"file.txt", u"file.txt"},
        {u"/x", u"x"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.path));
        EXPECT_EQ(ToUtf8(GetFileName(c.path)), ToUtf8(c.expected));
    }
}

TEST(VQFilePathTest, MakeValidFileNameReplacesReservedCharacters)
{
    struct Case {
        const char16_t* text;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"A/B: C (D) & E", u"A_B_ C _D_ _ E"},
        {u"\\/:*?\"<>|&;,^()", u"_______________"},
        {u"Tuvex RKT4 Editor", u"Tuvex RKT4 Editor"},
        {u"a.b-c_d'e[f]{g}!#$%~", u"a.b-c_d'e[f]{g}!#$%~"},
        {u"\u00c4rger\u20ac", u"\u00c4rger\u20ac"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        const Text original(c.text);
        EXPECT_EQ(ToUtf8(MakeValidFileName(original)), ToUtf8(c.expected));
        EXPECT_EQ(ToUtf8(original), ToUtf8(c.text));
    }
}

TEST_F(VQFileTest, ExistenceTestsTellFilesFromFolders)
{
    WriteFile("file.txt", "x");
    std::filesystem::create_directory(PathOf("folder"));
    std::filesystem::create_symlink(PathOf("folder"), PathOf("link-to-folder"));
    struct Case {
        std::string path;
        bool isFile;
        bool isFolder;
    };
    const Case cases[] = {
        {PathOf("file.txt"), true, false},
        {PathOf("file.txt/"), false, false},
        {PathOf("folder"), false, true},
        {PathOf("folder/"), false, true},
        {PathOf("link-to-folder"), false, true},
        {PathOf("missing"), false, false},
        {PathOf("missing/"), false, false},
        {"/", false, true},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileExists(FromUtf8(c.path)), c.isFile);
        EXPECT_EQ(DirectoryExists(FromUtf8(c.path)), c.isFolder);
    }
}

TEST_F(VQFileTest, EnsureDirectoryCreatesMissingParents)
{
    WriteFile("file.txt", "x");
    EXPECT_EQ(EnsureDirectory(FromUtf8(m_folder)), S_FALSE);
    EXPECT_EQ(EnsureDirectory(FromUtf8(PathOf("file.txt"))), E_FAIL);

    EXPECT_EQ(EnsureDirectory(FromUtf8(PathOf("one/two/three"))), S_OK);
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("one")));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("one/two")));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("one/two/three")));
    EXPECT_EQ(EnsureDirectory(FromUtf8(PathOf("one/two/three"))), S_FALSE);

    EXPECT_EQ(EnsureDirectory(FromUtf8(PathOf("file.txt/below"))), E_FAIL);
    EXPECT_EQ(EnsureDirectory(u""), E_FAIL);
}

TEST_F(VQFileTest, CreateDirectoryChainTreatsOnlySlashAsSeparator)
{
    EXPECT_TRUE(CreateDirectoryChain(FromUtf8(PathOf("a/b\\c/"))));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("a/b\\c")));
    EXPECT_FALSE(Exists("a/b"));
    EXPECT_TRUE(CreateDirectoryChain(FromUtf8(PathOf("a"))));

    WriteFile("file.txt", "x");
    EXPECT_FALSE(CreateDirectoryChain(FromUtf8(PathOf("file.txt/sub"))));
}

class VQFindFilesTest : public VQFileTest {
protected:
    void SetUp() override
    {
        VQFileTest::SetUp();
        for (const char* name : {"a1.txt", "b.TXT", "ab.txt", "noext", "c.txt.bak", ".hidden"})
            WriteFile(name, "x");
        std::filesystem::create_directory(PathOf("sub.txt"));
        WriteFile("sub.txt/inner.txt", "x");
        std::filesystem::create_symlink(PathOf("a1.txt"), PathOf("link.txt"));
        std::filesystem::create_symlink(PathOf("sub.txt"), PathOf("dirlink.txt"));
    }

    // The names found, without the folder, in sorted order; the folder prefix is checked on the way.
    std::vector<std::string> Names(const Array<Text>& found)
    {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < found.GetCount(); ++i) {
            const std::string path = ToUtf8(found.GetAt(i));
            EXPECT_EQ(path.rfind(m_folder + "/", 0), 0u) << path;
            names.push_back(path.substr(m_folder.size() + 1));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(VQFindFilesTest, ListsMatchingFilesButNoFolders)
{
    struct Case {
        const char16_t* pattern;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {u"*", {".hidden", "a1.txt", "ab.txt", "b.TXT", "c.txt.bak", "link.txt", "noext"}},
        {u"*.*", {".hidden", "a1.txt", "ab.txt", "b.TXT", "c.txt.bak", "link.txt", "noext"}},
        {u"*.txt", {"a1.txt", "ab.txt", "b.TXT", "link.txt"}},
        {u"*.TXT", {"a1.txt", "ab.txt", "b.TXT", "link.txt"}},
        {u"a?.txt", {"a1.txt", "ab.txt"}},
        {u"?.txt", {"b.TXT"}},
        {u"*.txt*", {"a1.txt", "ab.txt", "b.TXT", "c.txt.bak", "link.txt"}},
        {u"noext.*", {"noext"}},
        {u"*.png", {}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.pattern));
        Array<Text> found;
        const int32_t count = FindFiles(FromUtf8(m_folder), c.pattern, found);
        EXPECT_EQ(count, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(Names(found), c.expected);
    }
}

TEST_F(VQFindFilesTest, MissingFolderClearsListAndReturnsNotImplemented)
{
    Array<Text> found;
    found.Add(u"stale");
    EXPECT_EQ(FindFiles(FromUtf8(PathOf("missing")), u"*", found), E_NOTIMPL);
    EXPECT_EQ(found.GetCount(), 0u);

    found.Add(u"stale");
    EXPECT_EQ(FindFiles(FromUtf8(PathOf("a1.txt")), u"*", found), E_NOTIMPL);
    EXPECT_EQ(found.GetCount(), 0u);

    found.Add(u"stale");
    EXPECT_EQ(FindFiles(FromUtf8(m_folder), u"*.png", found), 0);
    EXPECT_EQ(found.GetCount(), 0u);
}

TEST_F(VQFileTest, NonAsciiNamesReachTheFileSystemAsUtf8)
{
    const Text name(u"\u00c4rger \u20ac\U0001F3B9.txt");
    const std::string utf8Name = "\xC3\x84rger \xE2\x82\xAC\xF0\x9F\x8E\xB9.txt";
    {
        File file(FromUtf8(m_folder), name, File::OpenReadWrite | File::OpenCreate);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Write("x", 1, 0), 1);
    }
    EXPECT_EQ(ReadFile(utf8Name), "x");
    EXPECT_TRUE(FileExists(FromUtf8(PathOf(utf8Name))));

    Array<Text> found;
    ASSERT_EQ(FindFiles(FromUtf8(m_folder), u"\u00c4*\u20ac*.TXT", found), 1);
    EXPECT_TRUE(GetFileName(found.GetAt(0u)) == name);
    EXPECT_EQ(ToUtf8(GetFolderPath(found.GetAt(0u))), m_folder);
}

TEST_F(VQFindFilesTest, SkipsNamesThatNoUtf16PathCanName)
{
    // Bytes that are no UTF-8 would be cut short into another path: "" for the folder, "a" for another file.
    WriteFile("\xFF", "x");
    WriteFile("a\xFF.txt", "x");
    WriteFile("a", "x");
    Array<Text> found;
    EXPECT_EQ(FindFiles(FromUtf8(m_folder), u"*", found), 8);
    EXPECT_EQ(Names(found), (std::vector<std::string>{".hidden", "a", "a1.txt", "ab.txt", "b.TXT", "c.txt.bak",
                                                      "link.txt", "noext"}));
}

TEST_F(VQFileTest, GetLongPathResolvesExistingPathsOnly)
{
    WriteFile("target.txt", "x");
    std::filesystem::create_directory(PathOf("sub"));
    std::filesystem::create_symlink(PathOf("target.txt"), PathOf("link.txt"));
    const std::string canonical = std::filesystem::canonical(PathOf("target.txt")).string();

    EXPECT_EQ(ToUtf8(GetLongPath(FromUtf8(PathOf("target.txt")))), canonical);
    EXPECT_EQ(ToUtf8(GetLongPath(FromUtf8(PathOf("sub/../link.txt")))), canonical);
    EXPECT_EQ(ToUtf8(GetLongPath(FromUtf8(PathOf("./target.txt")))), canonical);
    EXPECT_EQ(ToUtf8(GetLongPath(FromUtf8(PathOf("missing/../x.png")))), PathOf("missing/../x.png"));
    EXPECT_EQ(ToUtf8(GetLongPath(u"")), "");
}

TEST_F(VQFileTest, GetLongPathKeepsPathWhoseTargetNoUtf16PathCanName)
{
    // Resolved and cut short at the odd byte, it would name another file.
    WriteFile("t\xFF.txt", "x");
    std::filesystem::create_symlink(PathOf("t\xFF.txt"), PathOf("odd.txt"));
    EXPECT_EQ(ToUtf8(GetLongPath(FromUtf8(PathOf("odd.txt")))), PathOf("odd.txt"));
}

} // namespace
} // namespace VQ
