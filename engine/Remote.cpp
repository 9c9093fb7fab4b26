#include "engine/Remote.h"

#include <algorithm>

#include "common/Messages.h"
#include "engine/Comp.h"
#include "engine/InfoFile.h"
#include "engine/Side.h"
#include "engine/Sync.h"
#include "platform/ChildProcess.h"
#include "platform/Text.h"

namespace dm {

namespace {

// The last line the other side wrote: its own words on why it failed.
std::string lastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t at = text.find_last_of('\n');
    return at == std::string::npos ? text : text.substr(at + 1);
}

bool isShell(const std::string& shell, const char* name)
{
    const std::vector<std::string> words = platform::commandWords(shell);
    return !words.empty() && platform::lastComponent(words[0]) == name;
}

}  // namespace

std::optional<RemoteFolder> remoteFolderOf(const std::string& side)
{
    // An address in brackets may hold colons: the colon that counts follows it.
    const size_t open = side.find('[');
    const size_t close = side.find("]:");
    const bool bracketed = open != std::string::npos && close != std::string::npos && open < close &&
                           side.find_first_of("/\\:") > open && (open == 0 || side[open - 1] == '@');
    const size_t colon = bracketed ? close + 1 : side.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    if (side.find('/') < colon || side.find('\\') < colon) return std::nullopt;
    if (platform::kSeparator == '\\' && colon == 1) return std::nullopt;  // a drive letter
    RemoteFolder folder{side.substr(0, colon), side.substr(colon + 1)};
    if (bracketed) folder.host = side.substr(0, open) + side.substr(open + 1, close - open - 1);
    if (folder.path.empty()) folder.path = ".";
    return folder;
}

std::string refusedHost(const std::string& host)
{
    const bool control =
        std::any_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) <= 32 || c == 127; });
    if (!host.empty() && host[0] != '-' && !control) return {};
    return textIn("拒绝的主机名 (以 - 开头或含有空白/控制字符): ",
                  "refused host name (it begins with '-' or holds white space or control characters): ") +
           host;
}

std::string shellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::vector<std::string> shellWords(const RemoteAccess& access)
{
    std::vector<std::string> words = platform::commandWords(access.shell);
    if (!isShell(access.shell, "ssh")) return words;
    // A user's own -o comes first, and the first value ssh reads stands.
    if (access.batch) words.insert(words.end(), {"-o", "BatchMode=yes"});
    words.insert(words.end(),
                 {"-o", "ConnectTimeout=20", "-o", "ServerAliveInterval=15", "-o", "ServerAliveCountMax=4"});
    return words;
}

namespace {

// "HOST:", written before the paths of a folder on another machine.
std::string hostPrefix(const RemoteFolder& remote)
{
    // rsync, like a person, reads an address with colons in brackets.
    const size_t at = remote.host.find('@');
    const std::string user = at == std::string::npos ? std::string() : remote.host.substr(0, at + 1);
    const std::string host = remote.host.substr(user.size());
    return user + (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":";
}

// The command that runs `line` (one line for the remote shell) on `host`.
std::vector<std::string> remoteCommand(const RemoteAccess& access, const std::string& host, const std::string& line)
{
    std::vector<std::string> words = shellWords(access);
    words.push_back(host);
    words.push_back(line);
    return words;
}

// Fills `node` (a folder of the remote side) from `dirmatch export` run on its
// host; false, with a text that says what went wrong there, when it fails.
bool readRemoteSide(dirCompare& comp, element_t& node, const RemoteFolder& folder, std::string& error)
{
    const RemoteAccess& access = comp.remoteAccess;
    const std::string where = folder.host + ":" + node.path;
    const std::string line = shellQuoted(access.program) + " export " + shellQuoted(node.path) +
                             " -o - --max-entries " + std::to_string(comp.maxEntries) + " --lang " +
                             (currentLanguage() == English ? "en" : "zh");
    if (const std::string refused = refusedHost(folder.host); !refused.empty()) {
        error = refused;
        return false;
    }
    if (comp.progress) comp.progress->setText(textIn("正在读取 ", "Reading ") + where);
    platform::ChildProcess child;
    child.sharesTerminal = !access.batch;
    std::string why;
    if (!child.start(remoteCommand(access, folder.host, line), why, {},
                     comp.progress ? &comp.progress->stopSignal() : nullptr)) {
        error = textIn("无法连接到 ", "cannot reach ") + folder.host + ": " + why;
        return false;
    }
    std::string readError;
    const bool read = readInfoBlock(comp, node, child.output(), readError, {}, true);
    // Whatever is still coming (past the entry limit, after garbage) is not waited for.
    if (!read || node.count >= comp.maxEntries) child.stop();
    std::string errors;
    const int code = child.finish(errors);
    const std::string said = lastLine(errors);
    if (comp.progress && comp.progress->abortRequested()) {
        error = messageText(msg::UserAbort);
        return false;
    }
    // dirmatch ends with 3 at the entry limit, and a listing read up to our
    // own limit is cut there on purpose: complete up to it either way.
    if (read && (code == 0 || code == 3 || node.count >= comp.maxEntries)) return true;
    if (code == 255 && isShell(access.shell, "ssh")) {
        error = textIn("无法连接到 ", "cannot reach ") + folder.host + ": " + said;
        if (access.batch && said.find("ermission denied") != std::string::npos)
            error += textIn(" (请使用密钥或 ssh-agent: 这里无法输入密码)",
                            " (use a key or an agent: no password can be typed here)");
    } else if (code == 127) {
        error = textIn("在 ", "dirmatch is not installed on ") + folder.host +
                textIn(" 上找不到 dirmatch: 请在那里安装 dirmatch, 或用 --remote-dirmatch 给出它的路径",
                       " (or not on its PATH): install the dirmatch package there, or give its path with "
                       "--remote-dirmatch") +
                (said.empty() ? std::string() : " (" + said + ")");
    } else if (code != 0 && !said.empty()) {
        error = folder.host + ": " + said;
    } else {
        error = where + ": " + (readError.empty() ? textIn("输出不完整", "the output ended early") : readError);
    }
    return false;
}

// A folder on another machine: read whole through its dirmatch, written with rsync.
class RemoteSide : public Side {
public:
    explicit RemoteSide(RemoteFolder folder) : folder_(std::move(folder)) {}

    bool locate(const std::string&, std::string& path, std::string&) const override
    {
        path = folder_.path.back() == '/' ? folder_.path : folder_.path + '/';
        return true;
    }
    bool list(dirCompare& comp, element_t& node, const std::string&, std::string& error) const override
    {
        return readRemoteSide(comp, node, folder_, error);
    }
    bool listsWhole() const override { return true; }
    bool hasLocalPaths() const override { return false; }
    std::string whyNoLocalPaths() const override { return textIn("在另一台机器上", " is on another machine"); }
    std::string shown(const std::string& path) const override { return hostPrefix(folder_) + path; }

    void write(const dirCompare& comp, const Side&, const std::vector<SyncStep>& steps, SyncOutcome& outcome,
               RunControl* progress, const std::string& logPath) const override
    {
        copyWithRsync(comp, steps, outcome, progress, logPath);
    }

private:
    RemoteFolder folder_;
};

}  // namespace

std::unique_ptr<Side> localFolderSide();

std::unique_ptr<Side> sideFor(const std::string& folder)
{
    if (auto remote = remoteFolderOf(folder)) return std::make_unique<RemoteSide>(std::move(*remote));
    return localFolderSide();
}

}  // namespace dm
