#include "engine/Remote.h"

#include "common/Messages.h"
#include "engine/Comp.h"
#include "engine/InfoFile.h"
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
    const size_t colon = side.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    if (side.find('/') < colon || side.find('\\') < colon) return std::nullopt;
    if (platform::kSeparator == '\\' && colon == 1) return std::nullopt;  // a drive letter
    RemoteFolder folder{side.substr(0, colon), side.substr(colon + 1)};
    if (folder.path.empty()) folder.path = ".";
    return folder;
}

std::string hostPrefix(const std::optional<RemoteFolder>& remote)
{
    return remote ? remote->host + ":" : std::string();
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

std::string shellLine(const RemoteAccess& access)
{
    // No prompt behind a pipe: where nobody can answer, ssh must not ask.
    return access.batch && isShell(access.shell, "ssh") ? access.shell + " -o BatchMode=yes" : access.shell;
}

std::vector<std::string> remoteCommand(const RemoteAccess& access, const std::string& host, const std::string& line)
{
    std::vector<std::string> words = platform::commandWords(shellLine(access));
    words.push_back(host);
    words.push_back(line);
    return words;
}

bool readRemoteSide(dirCompare& comp, element_t& node, const RemoteFolder& folder, std::string& error)
{
    const RemoteAccess& access = comp.remoteAccess;
    const std::string where = folder.host + ":" + node.path;
    const std::string line = shellQuoted(access.program) + " export " + shellQuoted(node.path) +
                             " -o - --max-entries " + std::to_string(comp.maxEntries) + " --lang " +
                             (currentLanguage() == English ? "en" : "zh");
    if (comp.progress) comp.progress->setText(textIn("正在读取 ", "Reading ") + where);
    platform::ChildProcess child;
    std::string why;
    if (!child.start(remoteCommand(access, folder.host, line), why)) {
        error = textIn("无法连接到 ", "cannot reach ") + folder.host + ": " + why;
        return false;
    }
    std::string readError;
    const bool read = readInfoBlock(comp, node, child.output(), readError, {}, true);
    if (!read) child.stop();
    std::string errors;
    const int code = child.finish(errors);
    const std::string said = lastLine(errors);
    // dirmatch ends with 3 at the entry limit: the listing is complete up to it.
    if (read && (code == 0 || code == 3)) return true;
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
    } else if (comp.progress && comp.progress->abortRequested()) {
        error = messageText(msg::UserAbort);
    } else {
        error = where + ": " + (readError.empty() ? textIn("输出不完整", "the output ended early") : readError);
    }
    return false;
}

}  // namespace dm
