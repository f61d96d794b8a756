#include "IniFileTestSupport.h"

#include "platform/library/SharedLibrary.h"

#include <climits>
#include <cstring>
#include <functional>
#include <thread>

namespace IniFile::test {
namespace {

using IniFileManagerTest = IniFileTest;

TEST_F(IniFileManagerTest, OpenPresetsTheHandleAndRefusesMissingArguments)
{
    const std::string path = PathOf("settings.ini").string();
    const struct {
        const char* what;
        const char* path;
        const char* version;
        const char* name;
    } cases[] = {
        {"no path", nullptr, "1.0", "App"},
        {"an empty path", "", "1.0", "App"},
        {"no version", path.c_str(), nullptr, "App"},
        {"no application name", path.c_str(), "1.0", nullptr},
        {"a version that is no UTF-8", path.c_str(), "\xff", "App"},
    };
    for (const auto& c : cases) {
        int handle = 77;
        EXPECT_EQ(OpenIniFile(c.path, c.version, c.name, &handle), Api::ResultInvalidArgument) << c.what;
        EXPECT_EQ(handle, 0) << c.what;
    }
    EXPECT_EQ(OpenIniFile(path.c_str(), "1.0", "App", nullptr), Api::ResultInvalidArgument);

    const int first = Open(path);
    const int second = Open(path);
    EXPECT_GE(first, 1);
    EXPECT_GE(second, 1);
    EXPECT_NE(first, second);
}

TEST_F(IniFileManagerTest, TextReadsAnswerTheSizeNeededWhenTheBufferIsTooSmall)
{
    const int handle = Open(PathOf("settings.ini"));
    const std::string fits(1023, 'f');
    const std::string large(3000, 'l');
    ASSERT_EQ(SetIniValueStr(handle, "Fits", fits.c_str()), Api::ResultOk);
    ASSERT_EQ(SetIniValueStr(handle, "Large", large.c_str()), Api::ResultOk);
    ASSERT_EQ(SetIniValueStr(handle, ("Names/" + large).c_str(), "v"), Api::ResultOk);
    ASSERT_EQ(SetArrayItemAt(handle, "Items", 0, large.c_str()), Api::ResultOk);

    // Each reader answering the 3000-byte text.
    const struct {
        const char* what;
        std::function<int(char*, int, int*)> read;
    } readers[] = {
        {"value", [&](char* b, int n, int* s) { return GetIniValueStr(handle, "Large", "", b, n, s); }},
        {"default", [&](char* b, int n, int* s) { return GetIniValueStr(handle, "Missing", large.c_str(), b, n, s); }},
        {"key name", [&](char* b, int n, int* s) { return GetKeyNameAt(handle, "Names", 0, b, n, s); }},
        {"array item", [&](char* b, int n, int* s) { return GetArrayItemAt(handle, "Items", 0, b, n, s); }},
    };
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.what);
        std::vector<char> buffer(4000, '#');
        int size = 99;
        EXPECT_EQ(reader.read(buffer.data(), 1024, &size), Api::ResultBufferTooSmall);
        EXPECT_EQ(size, 3001);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_TRUE(std::all_of(buffer.begin() + 1, buffer.end(), [](char c) { return c == '#'; }));

        size = 99;
        EXPECT_EQ(reader.read(nullptr, 0, &size), Api::ResultBufferTooSmall);
        EXPECT_EQ(size, 3001);
        EXPECT_EQ(reader.read(buffer.data(), 3000, &size), Api::ResultBufferTooSmall);
        EXPECT_EQ(size, 3001);

        EXPECT_EQ(reader.read(buffer.data(), 3001, &size), Api::ResultOk);
        EXPECT_EQ(size, 3001);
        EXPECT_EQ(std::string(buffer.data()), large);
        EXPECT_EQ(buffer[3001], '#');

        // Malformed buffers: only the first byte is touched, the size stays 0.
        std::fill(buffer.begin(), buffer.end(), '#');
        size = 99;
        EXPECT_EQ(reader.read(buffer.data(), -1, &size), Api::ResultInvalidArgument);
        EXPECT_EQ(size, 0);
        EXPECT_EQ(reader.read(nullptr, 10, &size), Api::ResultInvalidArgument);
        EXPECT_EQ(reader.read(buffer.data(), 10, nullptr), Api::ResultInvalidArgument);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_TRUE(std::all_of(buffer.begin() + 1, buffer.end(), [](char c) { return c == '#'; }));
    }

    char buffer[1024];
    int size = 0;
    EXPECT_EQ(GetIniValueStr(handle, "Fits", "", buffer, sizeof buffer, &size), Api::ResultOk);
    EXPECT_EQ(size, 1024);
    EXPECT_EQ(std::string(buffer), fits);
    EXPECT_EQ(GetIniValueStr(handle, "Missing", "fallback", buffer, sizeof buffer, &size), Api::ResultOk);
    EXPECT_EQ(std::string(buffer), "fallback");
    EXPECT_EQ(GetIniValueStr(handle, "Node/Missing", "", buffer, sizeof buffer, &size), Api::ResultOk);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(GetIniValueStr(handle, "Fits", nullptr, buffer, sizeof buffer, &size), Api::ResultInvalidArgument);
}

TEST_F(IniFileManagerTest, IntReadsTakeOnlyAWholeDecimalInt32)
{
    const int handle = Open(PathOf("settings.ini"));
    constexpr int Default = -99;
    const struct {
        const char* stored;
        int expected;
    } cases[] = {
        {"42", 42},
        {"-7", -7},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", Default},
        {"-2147483649", Default},
        {"99999999999999999999", Default},
        {"12abc", Default},
        {"0x10", Default},
        {"1.5", Default},
        {"+5", Default},
        {" 5", Default},
        {"5 ", Default},
        {"-", Default},
        {"", Default},
        {"abc", Default},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(SetIniValueStr(handle, "Number", c.stored), Api::ResultOk) << c.stored;
        int value = 0;
        EXPECT_EQ(GetIniValueInt(handle, "Number", Default, &value), Api::ResultOk) << c.stored;
        EXPECT_EQ(value, c.expected) << '"' << c.stored << '"';
    }

    for (const int number : {0, -1, INT_MAX, INT_MIN}) {
        ASSERT_EQ(SetIniValueInt(handle, "Node/Number", number), Api::ResultOk);
        int value = 0;
        EXPECT_EQ(GetIniValueInt(handle, "Node/Number", Default, &value), Api::ResultOk);
        EXPECT_EQ(value, number);
    }
    int value = 0;
    EXPECT_EQ(GetIniValueInt(handle, "Missing", Default, &value), Api::ResultOk);
    EXPECT_EQ(value, Default);
    value = 0;
    EXPECT_EQ(GetIniValueInt(handle, nullptr, Default, &value), Api::ResultInvalidArgument);
    EXPECT_EQ(value, Default);
    EXPECT_EQ(GetIniValueInt(handle, "Number", Default, nullptr), Api::ResultInvalidArgument);
}

TEST_F(IniFileManagerTest, AwkwardValuesReadBackExactlyAfterReopening)
{
    const std::string values[] = {
        "",
        " leading blank",
        "trailing blank ",
        "  both  ",
        "\tleading tab",
        "inner\ttab",
        "\"quoted\"",
        "\"",
        "\"\"",
        "\"starts with a quote",
        "ends with a quote\"",
        "back\\slash",
        "trailing backslash\\",
        "\\\\",
        "\\n is no newline",
        "\\t unknown escape",
        "two\nlines",
        "crlf\r\nend",
        "\r",
        "\n\n",
        "a=b=c",
        "; not a comment",
        "# nor this",
        "value ; with what looks like a comment",
        "[not a section]",
        "Grüße, 日本語, 🎹",
        " \" \\ \n ",
    };
    const fs::path path = PathOf("settings.ini");
    int handle = Open(path);
    for (size_t i = 0; i < std::size(values); ++i) {
        ASSERT_EQ(SetIniValueStr(handle, ("Values/v" + std::to_string(i)).c_str(), values[i].c_str()), Api::ResultOk)
            << i;
        ASSERT_EQ(SetArrayItemAt(handle, "Items", int(i), values[i].c_str()), Api::ResultOk) << i;
    }
    ASSERT_EQ(CloseIniFile(handle, 0), Api::ResultOk);

    handle = Open(path);
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(ReadText(handle, "Values/v" + std::to_string(i)), values[i]) << i;
        char item[256];
        int size = 0;
        ASSERT_EQ(GetArrayItemAt(handle, "Items", int(i), item, sizeof item, &size), Api::ResultOk) << i;
        EXPECT_EQ(std::string(item), values[i]) << i;
    }
    int count = 0;
    EXPECT_EQ(GetKeyCount(handle, "Values", &count), Api::ResultOk);
    EXPECT_EQ(count, int(std::size(values))) << "no value spilled onto a line of its own:\n" << ReadBytes(path);
}

TEST_F(IniFileManagerTest, RefusesKeysAndNodesTheFileCannotHold)
{
    const fs::path path = PathOf("settings.ini");
    const int handle = Open(path);
    const char* const invalidKeys[] = {
        "", "Node/", "=a", "a=b", "a\nb", "a\rb", "[a", ";a", "#a", " a", "a ", "\ta", "a\t",
        "No]de/Key", "Node[1]/Key", "Node\n/Key", " Node/Key", "Node /Key", "\xff", "Node/\xc3",
    };
    for (const char* key : invalidKeys) {
        EXPECT_EQ(SetIniValueStr(handle, key, "v"), Api::ResultInvalidArgument) << '"' << key << '"';
        EXPECT_EQ(SetIniValueInt(handle, key, 1), Api::ResultInvalidArgument) << '"' << key << '"';
        int value = 0;
        EXPECT_EQ(GetIniValueInt(handle, key, 5, &value), Api::ResultInvalidArgument) << '"' << key << '"';
        EXPECT_EQ(value, 5);
    }
    const char* const invalidNodes[] = {" Node", "Node ", "a]b", "a\nb", "a\rb", "\xff"};
    for (const char* node : invalidNodes) {
        int count = 7;
        EXPECT_EQ(SetArrayCount(handle, node, 1), Api::ResultInvalidArgument) << '"' << node << '"';
        EXPECT_EQ(SetArrayItemAt(handle, node, 0, "v"), Api::ResultInvalidArgument) << '"' << node << '"';
        EXPECT_EQ(GetKeyCount(handle, node, &count), Api::ResultInvalidArgument) << '"' << node << '"';
        EXPECT_EQ(count, 0);
    }
    EXPECT_EQ(SetIniValueStr(handle, "Key", "\xff"), Api::ResultInvalidArgument) << "a value that is no UTF-8";
    EXPECT_EQ(SetIniValueStr(handle, nullptr, "v"), Api::ResultInvalidArgument);
    EXPECT_EQ(SetIniValueStr(handle, "Key", nullptr), Api::ResultInvalidArgument);
    EXPECT_FALSE(fs::exists(path)) << "nothing refused was written";

    const char* const validKeys[] = {"a b", "Key]", "a[b", "a\"b", "Node/Sub/Key", "/RootKey", "Node[1/Key", "ключ"};
    for (const char* key : validKeys) {
        EXPECT_EQ(SetIniValueStr(handle, key, key), Api::ResultOk) << key;
        EXPECT_EQ(ReadText(handle, key), key);
    }
    EXPECT_EQ(ReadText(handle, "RootKey"), "/RootKey") << "a leading '/' names the root";
}

TEST_F(IniFileManagerTest, ListsKeysInOrderAndFindsNodesAndKeys)
{
    const fs::path path = PathOf("settings.ini");
    WriteBytes(path, "Top=t\n[A]\nx=1\ny=2\nx=3\n[Empty]\n[Devices/Recent]\n0=a\n[A]\nz=4\n");
    const int handle = Open(path);

    int count = 0;
    ASSERT_EQ(GetKeyCount(handle, "A", &count), Api::ResultOk);
    ASSERT_EQ(count, 3) << "a section written twice is one section, a key written twice one key";
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[16];
        int size = 0;
        ASSERT_EQ(GetKeyNameAt(handle, "A", i, name, sizeof name, &size), Api::ResultOk);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(ReadText(handle, "A/x"), "3") << "the last of two lines counts";
    ASSERT_EQ(GetKeyCount(handle, "", &count), Api::ResultOk);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(GetKeyCount(handle, "Empty", &count), Api::ResultOk);
    EXPECT_EQ(count, 0);

    count = 5;
    EXPECT_EQ(GetKeyCount(handle, "Missing", &count), Api::ResultNotFound);
    EXPECT_EQ(count, 0);
    char name[16];
    int size = 5;
    EXPECT_EQ(GetKeyNameAt(handle, "A", 3, name, sizeof name, &size), Api::ResultNotFound);
    EXPECT_EQ(GetKeyNameAt(handle, "A", -1, name, sizeof name, &size), Api::ResultInvalidArgument);
    EXPECT_EQ(GetKeyNameAt(handle, "Missing", 0, name, sizeof name, &size), Api::ResultNotFound);
    EXPECT_EQ(size, 0);

    const struct {
        const char* node;
        bool exists;
    } nodes[] = {
        {"", true},          {"A", true},           {"Empty", true},   {"Devices/Recent", true},
        {"A/z", true},       {"Top", true},         {"Devices/Recent/0", true},
        {"A/w", false},      {"Missing", false},    {"Devices", false}, {"Missing/x", false},
        {"x", false},        {"a", false},
    };
    for (const auto& n : nodes)
        EXPECT_EQ(DoesNodeExist(handle, n.node), n.exists) << '"' << n.node << '"';
    EXPECT_FALSE(DoesNodeExist(handle, nullptr));

    ASSERT_EQ(SetIniValueStr(handle, "A/x", "5"), Api::ResultOk);
    EXPECT_EQ(ReadBytes(path), "Top=t\n[A]\nx=1\ny=2\nx=5\n[Empty]\n[Devices/Recent]\n0=a\n[A]\nz=4\n");
}

TEST_F(IniFileManagerTest, ArraysAreRenumberedAfterEveryChange)
{
    const fs::path path = PathOf("settings.ini");
    WriteBytes(path, "[Hand]\nfirst=a\nsecond=b\n");
    const int handle = Open(path);
    const auto items = [handle](const char* node) {
        std::vector<std::string> read;
        int count = 0;
        EXPECT_EQ(GetArrayCount(handle, node, &count), Api::ResultOk);
        for (int i = 0; i < count; ++i) {
            char item[64];
            int size = 0;
            EXPECT_EQ(GetArrayItemAt(handle, node, i, item, sizeof item, &size), Api::ResultOk);
            read.push_back(item);
        }
        return read;
    };

    ASSERT_EQ(SetArrayCount(handle, "Devices/Recent", 2), Api::ResultOk);
    EXPECT_TRUE(DoesNodeExist(handle, "Devices/Recent"));
    EXPECT_EQ(items("Devices/Recent"), (std::vector<std::string>{"", ""}));
    ASSERT_EQ(SetArrayItemAt(handle, "Devices/Recent", 0, "a"), Api::ResultOk);
    ASSERT_EQ(SetArrayItemAt(handle, "Devices/Recent", 1, "b"), Api::ResultOk);
    ASSERT_EQ(SetArrayItemAt(handle, "Devices/Recent", 2, "c"), Api::ResultOk) << "the index of the count appends";
    ASSERT_EQ(SetArrayItemAt(handle, "Devices/Recent", 3, "d"), Api::ResultOk);
    EXPECT_EQ(items("Devices/Recent"), (std::vector<std::string>{"a", "b", "c", "d"}));
    ASSERT_EQ(RemoveArrayItemAt(handle, "Devices/Recent", 1), Api::ResultOk);
    EXPECT_EQ(items("Devices/Recent"), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(ReadText(handle, "Devices/Recent/1"), "c");
    ASSERT_EQ(SetArrayCount(handle, "Devices/Recent", 2), Api::ResultOk);
    EXPECT_EQ(items("Devices/Recent"), (std::vector<std::string>{"a", "c"}));

    ASSERT_EQ(SetArrayItemAt(handle, "New", 0, "created"), Api::ResultOk) << "appending creates the node";
    ASSERT_EQ(SetArrayCount(handle, "Empty", 0), Api::ResultOk);
    EXPECT_TRUE(DoesNodeExist(handle, "Empty"));
    ASSERT_EQ(SetArrayItemAt(handle, "Hand", 1, "B"), Api::ResultOk);
    EXPECT_EQ(items("Hand"), (std::vector<std::string>{"a", "B"}));

    EXPECT_EQ(ReadBytes(path), "[Hand]\n0=a\n1=B\n"
                               "\n[Devices/Recent]\n0=a\n1=c\n"
                               "\n[New]\n0=created\n"
                               "\n[Empty]\n");
}

TEST_F(IniFileManagerTest, ArrayIndicesOutsideTheArrayAreRefused)
{
    const int handle = Open(PathOf("settings.ini"));
    ASSERT_EQ(SetArrayCount(handle, "List", 2), Api::ResultOk);
    char item[8];
    int size = 0;
    int count = 9;
    const struct {
        const char* what;
        int result;
        int expected;
    } cases[] = {
        {"set past the end", SetArrayItemAt(handle, "List", 3, "x"), Api::ResultNotFound},
        {"set at a negative index", SetArrayItemAt(handle, "List", -1, "x"), Api::ResultInvalidArgument},
        {"set on a missing node past its end", SetArrayItemAt(handle, "Missing", 1, "x"), Api::ResultNotFound},
        {"get at the count", GetArrayItemAt(handle, "List", 2, item, sizeof item, &size), Api::ResultNotFound},
        {"get at a negative index", GetArrayItemAt(handle, "List", -1, item, sizeof item, &size),
         Api::ResultInvalidArgument},
        {"get on a missing node", GetArrayItemAt(handle, "Missing", 0, item, sizeof item, &size), Api::ResultNotFound},
        {"remove at the count", RemoveArrayItemAt(handle, "List", 2), Api::ResultNotFound},
        {"remove at a negative index", RemoveArrayItemAt(handle, "List", -1), Api::ResultInvalidArgument},
        {"remove on a missing node", RemoveArrayItemAt(handle, "Missing", 0), Api::ResultNotFound},
        {"a negative count", SetArrayCount(handle, "List", -1), Api::ResultInvalidArgument},
        {"a count too large for the file", SetArrayCount(handle, "List", INT_MAX), Api::ResultInvalidArgument},
        {"the count of a missing node", GetArrayCount(handle, "Missing", &count), Api::ResultNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_EQ(count, 0);
    EXPECT_EQ(GetArrayCount(handle, "List", &count), Api::ResultOk);
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(DoesNodeExist(handle, "Missing"));
}

TEST_F(IniFileManagerTest, TwoHandlesOnOnePathShareOneDocument)
{
    fs::create_directory(PathOf("sub"));
    const fs::path path = PathOf("sub/settings.ini");
    const int first = Open(path);
    const int second = Open(PathOf("sub/../sub/./settings.ini"));
    ASSERT_EQ(SetIniValueInt(first, "First", 1), Api::ResultOk);
    ASSERT_EQ(SetIniValueInt(second, "Second", 2), Api::ResultOk);
    EXPECT_EQ(ReadText(first, "Second"), "2");
    EXPECT_EQ(ReadText(second, "First"), "1");

    ASSERT_EQ(CloseIniFile(first, 1), Api::ResultOk);
    EXPECT_EQ(ReadText(second, "First"), "1") << "the other handle stays open";
    ASSERT_EQ(CloseIniFile(second, 1), Api::ResultOk);
    EXPECT_EQ(CloseIniFile(second, 1), Api::ResultUnknownHandle);
    EXPECT_EQ(ReadBytes(path), "; RKT4 Editor settings 1.0\nFirst=1\nSecond=2\n");
}

TEST_F(IniFileManagerTest, UnknownHandlesAreRefusedWithTheOutputsPreset)
{
    const int closed = Open(PathOf("settings.ini"));
    ASSERT_EQ(CloseIniFile(closed, 0), Api::ResultOk);
    for (const int handle : {0, -1, closed, 123456}) {
        SCOPED_TRACE(handle);
        char buffer[8] = "#######";
        int size = 5;
        int count = 5;
        int value = 5;
        EXPECT_EQ(WriteIniFile(handle), Api::ResultUnknownHandle);
        EXPECT_EQ(CloseIniFile(handle, 1), Api::ResultUnknownHandle);
        EXPECT_FALSE(DoesNodeExist(handle, ""));
        EXPECT_EQ(GetIniValueInt(handle, "Key", 3, &value), Api::ResultUnknownHandle);
        EXPECT_EQ(value, 3);
        EXPECT_EQ(SetIniValueInt(handle, "Key", 1), Api::ResultUnknownHandle);
        EXPECT_EQ(GetIniValueStr(handle, "Key", "d", buffer, sizeof buffer, &size), Api::ResultUnknownHandle);
        EXPECT_EQ(size, 0);
        EXPECT_STREQ(buffer, "");
        EXPECT_EQ(buffer[1], '#');
        EXPECT_EQ(SetIniValueStr(handle, "Key", "v"), Api::ResultUnknownHandle);
        EXPECT_EQ(GetKeyCount(handle, "", &count), Api::ResultUnknownHandle);
        EXPECT_EQ(count, 0);
        size = 5;
        EXPECT_EQ(GetKeyNameAt(handle, "", 0, buffer, sizeof buffer, &size), Api::ResultUnknownHandle);
        EXPECT_EQ(size, 0);
        count = 5;
        EXPECT_EQ(GetArrayCount(handle, "", &count), Api::ResultUnknownHandle);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(SetArrayCount(handle, "List", 1), Api::ResultUnknownHandle);
        size = 5;
        EXPECT_EQ(GetArrayItemAt(handle, "List", 0, buffer, sizeof buffer, &size), Api::ResultUnknownHandle);
        EXPECT_EQ(size, 0);
        EXPECT_EQ(SetArrayItemAt(handle, "List", 0, "v"), Api::ResultUnknownHandle);
        EXPECT_EQ(RemoveArrayItemAt(handle, "List", 0), Api::ResultUnknownHandle);
    }
    EXPECT_FALSE(fs::exists(PathOf("settings.ini")));
}

TEST_F(IniFileManagerTest, ChangesFromManyThreadsAllReachTheFile)
{
    const fs::path path = PathOf("settings.ini");
    constexpr int Threads = 4;
    constexpr int KeysEach = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&path, t] {
            int handle = 0;
            if (OpenIniFile(path.c_str(), "1.0", "RKT4 Editor", &handle) != Api::ResultOk)
                return;
            for (int i = 0; i < KeysEach; ++i) {
                const std::string key = "T" + std::to_string(t) + "/K" + std::to_string(i);
                SetIniValueInt(handle, key.c_str(), t * 100 + i);
                SetArrayItemAt(handle, "Shared", 0, key.c_str());
                int count = 0;
                GetArrayCount(handle, "Shared", &count);
            }
            CloseIniFile(handle, 1);
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const int handle = Open(path);
    for (int t = 0; t < Threads; ++t) {
        for (int i = 0; i < KeysEach; ++i) {
            int value = -1;
            const std::string key = "T" + std::to_string(t) + "/K" + std::to_string(i);
            EXPECT_EQ(GetIniValueInt(handle, key.c_str(), -1, &value), Api::ResultOk);
            EXPECT_EQ(value, t * 100 + i) << key;
        }
    }
    int count = 0;
    EXPECT_EQ(GetArrayCount(handle, "Shared", &count), Api::ResultOk);
    EXPECT_EQ(count, 1);
}

TEST(IniFileManagerLibraryTest, ExportsEveryEntryPointByName)
{
    const std::string path = TEST_LIBRARY_PATH;
    EXPECT_EQ(path.substr(path.rfind('/') + 1), IniFileManagerApi::LibraryFileName);
    void* library = VQ::Platform::LoadSharedLibrary(path);
    ASSERT_NE(library, nullptr);
    for (const char* name :
         {"OpenIniFile", "WriteIniFile", "CloseIniFile", "DoesNodeExist", "GetIniValueInt", "SetIniValueInt",
          "GetIniValueStr", "SetIniValueStr", "GetKeyCount", "GetKeyNameAt", "GetArrayCount", "SetArrayCount",
          "GetArrayItemAt", "SetArrayItemAt", "RemoveArrayItemAt"})
        EXPECT_NE(VQ::Platform::FindLibrarySymbol(library, name), nullptr) << name;
    VQ::Platform::UnloadSharedLibrary(library);
}

} // namespace
} // namespace IniFile::test
