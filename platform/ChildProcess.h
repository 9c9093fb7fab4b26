// Running another program (a remote shell, rsync) with its standard output
// read as it comes and its error output kept for the message of a failure.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace dm::platform {

class StopSignal;

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();  // a child still running is killed and waited for
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Whether the child stays in the terminal's process group, so that a
    // remote shell may ask for a password there. Otherwise it leads a group
    // of its own, and everything it starts goes with it when it is stopped.
    // Set before start.
    bool sharesTerminal = false;

    // Starts the program (looked up on PATH) with these arguments and this
    // text as its input; false, with the reason, when it cannot be started.
    // Once `stop` (or `alsoStop`) is triggered, a read of the output ends at
    // once and the child is killed. The child dies with this program, however it ends.
    bool start(const std::vector<std::string>& command, std::string& error, const std::string& input = {},
               const StopSignal* stop = nullptr, const StopSignal* alsoStop = nullptr);

    // The child's standard output, to read until its end (or the stop).
    std::FILE* output();

    // Stops reading, then waits for the child's end: its exit code (128 + the
    // signal that ended it), and what it wrote to its error output. A child
    // that outlives a stop, or that goes on writing into the closed output,
    // is killed rather than waited on, and so is one still running `patience`
    // after its output ended (0: waited for as long as it runs).
    int finish(std::string& errors, std::chrono::milliseconds patience = std::chrono::milliseconds(0));

    // Ends the child at once (a reader that has seen enough, or a stop).
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Starts the program (looked up on PATH) on its own, outliving this one,
// its input and outputs nowhere; false where it could not be started.
bool startDetached(const std::vector<std::string>& command);

// Runs the program (looked up on PATH) to its end with no input: its exit
// code, or -1 where it could not be started; what it wrote, both outputs
// together, in `output`.
int runToEnd(const std::vector<std::string>& command, std::string& output);

// Splits a command written on one line ("ssh -p 2222 -i key") into its words;
// single and double quotes group, a backslash keeps the next character.
std::vector<std::string> commandWords(const std::string& line);

// The words as one line that rsync's -e splits back into exactly these words
// (rsync reads quotes, but no backslash outside them).
std::string rsyncCommandLine(const std::vector<std::string>& words);

// A fresh folder that only this user can enter, removed with all it holds
// when the object goes (for the sockets of the programs a run starts); its
// path is empty where none could be made, or where the system has no use for one.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace dm::platform
