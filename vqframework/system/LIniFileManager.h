// The counted settings store the application shares: a settings store over its own proxy of the
// settings library, every operation carried to the proxy unchanged.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/system/IniFileManager.h"
#include "vqframework/system/IniFileManagerProxy.h"

#include <cstdint>

namespace VQ {

class LIniFileManager final : public virtual LRefCountedObject, public IIniFileManager {
public:
    // Loads the library through the platform.
    static RCPtr<LIniFileManager> Create();
    static RCPtr<LIniFileManager> Create(const CIniFileManagerProxy::Loader& loader);

    VQRESULT Load(const String& folder) override;
    VQRESULT Unload() override;
    VQRESULT OpenIniFile(const String& path, const String& version, const String& name, int32_t& handle) override;
    VQRESULT WriteIniFile(int32_t handle) override;
    bool DoesNodeExist(int32_t handle, const String& node) override;
    VQRESULT CloseIniFile(int32_t handle, int32_t flag) override;
    VQRESULT GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue, int32_t& value) override;
    VQRESULT SetIniValueInt(int32_t handle, const String& key, int32_t value) override;
    VQRESULT GetIniValueStr(int32_t handle, const String& key, const String& defaultText, String& text) override;
    VQRESULT SetIniValueStr(int32_t handle, const String& key, const String& text) override;
    VQRESULT GetKeyCount(int32_t handle, const String& node, int32_t& count) override;
    VQRESULT GetKeyNameAt(int32_t handle, const String& node, int32_t index, String& name) override;
    VQRESULT GetArrayCount(int32_t handle, const String& node, int32_t& count) override;
    VQRESULT SetArrayCount(int32_t handle, const String& node, int32_t count) override;
    VQRESULT GetArrayItemAt(int32_t handle, const String& node, int32_t index, String& item) override;
    VQRESULT SetArrayItemAt(int32_t handle, const String& node, int32_t index, const String& item) override;
    VQRESULT RemoveArrayItemAt(int32_t handle, const String& node, int32_t index) override;

private:
    LIniFileManager() = default;
    explicit LIniFileManager(const CIniFileManagerProxy::Loader& loader) : m_proxy(loader) {}

    CIniFileManagerProxy m_proxy;
};

} // namespace VQ
