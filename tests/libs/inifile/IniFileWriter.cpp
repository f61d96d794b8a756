// A second process for the settings library's tests: opens the file given and stores one text in it.
#include "libs/inifile/IniFileManagerApi.h"

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    int handle = 0;
    if (OpenIniFile(argv[1], "1.0", "RKT4 Editor", &handle) != IniFileManagerApi::ResultOk)
        return 1;
    const int result = SetIniValueStr(handle, argv[2], argv[3]);
    return CloseIniFile(handle, 0) == IniFileManagerApi::ResultOk && result == IniFileManagerApi::ResultOk ? 0 : 1;
}
