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

}  // namespace

bool startDetached(const std::vector<std::string>& command)
{
    if (command.empty()) return false;
    std::wstring line;
    for (const std::string& word : command) {
        std::wstring wide;
        if (!wideText(word, wide)) return false;
        if (!line.empty()) line += L' ';
        line += quotedArgument(wide);
    }
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
