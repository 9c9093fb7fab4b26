#include "platform/ChildProcess.h"
#include "platform/Win32.h"

namespace dm::platform {

struct ChildProcess::Impl {};

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() = default;

bool ChildProcess::start(const std::vector<std::string>&, std::string& error, const std::string&, const StopSignal*,
                         const StopSignal*)
{
    error = "folders on another machine are not supported by this build";
    return false;
}

std::FILE* ChildProcess::output()
{
    return nullptr;
}

int ChildProcess::finish(std::string& errors, std::chrono::milliseconds)
{
    errors.clear();
    return 255;
}

void ChildProcess::stop() {}

namespace {

// One argument as the C runtime splits a command line back into words:
// quoted where it holds a space or a quote, backslashes before a quote doubled.
std::wstring quotedArgument(const std::wstring& word)
{
    if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) return word;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// The command as CreateProcess takes it; false where a word is no text.
bool commandLine(const std::vector<std::string>& command, std::wstring& line)
{
    for (const std::string& word : command) {
        std::wstring wide;
        if (!wideText(word, wide)) return false;
        if (!line.empty()) line += L' ';
        line += quotedArgument(wide);
    }
    return !line.empty();
}

}  // namespace

int runToEnd(const std::vector<std::string>& command, std::string& output)
{
    output.clear();
    std::wstring line;
    if (!commandLine(command, line)) return -1;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherited, 0)) return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(write);  // the child's copy alone keeps the pipe open
    if (!started) {
        CloseHandle(read);
        return -1;
    }
    char buffer[4096];
    for (DWORD n = 0; ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0;) output.append(buffer, n);
    CloseHandle(read);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}

bool startDetached(const std::vector<std::string>& command)
{
    std::wstring line;
    if (!commandLine(command, line)) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Windows' ssh shares no connections between calls.
PrivateFolder::PrivateFolder() = default;
PrivateFolder::~PrivateFolder() = default;

}  // namespace dm::platform
