// What a side can do unless it says otherwise.
#include "engine/side/Side.h"

#include "common/ComparisonRequest.h"
#include "common/Messages.h"
#include "engine/side/Backup.h"
#include "engine/side/Element.h"
#include "engine/side/FolderPath.h"
#include "engine/side/RunControl.h"
#include "engine/side/Stream.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace dm {

platform::FolderMedia Side::media(const std::string&, bool) const
{
    return {};  // not known: times as fine as they come
}

bool Side::makeBackupSet(const std::string& root, const std::string& folder, int keepDays, BackupSetMade& made,
                         std::string& error) const
{
    return dm::makeBackupSet(root, folder, platform::localNow(), keepDays, made, error);
}

bool Side::locate(const std::string& folder, std::string& path, std::string& error) const
{
    return normalizeFolder(folder, path, error);
}

bool Side::digests(RunControl* progress, const std::vector<const element_t*>& files, std::vector<DigestAnswer>& answers,
                   std::string& error) const
{
    const platform::ContentReading reading = readingFor(progress);
    answers.clear();
    for (const element_t* file : files) {
        bool stopped = false;
        answers.push_back(digestOf(file->path, file->size(), reading, stopped));
        if (stopped) {
            error = messageText(msg::UserAbort);
            return false;
        }
    }
    return true;
}

std::unique_ptr<Side> informationFileSide(const std::string& file);

SideMaker& sideMakerForTests()
{
    static SideMaker maker;
    return maker;
}

std::unique_ptr<Side> sideFor(const std::string& folder)
{
    return sideFor(folder, RemoteAccess{});
}

bool findSide(const std::string& folder, const std::string& infoFile, const RemoteAccess& access, FoundSide& found,
              std::string& error)
{
    // The folder is found even where its information file is read in its
    // place: paths in the file are told as the folder's.
    found.side = sideFor(folder, access);
    bool located = found.side->locate(folder, found.path, error);
    // A folder the file describes need not be here: only its path is told.
    if (!located && !infoFile.empty() && !folder.empty()) {
        found.path = platform::endsWithSeparator(folder) ? folder : folder + platform::kSeparator;
        error.clear();
        located = true;
    }
    found.shownPath = found.side->shown(found.path);
    found.folderHere = found.side->hasLocalPaths();
    if (!infoFile.empty()) found.side = informationFileSide(infoFile);
    return located;
}

}  // namespace dm
