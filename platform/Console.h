// The terminal the command line runs in.
#pragma once

#include <string>

namespace dm::platform {

enum class Stream { Input, Output, Error };

bool isTerminal(Stream stream);

// A console shows the program's text in the program's code page.
void prepareConsole();

// Standard input and output carry bytes as they are (no line ends changed).
void useBinaryStandardStreams();

// Width of the terminal on standard error, or 80.
int terminalWidth();

// From now on an interrupt (Ctrl-C) or a request to terminate no longer ends
// the process but is remembered, so that long work can stop at a safe point.
// A second one ends the process at once (a wait that cannot be ended, on a
// file system that stopped answering, must not hold the user).
void catchInterrupts();
bool interruptRequested();

// Ends the process at once with the status the first interrupt calls for
// (130 for Ctrl-C, 143 for a request to terminate); nothing is cleaned up.
[[noreturn]] void endAfterInterrupt();

}  // namespace dm::platform
