#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "platform/Console.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {
std::atomic<bool> gInterrupted{false};

BOOL WINAPI onControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (gInterrupted.exchange(true)) ExitProcess(130);
    return TRUE;
}

HANDLE handleOf(Stream stream)
{
    return GetStdHandle(stream == Stream::Input    ? STD_INPUT_HANDLE
                        : stream == Stream::Output ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE);
}
}  // namespace

void prepareConsole()
{
    SetConsoleOutputCP(GetACP());
    SetConsoleCP(GetACP());
}

void useBinaryStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool isTerminal(Stream stream)
{
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

int terminalWidth()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(handleOf(Stream::Error), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void catchInterrupts()
{
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool interruptRequested()
{
    return gInterrupted;
}

void endAfterInterrupt()
{
    ExitProcess(130);
}

}  // namespace dm::platform
