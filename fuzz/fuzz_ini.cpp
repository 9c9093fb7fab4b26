// The ini reader and writer on arbitrary text.
#include <string>

#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    dm::platform::IniFile ini({}, text);
    for (const char* section : {"Server", "Global", "RegNotUpdate", ""}) {
        ini.readString(section, "StandardDir", "x");
        ini.readInteger(section, "Interval", 30000);
        for (const auto& [key, value] : ini.readSectionValues(section)) ini.writeString(section, key + "2", value);
    }
    ini.writeString("Server", "LocalDir", std::string(text.substr(0, 64)));
    ini.eraseSection("Global");
    int32_t value = 0;
    dm::platform::parseProfileInteger(std::string(text.substr(0, 40)), value);
    return 0;
}
