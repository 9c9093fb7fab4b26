// Running another program (a remote shell, rsync) with its standard output
// read as it comes and its error output kept for the message of a failure.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace dm::platform {

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();  // a child still running is stopped and waited for
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program (looked up on PATH) with these arguments and this
    // text as its input; false, with the reason, when it cannot be started.
    bool start(const std::vector<std::string>& command, std::string& error, const std::string& input = {});

    // The child's standard output, to read until its end.
    std::FILE* output();

    // Waits for the child's end: its exit code (128 + the signal that ended
    // it), and what it wrote to its error output.
    int finish(std::string& errors);

    // Ends the child at once (a reader that has seen enough, or a stop).
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Splits a command written on one line ("ssh -p 2222 -i key") into its words;
// single and double quotes group, a backslash keeps the next character.
std::vector<std::string> commandWords(const std::string& line);

}  // namespace dm::platform
