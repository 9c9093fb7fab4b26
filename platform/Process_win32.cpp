#include <string_view>

#include "platform/Process.h"
#include "platform/Win32.h"

namespace dm::platform {

uint64_t thisProcess()
{
    return uint64_t(GetCurrentProcessId());
}

bool processRunning(uint64_t process)
{
    if (process == 0 || process > 0xFFFFFFFFu) return false;
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, DWORD(process));
    if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    CloseHandle(handle);
    return running;
}

uint32_t thisMachine()
{
    static const uint32_t tag = [] {
        char name[256] = {};
        DWORD size = DWORD(sizeof name - 1);
        GetComputerNameA(name, &size);
        uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : std::string_view(name)) hash = (hash ^ uint8_t(c)) * 16777619u;
        return hash;
    }();
    return tag;
}

// Handles have no small limit here.
uint64_t raiseDescriptorLimit()
{
    return descriptorLimit();
}

uint64_t descriptorLimit()
{
    return 1 << 16;
}

}  // namespace dm::platform
