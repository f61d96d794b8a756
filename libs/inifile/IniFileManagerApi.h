// The entry points of the settings library, "libIniFileManager.so" beside the executable, as the library
// exports them and the settings store resolves them: zero-terminated UTF-8 texts, int file handles,
// int results.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Handles start at 1; the out handle is preset to 0 and stays so when the open fails.
int OpenIniFile(const char* path, const char* version, const char* applicationName, int* handle);
// Saves what a failed save left unsaved; every set is saved at once anyway.
int WriteIniFile(int handle);
// A nonzero flag saves what is unsaved first; the handle is invalid afterwards.
int CloseIniFile(int handle, int flag);
bool DoesNodeExist(int handle, const char* node);
// The out value is preset to the default and stays so unless the key holds a number.
int GetIniValueInt(int handle, const char* key, int defaultValue, int* value);
int SetIniValueInt(int handle, const char* key, int value);
// The three text reads answer ResultBufferTooSmall with the size needed, terminating zero
// included, in the out size; the out size is preset to 0.
int GetIniValueStr(int handle, const char* key, const char* defaultText, char* buffer, int bufferSize,
                   int* size);
int SetIniValueStr(int handle, const char* key, const char* text);
// The out count is preset to 0.
int GetKeyCount(int handle, const char* node, int* count);
int GetKeyNameAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size);
// The out count is preset to 0.
int GetArrayCount(int handle, const char* node, int* count);
int SetArrayCount(int handle, const char* node, int count);
int GetArrayItemAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size);
int SetArrayItemAt(int handle, const char* node, int index, const char* text);
int RemoveArrayItemAt(int handle, const char* node, int index);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
namespace IniFileManagerApi {

inline constexpr char LibraryFileName[] = "libIniFileManager.so";

// Results of the entry points; every one but ResultOk is a failure.
inline constexpr int ResultOk = 0;
// A null pointer, a negative index or size, or a key or node the file cannot hold.
inline constexpr int ResultInvalidArgument = -1;
inline constexpr int ResultBufferTooSmall = -2;
inline constexpr int ResultUnknownHandle = -3;
// No such node, key or array item.
inline constexpr int ResultNotFound = -4;
// The file could not be saved; the value is kept and saved with the next set or WriteIniFile.
inline constexpr int ResultSaveFailed = -5;
// The file exists but could not be read, so it is never written over.
inline constexpr int ResultReadOnly = -6;
// OpenIniFile only: the file could not be read just now (too many open files, an I/O error); the open
// may succeed when tried again.
inline constexpr int ResultReadFailed = -7;

using OpenIniFileFunction = int (*)(const char*, const char*, const char*, int*);
using WriteIniFileFunction = int (*)(int);
using CloseIniFileFunction = int (*)(int, int);
using DoesNodeExistFunction = bool (*)(int, const char*);
using GetIniValueIntFunction = int (*)(int, const char*, int, int*);
using SetIniValueIntFunction = int (*)(int, const char*, int);
using GetIniValueStrFunction = int (*)(int, const char*, const char*, char*, int, int*);
using SetIniValueStrFunction = int (*)(int, const char*, const char*);
using GetKeyCountFunction = int (*)(int, const char*, int*);
using GetKeyNameAtFunction = int (*)(int, const char*, int, char*, int, int*);
using GetArrayCountFunction = int (*)(int, const char*, int*);
using SetArrayCountFunction = int (*)(int, const char*, int);
using GetArrayItemAtFunction = int (*)(int, const char*, int, char*, int, int*);
using SetArrayItemAtFunction = int (*)(int, const char*, int, const char*);
using RemoveArrayItemAtFunction = int (*)(int, const char*, int);

} // namespace IniFileManagerApi
#endif
