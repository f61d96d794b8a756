#include "vqframework/system/LIniFileManager.h"

namespace VQ {

RCPtr<LIniFileManager> LIniFileManager::Create()
{
    return RCPtr<LIniFileManager>(new LIniFileManager());
}

RCPtr<LIniFileManager> LIniFileManager::Create(const CIniFileManagerProxy::Loader& loader)
{
    return RCPtr<LIniFileManager>(new LIniFileManager(loader));
}

VQRESULT LIniFileManager::Load(const String& folder)
{
    return m_proxy.Load(folder);
}

VQRESULT LIniFileManager::Unload()
{
    return m_proxy.Unload();
}

VQRESULT LIniFileManager::OpenIniFile(const String& path, const String& version, const String& name,
                                      int32_t& handle)
{
    return m_proxy.OpenIniFile(path, version, name, handle);
}

VQRESULT LIniFileManager::WriteIniFile(int32_t handle)
{
    return m_proxy.WriteIniFile(handle);
}

bool LIniFileManager::DoesNodeExist(int32_t handle, const String& node)
{
    return m_proxy.DoesNodeExist(handle, node);
}

VQRESULT LIniFileManager::CloseIniFile(int32_t handle, int32_t flag)
{
    return m_proxy.CloseIniFile(handle, flag);
}

VQRESULT LIniFileManager::GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue, int32_t& value)
{
    return m_proxy.GetIniValueInt(handle, key, defaultValue, value);
}

VQRESULT LIniFileManager::SetIniValueInt(int32_t handle, const String& key, int32_t value)
{
    return m_proxy.SetIniValueInt(handle, key, value);
}

VQRESULT LIniFileManager::GetIniValueStr(int32_t handle, const String& key, const String& defaultText, String& text)
{
    return m_proxy.GetIniValueStr(handle, key, defaultText, text);
}

VQRESULT LIniFileManager::SetIniValueStr(int32_t handle, const String& key, const String& text)
{
    return m_proxy.SetIniValueStr(handle, key, text);
}

VQRESULT LIniFileManager::GetKeyCount(int32_t handle, const String& node, int32_t& count)
{
    return m_proxy.GetKeyCount(handle, node, count);
}

VQRESULT LIniFileManager::GetKeyNameAt(int32_t handle, const String& node, int32_t index, String& name)
{
    return m_proxy.GetKeyNameAt(handle, node, index, name);
}

VQRESULT LIniFileManager::GetArrayCount(int32_t handle, const String& node, int32_t& count)
{
    return m_proxy.GetArrayCount(handle, node, count);
}

VQRESULT LIniFileManager::SetArrayCount(int32_t handle, const String& node, int32_t count)
{
    return m_proxy.SetArrayCount(handle, node, count);
}

VQRESULT LIniFileManager::GetArrayItemAt(int32_t handle, const String& node, int32_t index, String& item)
{
    return m_proxy.GetArrayItemAt(handle, node, index, item);
}

VQRESULT LIniFileManager::SetArrayItemAt(int32_t handle, const String& node, int32_t index, const String& item)
{
    return m_proxy.SetArrayItemAt(handle, node, index, item);
}

VQRESULT LIniFileManager::RemoveArrayItemAt(int32_t handle, const String& node, int32_t index)
{
    return m_proxy.RemoveArrayItemAt(handle, node, index);
}

} // namespace VQ
