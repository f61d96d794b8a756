#include "vqframework/system/IniFileManagerProxy.h"
#include "vqframework/system/LIniFileManager.h"

#include "platform/library/SharedLibrary.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace VQ::test {
namespace {

using String = IIniFileManager::String;
namespace Api = IniFileManagerApi;

// One call into the fake library: its entry point, its texts as the library received them, and its
// numbers in order (for the text reads the buffer size last).
struct LibraryCall {
    std::string entryPoint;
    std::vector<std::string> texts;
    std::vector<int> numbers;
    // The out values held their presets when the call arrived.
    bool outsPreset;
};

// What the fake loader and library are told to do, and what they were asked.
struct FakeLibrary {
    // The number of loads to refuse before one succeeds.
    int loadsToRefuse = 0;
    std::string missingEntryPoint;
    bool unloadFails = false;
    std::vector<std::string> loadedPaths;
    std::vector<std::string> resolvedNames;
    int unloads = 0;

    // Every entry point's answer; a text read that fails still writes the value when it fits.
    int result = Api::ResultOk;
    // The out handle, value or count of a successful call.
    int number = 0;
    bool nodeExists = false;
    // What the text reads hold.
    std::string value;
    // What a too-small buffer reports instead of the size needed.
    std::optional<int> reportedSize;
    // The answer of the second text read.
    std::optional<int> retryResult;
    // A text read fills the whole buffer and leaves no zero.
    bool leaveUnterminated = false;
    int reads = 0;
    std::vector<LibraryCall> calls;
};

FakeLibrary g_library;
char g_libraryHandle;

int Record(const char* entryPoint, std::vector<std::string> texts, std::vector<int> numbers, bool outsPreset = true)
{
    g_library.calls.push_back({entryPoint, std::move(texts), std::move(numbers), outsPreset});
    return g_library.result;
}

int FakeRead(const char* entryPoint, std::vector<std::string> texts, std::vector<int> numbers, char* buffer,
             int bufferSize, int* size)
{
    numbers.push_back(bufferSize);
    Record(entryPoint, std::move(texts), std::move(numbers), buffer[0] == 0 && *size == 0);
    const bool retry = ++g_library.reads > 1;
    const int answer = retry && g_library.retryResult ? *g_library.retryResult : g_library.result;
    if (g_library.leaveUnterminated) {
        std::memset(buffer, 'x', size_t(bufferSize));
        return answer;
    }
    const int needed = int(g_library.value.size()) + 1;
    if (needed > bufferSize) {
        *size = g_library.reportedSize.value_or(needed);
        return answer == Api::ResultOk ? Api::ResultBufferTooSmall : answer;
    }
    std::memcpy(buffer, g_library.value.c_str(), size_t(needed));
    return answer;
}

int FakeOpenIniFile(const char* path, const char* version, const char* name, int* handle)
{
    const int result = Record("OpenIniFile", {path, version, name}, {}, *handle == 0);
    if (result == Api::ResultOk)
        *handle = g_library.number;
    return result;
}

int FakeWriteIniFile(int handle)
{
    return Record("WriteIniFile", {}, {handle});
}

int FakeCloseIniFile(int handle, int flag)
{
    return Record("CloseIniFile", {}, {handle, flag});
}

bool FakeDoesNodeExist(int handle, const char* node)
{
    Record("DoesNodeExist", {node}, {handle});
    return g_library.nodeExists;
}

int FakeGetIniValueInt(int handle, const char* key, int defaultValue, int* value)
{
    const int result = Record("GetIniValueInt", {key}, {handle, defaultValue}, *value == defaultValue);
    if (result == Api::ResultOk)
        *value = g_library.number;
    return result;
}

int FakeSetIniValueInt(int handle, const char* key, int value)
{
    return Record("SetIniValueInt", {key}, {handle, value});
}

int FakeGetIniValueStr(int handle, const char* key, const char* defaultText, char* buffer, int bufferSize, int* size)
{
    return FakeRead("GetIniValueStr", {key, defaultText}, {handle}, buffer, bufferSize, size);
}

int FakeSetIniValueStr(int handle, const char* key, const char* text)
{
    return Record("SetIniValueStr", {key, text}, {handle});
}

int FakeGetKeyCount(int handle, const char* node, int* count)
{
    const int result = Record("GetKeyCount", {node}, {handle}, *count == 0);
    if (result == Api::ResultOk)
        *count = g_library.number;
    return result;
}

int FakeGetKeyNameAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size)
{
    return FakeRead("GetKeyNameAt", {node}, {handle, index}, buffer, bufferSize, size);
}

int FakeGetArrayCount(int handle, const char* node, int* count)
{
    const int result = Record("GetArrayCount", {node}, {handle}, *count == 0);
    if (result == Api::ResultOk)
        *count = g_library.number;
    return result;
}

int FakeSetArrayCount(int handle, const char* node, int count)
{
    return Record("SetArrayCount", {node}, {handle, count});
}

int FakeGetArrayItemAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size)
{
    return FakeRead("GetArrayItemAt", {node}, {handle, index}, buffer, bufferSize, size);
}

int FakeSetArrayItemAt(int handle, const char* node, int index, const char* text)
{
    return Record("SetArrayItemAt", {node, text}, {handle, index});
}

int FakeRemoveArrayItemAt(int handle, const char* node, int index)
{
    return Record("RemoveArrayItemAt", {node}, {handle, index});
}

// The library's exports in the order the store resolves them.
const struct {
    const char* name;
    void* address;
} EntryPoints[] = {
    {"OpenIniFile", reinterpret_cast<void*>(&FakeOpenIniFile)},
    {"WriteIniFile", reinterpret_cast<void*>(&FakeWriteIniFile)},
    {"CloseIniFile", reinterpret_cast<void*>(&FakeCloseIniFile)},
    {"DoesNodeExist", reinterpret_cast<void*>(&FakeDoesNodeExist)},
    {"GetIniValueInt", reinterpret_cast<void*>(&FakeGetIniValueInt)},
    {"SetIniValueInt", reinterpret_cast<void*>(&FakeSetIniValueInt)},
    {"GetIniValueStr", reinterpret_cast<void*>(&FakeGetIniValueStr)},
    {"SetIniValueStr", reinterpret_cast<void*>(&FakeSetIniValueStr)},
    {"GetKeyCount", reinterpret_cast<void*>(&FakeGetKeyCount)},
    {"GetKeyNameAt", reinterpret_cast<void*>(&FakeGetKeyNameAt)},
    {"GetArrayCount", reinterpret_cast<void*>(&FakeGetArrayCount)},
    {"SetArrayCount", reinterpret_cast<void*>(&FakeSetArrayCount)},
    {"GetArrayItemAt", reinterpret_cast<void*>(&FakeGetArrayItemAt)},
    {"SetArrayItemAt", reinterpret_cast<void*>(&FakeSetArrayItemAt)},
    {"RemoveArrayItemAt", reinterpret_cast<void*>(&FakeRemoveArrayItemAt)},
};

std::vector<std::string> EntryPointNames(size_t count = std::size(EntryPoints))
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(EntryPoints[i].name);
    return names;
}

void* FakeLoad(const std::string& path)
{
    g_library.loadedPaths.push_back(path);
    if (g_library.loadsToRefuse > 0) {
        --g_library.loadsToRefuse;
        return nullptr;
    }
    return &g_libraryHandle;
}

void* FakeFind(void* library, const char* name)
{
    EXPECT_EQ(library, &g_libraryHandle);
    g_library.resolvedNames.push_back(name);
    if (name == g_library.missingEntryPoint)
        return nullptr;
    for (const auto& entryPoint : EntryPoints) {
        if (std::strcmp(entryPoint.name, name) == 0)
            return entryPoint.address;
    }
    return nullptr;
}

bool FakeUnload(void* library)
{
    EXPECT_EQ(library, &g_libraryHandle);
    ++g_library.unloads;
    return !g_library.unloadFails;
}

const CIniFileManagerProxy::Loader FakeLoader{&FakeLoad, &FakeFind, &FakeUnload};

const std::string LibraryName = Api::LibraryFileName;

// One operation other than DoesNodeExist, called with distinct arguments and its out values holding junk.
struct OperationCase {
    const char* entryPoint;
    // Gives the operation's result and whether its out values hold their presets afterwards.
    std::function<bool(IIniFileManager&, VQRESULT&)> call;
    // What the library receives.
    std::vector<std::string> texts;
    std::vector<int> numbers;
};

const std::vector<OperationCase>& Operations()
{
    static const std::vector<OperationCase> operations = {
        {"OpenIniFile",
         [](IIniFileManager& store, VQRESULT& result) {
             int32_t handle = 55;
             result = store.OpenIniFile(u"/home/jörg/.rkt4/editor.ini", u"1.2", u"RKT4 Editor", handle);
             return handle == 0;
         },
         {"/home/jörg/.rkt4/editor.ini", "1.2", "RKT4 Editor"},
         {}},
        {"WriteIniFile", [](IIniFileManager& store, VQRESULT& result) {
             result = store.WriteIniFile(3);
             return true;
         },
         {},
         {3}},
        {"CloseIniFile",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.CloseIniFile(4, 1);
             return true;
         },
         {},
         {4, 1}},
        {"GetIniValueInt",
         [](IIniFileManager& store, VQRESULT& result) {
             int32_t value = 55;
             result = store.GetIniValueInt(5, u"Window/Width", -640, value);
             return value == -640;
         },
         {"Window/Width"},
         {5, -640}},
        {"SetIniValueInt",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.SetIniValueInt(6, u"Window/Height", 480);
             return true;
         },
         {"Window/Height"},
         {6, 480}},
        {"GetIniValueStr",
         [](IIniFileManager& store, VQRESULT& result) {
             String text = u"junk";
             result = store.GetIniValueStr(7, u"Pads/Name", u"Pad ♪", text);
             return text == u"Pad ♪";
         },
         {"Pads/Name", "Pad ♪"},
         {7, CIniFileManagerProxy::FirstReadSize}},
        {"SetIniValueStr",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.SetIniValueStr(8, u"Pads/Name", u"Kick 🥁");
             return true;
         },
         {"Pads/Name", "Kick 🥁"},
         {8}},
        {"GetKeyCount",
         [](IIniFileManager& store, VQRESULT& result) {
             int32_t count = 55;
             result = store.GetKeyCount(9, u"Pads", count);
             return count == 0;
         },
         {"Pads"},
         {9}},
        {"GetKeyNameAt",
         [](IIniFileManager& store, VQRESULT& result) {
             String name = u"junk";
             result = store.GetKeyNameAt(10, u"Pads", 2, name);
             return name.IsEmpty();
         },
         {"Pads"},
         {10, 2, CIniFileManagerProxy::FirstReadSize}},
        {"GetArrayCount",
         [](IIniFileManager& store, VQRESULT& result) {
             int32_t count = 55;
             result = store.GetArrayCount(11, u"Recent", count);
             return count == 0;
         },
         {"Recent"},
         {11}},
        {"SetArrayCount",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.SetArrayCount(12, u"Recent", 4);
             return true;
         },
         {"Recent"},
         {12, 4}},
        {"GetArrayItemAt",
         [](IIniFileManager& store, VQRESULT& result) {
             String item = u"junk";
             result = store.GetArrayItemAt(13, u"Recent", 3, item);
             return item.IsEmpty();
         },
         {"Recent"},
         {13, 3, CIniFileManagerProxy::FirstReadSize}},
        {"SetArrayItemAt",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.SetArrayItemAt(14, u"Recent", 1, u"/home/jörg/set.rkt");
             return true;
         },
         {"Recent", "/home/jörg/set.rkt"},
         {14, 1}},
        {"RemoveArrayItemAt",
         [](IIniFileManager& store, VQRESULT& result) {
             result = store.RemoveArrayItemAt(15, u"Recent", 0);
             return true;
         },
         {"Recent"},
         {15, 0}},
    };
    return operations;
}

// Without the library every operation fails before reaching it, its out values preset.
void ExpectNoOperationReachesTheLibrary(IIniFileManager& store)
{
    g_library.calls.clear();
    for (const auto& operation : Operations()) {
        VQRESULT result = S_OK;
        EXPECT_TRUE(operation.call(store, result)) << operation.entryPoint;
        EXPECT_EQ(result, E_FAIL) << operation.entryPoint;
    }
    EXPECT_FALSE(store.DoesNodeExist(1, u"Pads"));
    EXPECT_TRUE(g_library.calls.empty());
}

// Each operation hands the library its arguments as they were given and gives back its answer.
void ExpectEveryOperationReachesTheLibrary(IIniFileManager& store)
{
    g_library.result = Api::ResultNotFound;
    g_library.value = "junk";
    for (const auto& operation : Operations()) {
        g_library.calls.clear();
        g_library.reads = 0;
        VQRESULT result = S_OK;
        EXPECT_TRUE(operation.call(store, result)) << operation.entryPoint;
        EXPECT_EQ(result, Api::ResultNotFound) << operation.entryPoint;
        ASSERT_EQ(g_library.calls.size(), 1u) << operation.entryPoint;
        const LibraryCall& call = g_library.calls[0];
        EXPECT_EQ(call.entryPoint, operation.entryPoint);
        EXPECT_EQ(call.texts, operation.texts) << operation.entryPoint;
        EXPECT_EQ(call.numbers, operation.numbers) << operation.entryPoint;
        EXPECT_TRUE(call.outsPreset) << operation.entryPoint;
    }
}

class IniFileManagerProxyTest : public ::testing::Test {
protected:
    void SetUp() override { g_library = FakeLibrary(); }

    // A store with the fake library loaded, nothing recorded yet.
    void LoadFake(CIniFileManagerProxy& store)
    {
        ASSERT_EQ(store.Load(u"/opt/rkt4"), S_OK);
        g_library = FakeLibrary();
    }
};

TEST_F(IniFileManagerProxyTest, LoadBuildsTheLibraryPathFromTheFolder)
{
    const struct {
        const char16_t* folder;
        std::string path;
    } cases[] = {
        {u"/opt/rkt4", "/opt/rkt4/" + LibraryName},
        {u"/opt/rkt4/", "/opt/rkt4/" + LibraryName},
        {u"/", "/" + LibraryName},
        {u"lib", "lib/" + LibraryName},
        {u"/home/jörg/Geräte €/設定", "/home/jörg/Geräte €/設定/" + LibraryName},
    };
    for (const auto& c : cases) {
        g_library = FakeLibrary();
        CIniFileManagerProxy store(FakeLoader);
        EXPECT_EQ(store.Load(c.folder), S_OK) << c.path;
        EXPECT_EQ(g_library.loadedPaths, std::vector<std::string>{c.path});
    }
}

TEST_F(IniFileManagerProxyTest, EmptyFolderTriesTheExecutableFolderBeforeTheSystemSearch)
{
    const std::string beside = Platform::GetExecutableFolder() + LibraryName;
    ASSERT_NE(beside, LibraryName) << "the test needs the executable's folder";
    const struct {
        int refused;
        VQRESULT result;
        std::vector<std::string> paths;
    } cases[] = {
        {0, S_OK, {beside}},
        {1, S_OK, {beside, LibraryName}},
        {2, E_FAIL, {beside, LibraryName}},
    };
    for (const auto& c : cases) {
        g_library = FakeLibrary();
        g_library.loadsToRefuse = c.refused;
        CIniFileManagerProxy store(FakeLoader);
        EXPECT_EQ(store.Load(String()), c.result) << c.refused;
        EXPECT_EQ(g_library.loadedPaths, c.paths) << c.refused;
    }
}

TEST_F(IniFileManagerProxyTest, LoadResolvesEveryEntryPointInOrderOnce)
{
    CIniFileManagerProxy store(FakeLoader);
    ASSERT_EQ(store.Load(u"/opt/rkt4"), S_OK);
    EXPECT_EQ(g_library.resolvedNames, EntryPointNames());

    EXPECT_EQ(store.Load(u"/elsewhere"), S_FALSE);
    EXPECT_EQ(g_library.loadedPaths.size(), 1u);
    EXPECT_EQ(g_library.resolvedNames.size(), std::size(EntryPoints));
    EXPECT_EQ(g_library.unloads, 0);
}

TEST_F(IniFileManagerProxyTest, LibraryThatDoesNotLoadLeavesTheStoreUnloaded)
{
    CIniFileManagerProxy store(FakeLoader);
    g_library.loadsToRefuse = 1;
    EXPECT_EQ(store.Load(u"/opt/rkt4"), E_FAIL);
    EXPECT_TRUE(g_library.resolvedNames.empty());
    ExpectNoOperationReachesTheLibrary(store);
    EXPECT_EQ(store.Unload(), S_FALSE);
    EXPECT_EQ(store.Load(u"/opt/rkt4"), S_OK);
}

TEST_F(IniFileManagerProxyTest, MissingEntryPointUnloadsTheLibraryAndALaterLoadTriesAgain)
{
    for (size_t missing = 0; missing < std::size(EntryPoints); ++missing) {
        const char* name = EntryPoints[missing].name;
        g_library = FakeLibrary();
        g_library.missingEntryPoint = name;
        CIniFileManagerProxy store(FakeLoader);

        EXPECT_EQ(store.Load(u"/opt/rkt4"), E_FAIL) << name;
        EXPECT_EQ(g_library.resolvedNames, EntryPointNames(missing + 1)) << name;
        EXPECT_EQ(g_library.unloads, 1) << name;
        // The entry points found before the missing one must not be reachable either.
        ExpectNoOperationReachesTheLibrary(store);
        EXPECT_EQ(store.Unload(), S_FALSE) << name;

        g_library.missingEntryPoint.clear();
        EXPECT_EQ(store.Load(u"/opt/rkt4"), S_OK) << name;
        EXPECT_EQ(g_library.loadedPaths.size(), 2u) << name;
    }
}

TEST_F(IniFileManagerProxyTest, UnloadLetsGoOfTheLibraryAndForgetsItsEntryPoints)
{
    const struct {
        bool unloadFails;
        VQRESULT result;
    } cases[] = {
        {false, S_OK},
        {true, E_FAIL},
    };
    for (const auto& c : cases) {
        CIniFileManagerProxy store(FakeLoader);
        EXPECT_EQ(store.Unload(), S_FALSE);
        LoadFake(store);
        g_library.unloadFails = c.unloadFails;

        EXPECT_EQ(store.Unload(), c.result) << c.unloadFails;
        EXPECT_EQ(g_library.unloads, 1) << c.unloadFails;
        ExpectNoOperationReachesTheLibrary(store);
        EXPECT_EQ(store.Unload(), S_FALSE) << c.unloadFails;
        EXPECT_EQ(store.Load(u"/opt/rkt4"), S_OK) << "loads again rather than answer 1";
        g_library.unloadFails = false;
    }
}

TEST_F(IniFileManagerProxyTest, DestructionLetsGoOfALoadedLibraryOnly)
{
    {
        CIniFileManagerProxy store(FakeLoader);
        g_library.loadsToRefuse = 1;
        EXPECT_EQ(store.Load(u"/opt/rkt4"), E_FAIL);
    }
    EXPECT_EQ(g_library.unloads, 0);
    {
        CIniFileManagerProxy store(FakeLoader);
        LoadFake(store);
    }
    EXPECT_EQ(g_library.unloads, 1);
}

TEST_F(IniFileManagerProxyTest, WithoutTheLibraryEveryOperationFailsWithItsOutValuesPreset)
{
    CIniFileManagerProxy store(FakeLoader);
    ExpectNoOperationReachesTheLibrary(store);
}

TEST_F(IniFileManagerProxyTest, OperationsCarryTheirArgumentsToTheLibraryAndItsAnswerBack)
{
    CIniFileManagerProxy store(FakeLoader);
    LoadFake(store);
    ExpectEveryOperationReachesTheLibrary(store);

    for (const bool exists : {true, false}) {
        g_library.nodeExists = exists;
        g_library.calls.clear();
        EXPECT_EQ(store.DoesNodeExist(16, u"Geräte/Pad 1"), exists);
        ASSERT_EQ(g_library.calls.size(), 1u);
        EXPECT_EQ(g_library.calls[0].texts, std::vector<std::string>{"Geräte/Pad 1"});
        EXPECT_EQ(g_library.calls[0].numbers, std::vector<int>{16});
    }
}

TEST_F(IniFileManagerProxyTest, OutValuesComeFromTheLibraryWhenItSucceeds)
{
    CIniFileManagerProxy store(FakeLoader);
    LoadFake(store);
    g_library.number = 42;
    int32_t handle = 0;
    int32_t value = 0;
    int32_t keys = 0;
    int32_t items = 0;
    EXPECT_EQ(store.OpenIniFile(u"/tmp/a.ini", u"1", u"RKT4", handle), S_OK);
    EXPECT_EQ(store.GetIniValueInt(42, u"Key", 7, value), S_OK);
    EXPECT_EQ(store.GetKeyCount(42, u"Node", keys), S_OK);
    EXPECT_EQ(store.GetArrayCount(42, u"Node", items), S_OK);
    EXPECT_EQ(handle, 42);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(keys, 42);
    EXPECT_EQ(items, 42);
}

TEST_F(IniFileManagerProxyTest, TextReadsConvertTheLibrarysUTF8)
{
    CIniFileManagerProxy store(FakeLoader);
    LoadFake(store);
    g_library.value = "Grüße ♪ 🎹";
    String text;
    EXPECT_EQ(store.GetIniValueStr(1, u"Key", u"", text), S_OK);
    EXPECT_EQ(std::u16string(text.View()), u"Grüße ♪ 🎹");
}

// The three text reads, each giving its text.
const struct {
    const char* entryPoint;
    std::function<VQRESULT(IIniFileManager&, String&)> read;
} TextReads[] = {
    {"GetIniValueStr", [](IIniFileManager& store, String& text) { return store.GetIniValueStr(1, u"Key", u"x", text); }},
    {"GetKeyNameAt", [](IIniFileManager& store, String& text) { return store.GetKeyNameAt(1, u"Node", 0, text); }},
    {"GetArrayItemAt", [](IIniFileManager& store, String& text) { return store.GetArrayItemAt(1, u"Node", 0, text); }},
};

TEST_F(IniFileManagerProxyTest, TextReadsTakeTheWholeValueAskingAgainOnlyWhenItIsLonger)
{
    const int first = CIniFileManagerProxy::FirstReadSize;
    const struct {
        size_t length;
        std::vector<int> bufferSizes;
    } cases[] = {
        {0, {first}},
        {1023, {first}},
        {1024, {first, 1025}},
        {3000, {first, 3001}},
    };
    for (const auto& read : TextReads) {
        for (const auto& c : cases) {
            CIniFileManagerProxy store(FakeLoader);
            LoadFake(store);
            g_library.value = std::string(c.length, 'v');
            String text = u"junk";
            EXPECT_EQ(read.read(store, text), S_OK) << read.entryPoint << " " << c.length;
            EXPECT_EQ(std::u16string(text.View()), std::u16string(c.length, u'v')) << read.entryPoint;
            std::vector<int> bufferSizes;
            for (const auto& call : g_library.calls) {
                bufferSizes.push_back(call.numbers.back());
                EXPECT_TRUE(call.outsPreset) << read.entryPoint << ": each buffer starts empty, the size at 0";
            }
            EXPECT_EQ(bufferSizes, c.bufferSizes) << read.entryPoint << " " << c.length;
        }
    }
}

TEST_F(IniFileManagerProxyTest, TextLeftWithoutATerminatorIsReadToTheBuffersEndOnly)
{
    CIniFileManagerProxy store(FakeLoader);
    LoadFake(store);
    g_library.leaveUnterminated = true;
    String text;
    EXPECT_EQ(store.GetIniValueStr(1, u"Key", u"", text), S_OK);
    EXPECT_EQ(std::u16string(text.View()), std::u16string(CIniFileManagerProxy::FirstReadSize, u'x'));
}

TEST_F(IniFileManagerProxyTest, FailedTextReadKeepsTheDefault)
{
    const int first = CIniFileManagerProxy::FirstReadSize;
    const std::string longText(3000, 'v');
    const struct {
        const char* what;
        int result;
        std::string value;
        std::optional<int> reportedSize;
        std::optional<int> retryResult;
        VQRESULT expected;
        std::vector<int> bufferSizes;
    } cases[] = {
        {"the library fails after writing", Api::ResultNotFound, "written", {}, {}, Api::ResultNotFound, {first}},
        {"ill-formed UTF-8", Api::ResultOk, "ab\xC3\x28", {}, {}, E_FAIL, {first}},
        {"UTF-8 cut off inside a character", Api::ResultOk, "ab\xE2\x99", {}, {}, E_FAIL, {first}},
        {"ill-formed UTF-8 in the retry", Api::ResultOk, longText + "\xFF", {}, {}, E_FAIL, {first, 3002}},
        {"the retry fails after writing", Api::ResultOk, longText, {}, Api::ResultUnknownHandle,
         Api::ResultUnknownHandle, {first, 3001}},
        {"the value grew before the retry", Api::ResultOk, longText, {}, Api::ResultBufferTooSmall,
         Api::ResultBufferTooSmall, {first, 3001}},
        {"reported size the first buffer had", Api::ResultOk, longText, first, {}, E_FAIL, {first}},
        {"reported size of zero", Api::ResultOk, longText, 0, {}, E_FAIL, {first}},
        {"negative reported size", Api::ResultOk, longText, -3001, {}, E_FAIL, {first}},
        {"reported size beyond the largest", Api::ResultOk, longText, CIniFileManagerProxy::MaxReadSize + 1, {},
         E_FAIL, {first}},
        {"reported size of INT_MAX", Api::ResultOk, longText, INT_MAX, {}, E_FAIL, {first}},
    };
    for (const auto& c : cases) {
        CIniFileManagerProxy store(FakeLoader);
        LoadFake(store);
        g_library.result = c.result;
        g_library.value = c.value;
        g_library.reportedSize = c.reportedSize;
        g_library.retryResult = c.retryResult;
        String text = u"junk";
        EXPECT_EQ(store.GetIniValueStr(1, u"Key", u"Voreinstellung", text), c.expected) << c.what;
        EXPECT_EQ(std::u16string(text.View()), u"Voreinstellung") << c.what;
        std::vector<int> bufferSizes;
        for (const auto& call : g_library.calls)
            bufferSizes.push_back(call.numbers.back());
        EXPECT_EQ(bufferSizes, c.bufferSizes) << c.what;
    }
}

TEST_F(IniFileManagerProxyTest, CountedStoreForwardsEveryOperationToItsProxy)
{
    RCPtr<LIniFileManager> store = LIniFileManager::Create(FakeLoader);
    ExpectNoOperationReachesTheLibrary(*store);
    ASSERT_EQ(store->Load(u"/opt/rkt4"), S_OK);
    EXPECT_EQ(g_library.loadedPaths, std::vector<std::string>{"/opt/rkt4/" + LibraryName});
    EXPECT_EQ(store->Load(u"/opt/rkt4"), S_FALSE);
    ExpectEveryOperationReachesTheLibrary(*store);

    g_library.nodeExists = true;
    EXPECT_TRUE(store->DoesNodeExist(1, u"Pads"));
    EXPECT_EQ(store->Unload(), S_OK);
    EXPECT_EQ(store->Unload(), S_FALSE);
    ASSERT_EQ(store->Load(u"/opt/rkt4"), S_OK);
    store = nullptr;
    EXPECT_EQ(g_library.unloads, 2) << "the last reference takes the library with it";
}

} // namespace
} // namespace VQ::test
