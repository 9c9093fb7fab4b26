#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

#include "platform/Console.h"

namespace dm::platform {

namespace {
volatile std::sig_atomic_t gInterrupted = 0;  // the first signal's number

extern "C" void onInterrupt(int signal)
{
    if (gInterrupted != 0) _exit(128 + signal);
    gInterrupted = signal;
}
}  // namespace

void prepareConsole()
{
    // A terminal reads the locale's UTF-8 as the program writes it.
}

void useBinaryStandardStreams()
{
    // Bytes always pass unchanged here.
}

bool isTerminal(Stream stream)
{
    const int fd = stream == Stream::Input ? STDIN_FILENO : stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO;
    return isatty(fd) == 1;
}

int terminalWidth()
{
    struct winsize ws {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested()
{
    return gInterrupted != 0;
}

void endAfterInterrupt()
{
    _exit(128 + (gInterrupted != 0 ? int(gInterrupted) : SIGTERM));
}

}  // namespace dm::platform
