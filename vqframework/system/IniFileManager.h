// The settings store: the user's settings file as the rest of the system reads and writes it, through
// the settings library loaded at start-up. Texts are UTF-16; keys and node paths use the library's
// syntax ("Key", "Node/Key").
#pragma once

#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class IIniFileManager {
public:
    using String = StringT<char16_t, char>;

    virtual ~IIniFileManager() = default;

    // Loads the library from the folder (empty: beside the executable, else the system's library
    // search) and resolves its entry points: 0, 1 when already loaded, E_FAIL when the library or
    // any entry point is missing.
    virtual VQRESULT Load(const String& folder) = 0;
    // 0, 1 when not loaded, E_FAIL when the library could not be let go of.
    virtual VQRESULT Unload() = 0;

    // Every operation below returns the library's result, or E_FAIL (DoesNodeExist false) while the
    // library is not loaded, with its out values preset as the library presets them.
    virtual VQRESULT OpenIniFile(const String& path, const String& version, const String& name,
                                 int32_t& handle) = 0;
    virtual VQRESULT WriteIniFile(int32_t handle) = 0;
    virtual bool DoesNodeExist(int32_t handle, const String& node) = 0;
    virtual VQRESULT CloseIniFile(int32_t handle, int32_t flag) = 0;
    virtual VQRESULT GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue,
                                    int32_t& value) = 0;
    virtual VQRESULT SetIniValueInt(int32_t handle, const String& key, int32_t value) = 0;
    virtual VQRESULT GetIniValueStr(int32_t handle, const String& key, const String& defaultText,
                                    String& text) = 0;
    virtual VQRESULT SetIniValueStr(int32_t handle, const String& key, const String& text) = 0;
    virtual VQRESULT GetKeyCount(int32_t handle, const String& node, int32_t& count) = 0;
    virtual VQRESULT GetKeyNameAt(int32_t handle, const String& node, int32_t index, String& name) = 0;
    virtual VQRESULT GetArrayCount(int32_t handle, const String& node, int32_t& count) = 0;
    virtual VQRESULT SetArrayCount(int32_t handle, const String& node, int32_t count) = 0;
    virtual VQRESULT GetArrayItemAt(int32_t handle, const String& node, int32_t index, String& item) = 0;
    virtual VQRESULT SetArrayItemAt(int32_t handle, const String& node, int32_t index, const String& item) = 0;
    virtual VQRESULT RemoveArrayItemAt(int32_t handle, const String& node, int32_t index) = 0;
};

} // namespace VQ
