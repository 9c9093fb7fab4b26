#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/ChildProcess.h"
#include "platform/Fd_posix.h"
#include "platform/SysError.h"

extern char** environ;

namespace dm::platform {

struct ChildProcess::Impl {
    pid_t pid = -1;
    std::FILE* output = nullptr;
    std::FILE* errors = nullptr;  // an unnamed file: a full pipe could stall the child
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

bool ChildProcess::start(const std::vector<std::string>& command, std::string& error, const std::string& input)
{
    if (command.empty()) {
        error = "no command";
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = systemMessage(errno);
        return false;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in)
        posix_spawn_file_actions_adddup2(&actions, fileno(in), 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(impl_->errors), 2);
    // The child stays in the terminal's process group, so that a remote shell
    // may ask for a password there (and a Ctrl-C ends it with the program).
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&impl_->pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (in) std::fclose(in);
    if (rc != 0) {
        impl_->pid = -1;
        error = "cannot run '" + command[0] + "': " + systemMessage(rc);
        return false;
    }
    impl_->output = fdopen(readEnd.release(), "rb");
    return true;
}

std::FILE* ChildProcess::output()
{
    return impl_->output;
}

int ChildProcess::finish(std::string& errors)
{
    int status = 0;
    while (impl_->pid > 0 && waitpid(impl_->pid, &status, 0) < 0 && errno == EINTR) {
    }
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
    if (impl_->pid > 0) kill(impl_->pid, SIGTERM);
}

}  // namespace dm::platform
