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
void catchInterrupts();
bool interruptRequested();

}  // namespace dm::platform
