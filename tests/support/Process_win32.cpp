#include "platform/Win32.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm::test {

namespace {
HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
// The runtime writes a line feed to a file as CR LF.
std::string withLineFeeds(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}
}  // namespace

std::string quoted(const std::string& argument)
{
    return "\"" + argument + "\"";
}

Outcome runProgram(const std::string& program, const std::string& arguments, const std::string& input)
{
    TempDir io;
    const std::string inFile = io.file("in", input);
    const HANDLE in = inheritable(inFile, GENERIC_READ, OPEN_EXISTING);
    const HANDLE out = inheritable(io / "out", GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = inheritable(io / "err", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string commandLine = quoted(program) + " " + arguments;
    Outcome run;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.code = int(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    run.out = withLineFeeds(io.read("out"));
    run.err = withLineFeeds(io.read("err"));
    return run;
}

}  // namespace dm::test
