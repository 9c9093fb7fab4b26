// Running a built program the way a script would: arguments on a command line,
// input from a file, output and errors captured, no terminal.
#pragma once

#include <string>

namespace dm::test {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// One argument as the command line of runProgram needs it quoted.
std::string quoted(const std::string& argument);

// `arguments` is a command line of arguments, each quoted where it has to be.
Outcome runProgram(const std::string& program, const std::string& arguments, const std::string& input = {});

}  // namespace dm::test
