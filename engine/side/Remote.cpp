#include "engine/side/Remote.h"

#include <algorithm>
#include <functional>

#include "common/Messages.h"
#include "engine/side/Backup.h"
#include "engine/side/ListingSink.h"
#include "engine/side/RunControl.h"
#include "engine/side/Side.h"
#include "engine/side/Stream.h"
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

// Where the two programs cannot understand each other: which one to upgrade
// (an empty host: this one).
std::string upgradeText(const std::string& host)
{
    if (host.empty()) return textIn("请升级这台机器上的 dirmatch", "upgrade dirmatch on this machine");
    return textIn("请升级 ", "upgrade dirmatch on ") + host + textIn(" 上的 dirmatch", "");
}

}  // namespace

std::optional<RemoteFolder> remoteFolderOf(const std::string& side)
{
    // An address in brackets may hold colons: the colon that counts follows it.
    const size_t open = side.find('[');
    const bool hostFirst = open != std::string::npos && side.find_first_of("/\\") > open && side.find(':') > open &&
                           (open == 0 || side[open - 1] == '@');
    const size_t close = side.find("]:");
    const bool bracketed = hostFirst && close != std::string::npos && open < close;
    // "[::1]" alone is an address without its folder, which the host's check refuses.
    if (hostFirst && !bracketed && side.find(':') != std::string::npos && side.find(']') != std::string::npos)
        return RemoteFolder{side, "."};
    const size_t colon = bracketed ? close + 1 : side.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    if (side.find('/') < colon || side.find('\\') < colon) return std::nullopt;
    // A drive letter ("C:\\x"), even where the system has none: no host is named so.
    if (colon == 1 && (platform::kSeparator == '\\' || (side.size() > 2 && side[2] == '\\'))) return std::nullopt;
    RemoteFolder folder{side.substr(0, colon), side.substr(colon + 1)};
    if (bracketed) folder.host = side.substr(0, open) + side.substr(open + 1, close - open - 1);
    if (folder.path.empty()) folder.path = ".";
    return folder;
}

std::string refusedHost(const std::string& host)
{
    const bool control =
        std::any_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) <= 32 || c == 127; });
    if (host.find_first_of("[]") != std::string::npos)
        return textIn("IPv6 地址之后缺少 \":文件夹\": ", "an IPv6 address needs ':' and the folder after it: ") + host;
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
    // The first call to a host opens the connection the others take; it
    // closes itself a little after the last.
    if (!access.connections.empty())
        words.insert(words.end(), {"-o", "ControlMaster=auto", "-o", "ControlPersist=15", "-o",
                                   "ControlPath=" + access.connections + "/%C"});
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

// What to say when the other machine's dirmatch wrote no stream: the shell
// could not reach it, it is not there, or it is older than this one.
std::string whyNoStream(const RemoteAccess& access, const RemoteFolder& folder, int code, const std::string& said)
{
    if (code == 255 && isShell(access.shell, "ssh")) {
        std::string error = textIn("无法连接到 ", "cannot reach ") + folder.host + ": " + said;
        if (access.batch && said.find("ermission denied") != std::string::npos)
            error += textIn(" (请使用密钥或 ssh-agent: 这里无法输入密码)",
                            " (use a key or an agent: no password can be typed here)");
        return error;
    }
    if (code == 127 || said.find("command not found") != std::string::npos || said.ends_with(": not found"))
        return textIn("在 ", "dirmatch is not installed on ") + folder.host +
               textIn(" 上找不到 dirmatch: 请在那里安装 dirmatch, 或用 --remote-dirmatch 给出它的路径",
                      " (or not on its PATH): install the dirmatch package there, or give its path with "
                      "--remote-dirmatch") +
               (said.empty() ? std::string() : " (" + said + ")");
    // A dirmatch that does not know the stream refuses its command line.
    if (said.starts_with("dirmatch: ")) return upgradeText(folder.host) + " (" + said + ")";
    return folder.host + ": " + (said.empty() ? textIn("没有输出", "no output") : said);
}

// How a reading of the stream ended: broken, whole, or with all that is
// needed (what still comes is not waited for).
enum class StreamEnd { Failed, Whole, Enough };
using StreamReading = std::function<StreamEnd(std::FILE*, std::string&, StreamFault&)>;

// What ends a wait on the other machine: the run's stop, and the end of the
// listings (the other side's failed).
struct RemoteWait {
    const platform::StopSignal* stop = nullptr;
    const platform::StopSignal* ended = nullptr;
    bool stopped() const { return stop && stop->triggered(); }
};

// Runs `dirmatch stream` on the folder's host with these arguments (and this
// input) and reads its stream with `read`; false, with a text that says
// what went wrong there, when it fails.
bool askRemote(const RemoteAccess& access, const RemoteWait& wait, const RemoteFolder& folder,
               const std::string& arguments, const std::string& input, const StreamReading& read, std::string& error)
{
    if (const std::string refused = refusedHost(folder.host); !refused.empty()) {
        error = refused;
        return false;
    }
    // The folder comes last, after "--": a folder named "-x" is no option.
    const std::string line = shellQuoted(access.program) + " stream --protocol " + std::to_string(kStreamVersion) +
                             " --lang " + (currentLanguage() == English ? "en" : "zh") + arguments + " -- " +
                             shellQuoted(folder.path);
    platform::ChildProcess child;
    child.sharesTerminal = !access.batch;
    std::string why;
    if (!child.start(remoteCommand(access, folder.host, line), why, input, wait.stop, wait.ended)) {
        error = textIn("无法连接到 ", "cannot reach ") + folder.host + ": " + why;
        return false;
    }
    std::string readError;
    StreamFault fault;
    const StreamEnd end = read(child.output(), readError, fault);
    // A shell that wrote nothing has ended, or is about to: its own exit code
    // (127: no dirmatch there) says why, where a stop now would say 255.
    if (end != StreamEnd::Whole && !fault.silent) child.stop();
    std::string errors;
    const int code = child.finish(errors, std::chrono::seconds(10));
    if (wait.stopped()) {
        error = messageText(msg::UserAbort);
        return false;
    }
    if (end != StreamEnd::Failed) return true;
    if (fault.silent) {
        error = whyNoStream(access, folder, code, lastLine(errors));
    } else if (fault.peerVersion != kStreamVersion) {
        error =
            (fault.peerVersion < kStreamVersion ? upgradeText(folder.host) : upgradeText({})) + " (" + readError + ")";
    } else {
        error = fault.peerError.empty() ? folder.host + ":" + folder.path + ": " + readError
                                        : folder.host + ": " + fault.peerError;
    }
    return false;
}

// What the other machine's walk is told of the listing's scope, so that it
// never sends what this side would drop (each as the sink decides it here
// too, whatever that machine's dirmatch does).
std::string scopeArguments(const ListingScope& scope, const std::string& root)
{
    std::string arguments = " --max-entries " + std::to_string(scope.limit);
    if (!scope.versions) arguments += " --no-versions";
    if (scope.mayWrite) arguments += " --may-write";
    if (!scope.subFolders) arguments += " --no-sub-folders";
    // Every path is taken unless a filter says otherwise: then the filters go as they are.
    if (scope.include != ListingScope().include || !scope.exclude.empty()) {
        for (const std::string& entry : scope.include) arguments += " --include=" + shellQuoted(entry);
        for (const std::string& entry : scope.exclude) arguments += " --exclude=" + shellQuoted(entry);
    }
    // Folders left out go below the folder listed, as that machine names it.
    for (const std::string& folder : scope.leftOut) {
        if (folder.starts_with(root) && folder.size() > root.size() + 1)
            arguments += " --leave-out=" + shellQuoted(folder.substr(root.size(), folder.size() - root.size() - 1));
    }
    return arguments;
}

// A folder on another machine: read whole through its dirmatch, written with rsync.
class RemoteSide : public Side {
public:
    RemoteSide(RemoteFolder folder, const RemoteAccess& access) : folder_(std::move(folder)), access_(access) {}

    bool locate(const std::string&, std::string& path, std::string&) const override
    {
        path = folder_.path.back() == '/' ? folder_.path : folder_.path + '/';
        return true;
    }
    bool list(element_t& node, const std::string&, ListingSink& sink, std::string& error) const override
    {
        sink.say(textIn("正在读取 ", "Reading ") + folder_.host + ":" + node.path);
        // Folder B's file system may be measured there on a temporary file, as here.
        const std::string arguments = scopeArguments(sink.scope(), node.path);
        return askRemote(
            access_, {sink.stopSignal(), sink.endSignal()}, {folder_.host, node.path}, arguments, {},
            [&](std::FILE* in, std::string& why, StreamFault& fault) {
                if (!readListingStream(sink, node, in, media_, why, fault)) return StreamEnd::Failed;
                return sink.full() ? StreamEnd::Enough : StreamEnd::Whole;
            },
            error);
    }
    bool makesDigests() const override { return true; }
    bool digests(RunControl* progress, const std::vector<const element_t*>& files, std::vector<DigestAnswer>& answers,
                 std::string& error) const override
    {
        std::string root;
        locate({}, root, error);
        // "SIZE PATH" for each file, its path below the folder, each ended by a NUL byte.
        std::string requests;
        for (const element_t* file : files)
            requests += std::to_string(file->size()) + ' ' + file->path.substr(root.size()) + '\0';
        if (progress) progress->setText(textIn("正在读取摘要 ", "Reading digests on ") + folder_.host + ":" + root);
        return askRemote(
            access_, {progress ? &progress->stopSignal() : nullptr}, folder_, " --digests", requests,
            [&](std::FILE* in, std::string& why, StreamFault& fault) {
                return readDigestStream(in, files.size(), answers, why, fault) ? StreamEnd::Whole : StreamEnd::Failed;
            },
            error);
    }
    bool makeBackupSet(const std::string& root, const std::string& folder, int keepDays, BackupSetMade& made,
                       std::string& error) const override
    {
        made = {};
        if (error = refusedHost(folder_.host); !error.empty()) return false;
        const std::string line = shellQuoted(access_.program) + " backup-set --days " + std::to_string(keepDays) +
                                 " --root " + shellQuoted(root) + " -- " + shellQuoted(folder);
        platform::ChildProcess child;
        child.sharesTerminal = !access_.batch;
        if (!child.start(remoteCommand(access_, folder_.host, line), error)) {
            error = textIn("无法连接到 ", "cannot reach ") + folder_.host + ": " + error;
            return false;
        }
        // The set's path, the sets removed, and why one could not be, a line each.
        std::string lines[3];
        for (std::string& text : lines) {
            for (int c; (c = std::fgetc(child.output())) != EOF && c != '\n';) text += char(c);
        }
        std::string errors;
        if (child.finish(errors) != 0 || lines[0].empty()) {
            error = folder_.host + ": " + lastLine(errors);
            return false;
        }
        made.set = lines[0];
        made.expired = std::atoi(lines[1].c_str());
        if (!lines[2].empty()) made.note = folder_.host + ": " + lines[2];
        return true;
    }
    bool listsWhole() const override { return true; }
    platform::FolderMedia media(const std::string&, bool) const override { return media_; }
    bool hasLocalPaths() const override { return false; }
    std::string whyNoLocalPaths() const override { return textIn("在另一台机器上", " is on another machine"); }
    std::string shown(const std::string& path) const override { return hostPrefix(folder_) + path; }

private:
    RemoteFolder folder_;
    RemoteAccess access_;
    // What the other machine said of the folder's file system when it listed it.
    mutable platform::FolderMedia media_;
};

}  // namespace

std::unique_ptr<Side> localFolderSide();

std::unique_ptr<Side> sideFor(const std::string& folder, const RemoteAccess& access)
{
    if (const SideMaker& maker = sideMakerForTests()) {
        if (auto side = maker(folder)) return side;
    }
    if (auto remote = remoteFolderOf(folder)) return std::make_unique<RemoteSide>(std::move(*remote), access);
    return localFolderSide();
}

}  // namespace dm
