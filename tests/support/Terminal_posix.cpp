#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/Terminal.h"

namespace dm::test {

TerminalRun runOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& trigger, int signal)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    TerminalRun run;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) return run;
    if (pid == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
        run.seen.append(buffer, size_t(n));
        if (!run.signalled && run.seen.find(trigger) != std::string::npos) {
            kill(pid, signal);
            run.signalled = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace dm::test
