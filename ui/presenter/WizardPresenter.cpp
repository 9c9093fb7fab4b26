#include "ui/presenter/WizardPresenter.h"

#include <utility>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/Comp.h"
#include "engine/side/Side.h"
#include "platform/Listing.h"

namespace dm {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Why a typed folder cannot be taken; empty where it can.
std::string whyNotAFolder(const std::string& folder)
{
    // A folder on another machine (HOST:PATH) is looked for when it is read.
    if (folder.empty() || !sideFor(folder)->hasLocalPaths() || platform::folderExists(folder)) return {};
    return textIn("文件夹不存在: ", "There is no such folder: ") + folder;
}

}  // namespace

std::string WizardPresenter::takeA(const std::string& typed)
{
    const std::string folder = trimmed(typed);
    std::string why = whyNotAFolder(folder);
    if (why.empty() && !folder.empty()) dm_.StandardDir = folder;
    return why;
}

std::string WizardPresenter::takeB(const std::string& typed)
{
    const std::string folder = trimmed(typed);
    if (folder.empty()) return {};
    if (std::string why = whyNotAFolder(folder); !why.empty()) return why;
    // A folder compared with itself says nothing: refused where B is chosen,
    // as the comparer would find it.
    if (!dm_.StandardDir.empty() && dirCompare(wholeFolders(dm_.StandardDir, folder), nullptr).state == SameFolders)
        return textIn("文件夹 B 就是文件夹 A: 请选择另一个文件夹", "Folder B is folder A: choose another folder");
    dm_.LocalDir = folder;
    return {};
}

void WizardPresenter::swap()
{
    std::swap(dm_.StandardDir, dm_.LocalDir);
}

WizardPresenter::Choices WizardPresenter::choices() const
{
    Choices c;
    c.size = dm_.Options & optSize;
    c.time = dm_.Options & optTime;
    c.version = dm_.Options & optVersion;
    c.subFolders = dm_.Options & optSubFolders;
    c.content = dm_.Options & optContent;
    c.onlyDiff = dm_.OnlyDiff;
    return c;
}

void WizardPresenter::start(const Choices& c)
{
    uint32_t options = optValid;
    if (c.size) options |= optSize;
    if (c.time) options |= optTime;
    if (c.version) options |= optVersion;
    if (c.subFolders) options |= optSubFolders;
    if (c.content) options |= optContent;
    dm_.Options = options;
    dm_.OnlyDiff = c.onlyDiff;
    TDM::Remember(dm_.HistoryA, dm_.StandardDir);
    TDM::Remember(dm_.HistoryB, dm_.LocalDir);
}

}  // namespace dm
