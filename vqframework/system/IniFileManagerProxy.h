// The settings store over the loaded settings library: holds the library and its entry points, and
// carries each operation across, its texts converted between UTF-16 and the library's UTF-8.
#pragma once

#include "libs/inifile/IniFileManagerApi.h"
#include "vqframework/system/IniFileManager.h"

#include <cstdint>
#include <string>

// Not safe for Load or Unload to run while another thread calls an operation.
class CIniFileManagerProxy : public VQ::IIniFileManager {
public:
    // How a library file is loaded, searched for an entry point and let go of; the same contract as
    // Platform::LoadSharedLibrary, FindLibrarySymbol and UnloadSharedLibrary.
    struct Loader {
        void* (*load)(const std::string& path);
        void* (*find)(void* library, const char* name);
        bool (*unload)(void* library);
    };

    // Loads through the platform.
    CIniFileManagerProxy();
    explicit CIniFileManagerProxy(const Loader& loader);
    CIniFileManagerProxy(const CIniFileManagerProxy&) = delete;
    CIniFileManagerProxy& operator=(const CIniFileManagerProxy&) = delete;
    // Lets go of a library still loaded.
    virtual ~CIniFileManagerProxy();

    VQ::VQRESULT Load(const String& folder) override;
    // The library is forgotten even when letting go of it fails: no entry point is called afterwards.
    VQ::VQRESULT Unload() override;

    VQ::VQRESULT OpenIniFile(const String& path, const String& version, const String& name,
                             int32_t& handle) override;
    VQ::VQRESULT WriteIniFile(int32_t handle) override;
    bool DoesNodeExist(int32_t handle, const String& node) override;
    VQ::VQRESULT CloseIniFile(int32_t handle, int32_t flag) override;
    VQ::VQRESULT GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue, int32_t& value) override;
    VQ::VQRESULT SetIniValueInt(int32_t handle, const String& key, int32_t value) override;
    // The text reads keep their preset (the default, or empty) unless the library answers 0 with
    // well-formed UTF-8; a text longer than the first buffer is asked for again at the size needed.
    VQ::VQRESULT GetIniValueStr(int32_t handle, const String& key, const String& defaultText,
                                String& text) override;
    VQ::VQRESULT SetIniValueStr(int32_t handle, const String& key, const String& text) override;
    VQ::VQRESULT GetKeyCount(int32_t handle, const String& node, int32_t& count) override;
    VQ::VQRESULT GetKeyNameAt(int32_t handle, const String& node, int32_t index, String& name) override;
    VQ::VQRESULT GetArrayCount(int32_t handle, const String& node, int32_t& count) override;
    VQ::VQRESULT SetArrayCount(int32_t handle, const String& node, int32_t count) override;
    VQ::VQRESULT GetArrayItemAt(int32_t handle, const String& node, int32_t index, String& item) override;
    VQ::VQRESULT SetArrayItemAt(int32_t handle, const String& node, int32_t index, const String& item) override;
    VQ::VQRESULT RemoveArrayItemAt(int32_t handle, const String& node, int32_t index) override;

    // The size of the buffer a text read starts with, and the largest size a retry accepts.
    static constexpr int32_t FirstReadSize = 1024;
    static constexpr int32_t MaxReadSize = 64 * 1024 * 1024;

private:
    bool ResolveEntryPoints();
    void Forget();

    const Loader m_loader;
    void* m_library = nullptr;
    IniFileManagerApi::OpenIniFileFunction m_openIniFile = nullptr;
    IniFileManagerApi::WriteIniFileFunction m_writeIniFile = nullptr;
    IniFileManagerApi::CloseIniFileFunction m_closeIniFile = nullptr;
    IniFileManagerApi::DoesNodeExistFunction m_doesNodeExist = nullptr;
    IniFileManagerApi::GetIniValueIntFunction m_getIniValueInt = nullptr;
    IniFileManagerApi::SetIniValueIntFunction m_setIniValueInt = nullptr;
    IniFileManagerApi::GetIniValueStrFunction m_getIniValueStr = nullptr;
    IniFileManagerApi::SetIniValueStrFunction m_setIniValueStr = nullptr;
    IniFileManagerApi::GetKeyCountFunction m_getKeyCount = nullptr;
    IniFileManagerApi::GetKeyNameAtFunction m_getKeyNameAt = nullptr;
    IniFileManagerApi::GetArrayCountFunction m_getArrayCount = nullptr;
    IniFileManagerApi::SetArrayCountFunction m_setArrayCount = nullptr;
    IniFileManagerApi::GetArrayItemAtFunction m_getArrayItemAt = nullptr;
    IniFileManagerApi::SetArrayItemAtFunction m_setArrayItemAt = nullptr;
    IniFileManagerApi::RemoveArrayItemAtFunction m_removeArrayItemAt = nullptr;
};
