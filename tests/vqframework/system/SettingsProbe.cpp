// A second process for the settings store's tests: opens a settings file through the store, as the
// program does at start-up, and prints one text value. Usage: settings_probe <file> <key>.
#include "vqframework/system/LIniFileManager.h"

#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    using String = VQ::IIniFileManager::String;
    if (argc != 3)
        return 2;
    VQ::RCPtr<VQ::LIniFileManager> store = VQ::LIniFileManager::Create();
    int32_t handle = 0;
    if (store->Load(String()) != VQ::S_OK ||
        store->OpenIniFile(String(std::string_view(argv[1])), u"1_0_0", u"RKT4 Editor", handle) != VQ::S_OK)
        return 1;
    String value;
    if (store->GetIniValueStr(handle, String(std::string_view(argv[2])), u"<none>", value) != VQ::S_OK)
        return 1;
    std::string text;
    value.ToUTF8(text);
    std::fputs(text.c_str(), stdout);
    return 0;
}
