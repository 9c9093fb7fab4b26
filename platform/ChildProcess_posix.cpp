#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/ChildProcess.h"
#include "platform/Copy.h"
#include "platform/Fd_posix.h"
#include "platform/StopSignal.h"
#include "platform/SysError.h"

extern char** environ;

namespace dm::platform {

namespace {

// How long a stopped child has to end by itself before it is killed outright.
constexpr auto kGrace = std::chrono::milliseconds(300);

}  // namespace

struct ChildProcess::Impl {
    pid_t pid = -1;
    bool ownGroup = false;
    bool cutShort = false;  // stopped before its end
    int pipe = -1;          // the read end of the child's output, owned by `output`
    const StopSignal* stops[2] = {nullptr, nullptr};
    std::FILE* output = nullptr;
    std::FILE* errors = nullptr;  // an unnamed file: a full pipe could stall the child

    bool stopRequested() const { return (stops[0] && stops[0]->triggered()) || (stops[1] && stops[1]->triggered()); }

    // The stops' handles as poll entries (-1: none, which poll passes over).
    void stopHandles(struct pollfd* fds) const
    {
        for (int i = 0; i < 2; ++i) fds[i] = {stops[i] ? stops[i]->waitHandle() : -1, POLLIN, 0};
    }

    void signal(int number) const
    {
        if (pid <= 0) return;
        if (ownGroup)
            kill(-pid, number);
        else
            kill(pid, number);
    }

    // The output's reader: a wait for data that a stop request ends.
    static ssize_t read(void* cookie, char* buffer, size_t size)
    {
        auto* impl = static_cast<Impl*>(cookie);
        for (;;) {
            if (impl->stopRequested()) {
                errno = ECANCELED;
                return -1;
            }
            struct pollfd fds[3] = {{impl->pipe, POLLIN, 0}};
            impl->stopHandles(fds + 1);
            if (poll(fds, 3, -1) < 0 && errno != EINTR) return -1;
            if (fds[1].revents || fds[2].revents) continue;
            if (!fds[0].revents) continue;
            const ssize_t n = ::read(impl->pipe, buffer, size);
            if (n >= 0 || (errno != EINTR && errno != EAGAIN)) return n;
        }
    }

    static int close(void* cookie)
    {
        auto* impl = static_cast<Impl*>(cookie);
        const int rc = ::close(impl->pipe);
        impl->pipe = -1;
        return rc;
    }
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess()
{
    if (impl_->pid > 0) {
        stop();
        std::string ignored;
        finish(ignored);
    }
    if (impl_->output) std::fclose(impl_->output);
    if (impl_->errors) std::fclose(impl_->errors);
}

bool ChildProcess::start(const std::vector<std::string>& command, std::string& error, const std::string& input,
                         const StopSignal* stop, const StopSignal* alsoStop)
{
    if (command.empty()) {
        error = "no command";
        return false;
    }
    int pipeFds[2];
    int execFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = systemMessage(errno);
        return false;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);
    if (pipe2(execFds, O_CLOEXEC) != 0) {
        error = systemMessage(errno);
        return false;
    }
    Fd execRead(execFds[0]);
    Fd execWrite(execFds[1]);
    impl_->errors = std::tmpfile();
    if (!impl_->errors) {
        error = systemMessage(errno);
        return false;
    }
    // The input from an unnamed file too: written whole before the child starts.
    std::FILE* in = input.empty() ? nullptr : std::tmpfile();
    if (in && (std::fwrite(input.data(), 1, input.size(), in) != input.size() || std::fflush(in) != 0)) {
        std::fclose(in);
        error = systemMessage(errno);
        return false;
    }
    if (in) std::rewind(in);
    const int inFd = in ? fileno(in) : open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const bool ownGroup = !sharesTerminal;
    const pid_t parent = getpid();

    // Only calls that are safe after fork in a threaded program, until exec.
    const pid_t pid = fork();
    if (pid == 0) {
        if (ownGroup) setpgid(0, 0);
        // Killed with this program, even by SIGKILL: nothing copies on alone.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        if (dup2(inFd, 0) < 0 || dup2(writeEnd.get(), 1) < 0 || dup2(fileno(impl_->errors), 2) < 0) _exit(127);
        execvp(argv[0], argv.data());
        const int code = errno;
        [[maybe_unused]] const ssize_t n = write(execWrite.get(), &code, sizeof code);
        _exit(127);
    }
    const int forkError = errno;
    if (in)
        std::fclose(in);
    else if (inFd >= 0)
        close(inFd);
    if (pid < 0) {
        error = "cannot run '" + command[0] + "': " + systemMessage(forkError);
        return false;
    }
    if (ownGroup) setpgid(pid, pid);  // also here: a stop may come before the child gets to it
    impl_->pid = pid;
    impl_->ownGroup = ownGroup;
    impl_->stops[0] = stop;
    impl_->stops[1] = alsoStop;
    writeEnd = Fd();
    execWrite = Fd();
    int code = 0;
    ssize_t got;
    while ((got = read(execRead.get(), &code, sizeof code)) < 0 && errno == EINTR) {
    }
    if (got == sizeof code) {
        std::string ignored;
        finish(ignored);
        error = "cannot run '" + command[0] + "': " + systemMessage(code);
        return false;
    }
    impl_->pipe = readEnd.release();
    impl_->output = fopencookie(impl_.get(), "rb", {&Impl::read, nullptr, nullptr, &Impl::close});
    if (!impl_->output) {
        close(impl_->pipe);
        impl_->pipe = -1;
        ChildProcess::stop();
        std::string ignored;
        finish(ignored);
        error = systemMessage(ENOMEM);
        return false;
    }
    return true;
}

std::FILE* ChildProcess::output()
{
    return impl_->output;
}

int ChildProcess::finish(std::string& errors, std::chrono::milliseconds patience)
{
    const auto waitedSince = std::chrono::steady_clock::now();
    // A child still writing meets a closed pipe and ends; one that would
    // block on anything else is killed once stopped.
    if (impl_->output) {
        std::fclose(impl_->output);
        impl_->output = nullptr;
    }
    int status = 0;
    bool killed = false;
    bool stopping = false;
    std::chrono::steady_clock::time_point signalled{};
    while (impl_->pid > 0) {
        const pid_t rc = waitpid(impl_->pid, &status, WNOHANG);
        if (rc == impl_->pid || (rc < 0 && errno != EINTR)) break;
        if (patience.count() > 0 && std::chrono::steady_clock::now() - waitedSince > patience) impl_->cutShort = true;
        stopping = impl_->cutShort || impl_->stopRequested();
        if (stopping && signalled == std::chrono::steady_clock::time_point{}) {
            impl_->signal(SIGTERM);
            signalled = std::chrono::steady_clock::now();
        } else if (stopping && !killed && std::chrono::steady_clock::now() - signalled > kGrace) {
            impl_->signal(SIGKILL);
            killed = true;
        }
        struct pollfd fds[2] = {{-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (!stopping) impl_->stopHandles(fds);
        poll(fds, 2, 10);
    }
    // What the group left behind (a remote shell's own helpers) goes too.
    if (impl_->ownGroup && stopping && impl_->pid > 0) kill(-impl_->pid, SIGKILL);
    impl_->pid = -1;
    errors.clear();
    if (impl_->errors) {
        std::rewind(impl_->errors);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, impl_->errors)) > 0 && errors.size() < (1 << 20))
            errors.append(buffer, n);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
}

void ChildProcess::stop()
{
    impl_->cutShort = true;
    impl_->signal(SIGTERM);
}

int runToEnd(const std::vector<std::string>& command, std::string& output)
{
    output.clear();
    ChildProcess child;
    if (!child.start(command, output)) return -1;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, child.output())) > 0;) output.append(buffer, n);
    std::string errors;
    const int code = child.finish(errors);
    output += errors;
    return code;
}

bool startDetached(const std::vector<std::string>& command)
{
    if (command.empty()) return false;
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    // Twice forked: the program belongs to no one here and is never waited for.
    const pid_t first = fork();
    if (first < 0) return false;
    if (first == 0) {
        setsid();
        if (fork() == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int nothing = open("/dev/null", O_RDWR);
            for (int fd = 0; fd < 3; ++fd) dup2(nothing, fd);
            execvp(argv[0], argv.data());
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

PrivateFolder::PrivateFolder()
{
    // Short: a socket's path has room for about a hundred bytes, of which
    // ssh takes forty for its name.
    char name[] = "/tmp/dirmatch-XXXXXX";
    if (mkdtemp(name)) path_ = name;
}

PrivateFolder::~PrivateFolder()
{
    if (!path_.empty()) removeTree(path_);
}

}  // namespace dm::platform
