#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <thread>

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
    static std::once_flag once;
    std::call_once(once, [] {
        // The handler serves a thread that was running before this call.
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        // Every other signal of these goes to one thread that never touches a
        // file system: a thread stuck in one (a FUSE process stopped) would
        // never run a handler, and the second stop must end the process.
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stops, nullptr);
        std::thread([stops] {
            for (;;) {
                int signal = 0;
                if (sigwait(&stops, &signal) == 0) onInterrupt(signal);
            }
        }).detach();
    });
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
