// Running a built program on a terminal of its own (a pseudo-terminal), to
// signal it at a moment its output shows.
#pragma once

#include <string>
#include <vector>

namespace dm::test {

struct TerminalRun {
    std::string seen;        // everything it wrote
    bool signalled = false;  // the trigger appeared and the signal was sent
    int exitCode = -1;       // -1 when it did not exit normally
};

// Runs `program` with `arguments` and sends `signal` once `trigger` appears in
// what it writes; returns when it has ended.
TerminalRun runOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& trigger, int signal);

}  // namespace dm::test
