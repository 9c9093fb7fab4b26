#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm::test {

std::string quoted(const std::string& argument)
{
    std::string text = "'";
    for (const char c : argument) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

Outcome runProgram(const std::string& program, const std::string& arguments, const std::string& input)
{
    TempDir io;
    const std::string errFile = io / "err";
    const std::string inFile = io.file("in", input);
    const std::string command = quoted(program) + " " + arguments + " <" + quoted(inFile) + " 2>" + quoted(errFile);
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(errFile);
    return run;
}

}  // namespace dm::test
