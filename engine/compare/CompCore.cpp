// Construction, the whole run, and the small tests the rest of the engine shares.
#include <algorithm>

#include "common/ErrorLog.h"
#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/HelperThread.h"
#include "engine/side/Backup.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

ShortName& ShortName::operator=(std::string_view name)
{
    const size_t length = std::min(name.size(), sizeof text_ - 1);
    std::copy_n(name.data(), length, text_);
    std::fill(text_ + length, std::end(text_), '\0');
    return *this;
}

std::string element_t::name() const
{
    return std::string(platform::lastComponent(path));
}

bool isLinkedFolder(const element_t& e)
{
    return e.isFolder && (e.findData.dwFileAttributes & platform::FILE_ATTRIBUTE_REPARSE_POINT);
}

bool facesLinkedFolder(const result_t& r)
{
    return r.kind == InBoth && r.folderA && r.folderB && r.elemA && r.elemB &&
           isLinkedFolder(*r.elemA) != isLinkedFolder(*r.elemB);
}

std::string linkedFolderNotCompared()
{
    return textIn("链接的文件夹, 无法比较", "a linked folder: not compared");
}

std::string unreadableText(const result_t& r)
{
    for (const auto& [side, e] : {std::pair{'A', r.elemA}, std::pair{'B', r.elemB}}) {
        if (e && e->unreadable) return textIn("无法读取 (", "cannot be read (") + side + "): " + *e->unreadable;
    }
    return {};
}

std::string folderErrorText(const std::string& path)
{
    // A folder that is there but cannot be reached (a name too long, no
    // right to enter) says why, rather than that it does not exist.
    // Chinese reads "目录PATH不存在" as it stands; English needs the spaces and a colon.
    const bool english = currentLanguage() == English;
    const std::string folder = messageText(msg::FolderPrefix) + (english ? " " : "") + path;
    return platform::isNotFound(platform::lastError()) ? folder + (english ? " : " : "") + messageText(msg::NotPresent)
                                                       : systemErrorText(folder);
}

bool normalizeFolder(const std::string& path, std::string& normalized, std::string& errorText)
{
    if (!platform::folderExists(path)) {
        errorText = folderErrorText(path);
        normalized.clear();
        return false;
    }
    normalized = path;
    if (!platform::endsWithSeparator(normalized)) normalized += platform::kSeparator;
    return true;
}

std::string stateText(uint32_t state, const std::string& errorText)
{
    switch (state) {
        case BeforeCompare: return messageText(msg::StateBeforeCompare);
        case Comparing: return messageText(msg::StateComparing);
        case Finished: return messageText(msg::StateFinished);
        case CompareError: return errorText.empty() ? messageText(msg::StateCompareError) : errorText;
        case SameFolders: return messageText(msg::StateSameFolders);
        case FolderMissing: return messageText(msg::DirectoryNotExist);
        case TooManyFiles: return messageText(msg::StateTooManyFiles);
        default: return messageText(msg::StateUnknown);
    }
}

dirCompare::dirCompare(const ComparisonRequest& asked, RunControl* runControl)
    : request(asked), options(effectiveOptions(asked.options)), progress(runControl), versions_({}, runControl)
{
    std::string error;
    FoundSide a;
    FoundSide b;
    findSide(request.folderA, request.infoA, request.remoteAccess, a, error);
    findSide(request.folderB, request.infoB, request.remoteAccess, b,
             error);  // when both are missing, B's text is kept
    sideA_ = std::move(a.side);
    sideB_ = std::move(b.side);
    pathA = a.path;
    pathB = b.path;
    const bool bothLocal = a.folderHere && b.folderHere;
    if (pathA.empty() || pathB.empty()) {
        errorText = error;
        state = FolderMissing;
    } else if (a.shownPath == b.shownPath) {
        state = SameFolders;
    } else if (!bothLocal) {
        // Another machine's folders are never inside this one's.
    } else if (const auto bInA = platform::pathInside(pathB, pathA)) {
        innerFolder = pathA + *bInA + platform::kSeparator;
        leftOutOfA.push_back(innerFolder);
    } else if (const auto aInB = platform::pathInside(pathA, pathB)) {
        innerFolder = pathB + *aInB + platform::kSeparator;
        leftOutOfB.push_back(innerFolder);
    }
    // The sets of replaced files are kept inside B (a relative folder), or
    // may be (a folder named in full): never items of B.
    if (!pathB.empty() && whyNoBackupFolder(request.backupDir).empty()) {
        const char separator = b.folderHere ? platform::kSeparator : '/';
        const std::string folder = backupFolderOf(request.backupDir, pathB, separator);
        if (folder.starts_with(pathB))
            leftOutOfB.push_back(folder + separator);
        else if (const auto inB = b.folderHere && !folder.empty() ? platform::pathInside(folder, pathB) : std::nullopt)
            leftOutOfB.push_back(pathB + *inB + separator);
    }
    rootA.path = pathA;
    rootA.isFolder = 1;
    rootB.path = pathB;
    rootB.isFolder = 1;
    results.elemA = &rootA;
    results.elemB = &rootB;
}

dirCompare::~dirCompare() = default;  // members go in reverse order: results before the trees

void dirCompare::run()
{
    // A folder is compared with its own information file, never with itself.
    if (state == FolderMissing || (state == SameFolders && request.infoA.empty())) return;
    state = Comparing;
    std::string error;
    identityB = sideB_->hasLocalPaths() ? platform::folderIdentity(pathB) : std::nullopt;
    if (!loadSides(rootA, rootB, {}, error) || !prepareDigests(rootA, rootB, {}, error)) {
        state = CompareError;
        errorText = error;
        return;
    }
    // Times are compared as finely as both sides keep them (a USB stick keeps 2 s).
    mediaA = sideA().media(pathA, false);
    mediaB = sideB().media(pathB, true);
    timeStep_ = std::max(mediaA.timeStep, mediaB.timeStep);
    comparingAborted_ = false;
    if (progress && (options & optContent) && sideA().hasLocalPaths() && sideB().hasLocalPaths())
        progress->bytesToCompare = int64_t(bytesToCompare(rootA, rootB));
    compareFolders(rootA, rootB, {}, results);
    saveVersionCache();
    if (comparingAborted_) {
        state = CompareError;
        errorText = messageText(msg::UserAbort);
        return;
    }
    state = (rootA.count >= request.maxEntries || rootB.count >= request.maxEntries) ? TooManyFiles : Finished;
}

bool dirCompare::isIncluded(const std::string& path) const
{
    return isIncludedPath(path, request.include, request.exclude);
}

void dirCompare::logError(const std::string& text, const std::string& logPath) const
{
    writeLog(text, logPath);
}

void dirCompare::showProgress(uint32_t message, const std::string& path) const
{
    if (!progress) return;
    progress->setText(messageText(message) + path);
}

bool dirCompare::abortRequested() const
{
    return progress && progress->abortRequested();
}

}  // namespace dm
