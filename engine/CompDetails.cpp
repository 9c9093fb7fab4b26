// The texts of the details grid for one result node.
#include <charconv>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/Comp.h"
#include "engine/Details.h"
#include "platform/Time.h"

namespace dm {

std::string timeText(const platform::SYSTEMTIME& t)
{
    // Written for every item of a report: digits by hand rather than through printf.
    std::string text;
    text.reserve(32);
    const auto put = [&](uint16_t value, const char* after) {
        char digits[8];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        text += after;
    };
    put(t.wYear, "-");
    put(t.wMonth, "-");
    put(t.wDay, "  ");
    put(t.wHour, ":");
    put(t.wMinute, ":");
    put(t.wSecond, ".");
    put(t.wMilliseconds, "");
    return text;
}

std::string localTimeText(const platform::FILETIME& utc)
{
    return timeText(platform::FileTimeToSystemTime(platform::FileTimeToLocalFileTime(utc)));
}

namespace {

// `local`: the element's path is on this machine (not a side read from a file
// or from another machine), so a version not read yet can be read from it.
void appendValues(const element_t* e, bool linkFacesFolder, bool local, StringList& texts)
{
    if (!e) {
        for (int i = 0; i < 4; ++i) texts.push_back(messageText(msg::NotPresent));
        return;
    }
    texts.push_back(e->path);
    if (e->isFolder) {
        texts.push_back(messageText(msg::DetailZero));
        // Where the pair was not compared (the folder could not be read, or
        // the other side is a real folder), the version row says why.
        if (e->unreadable)
            texts.push_back(textIn("无法读取: ", "cannot be read: ") + *e->unreadable);
        else
            texts.push_back(linkFacesFolder && isLinkedFolder(*e) ? linkedFolderNotCompared()
                                                                  : messageText(msg::NotPresent));
    } else {
        texts.push_back(std::to_string(static_cast<int64_t>(e->size())));
        // A version stored in Chinese (an information file) reads in the current
        // language; one the scan did not need is read now.
        if (e->version.empty())
            texts.push_back(local ? fileVersionText(e->path) : messageText(msg::NotPresent));
        else if (e->version == messageRaw(msg::StoredNoVersion))
            texts.push_back(messageText(msg::NoVersion));
        else
            texts.push_back(e->version);
    }
    texts.push_back(localTimeText(e->findData.ftLastWriteTime));
}

}  // namespace

void dirCompare::details(const result_t& node, StringList& texts) const
{
    texts.emplace_back();
    for (const uint32_t title : {msg::DetailFileName, msg::DetailFileSize, msg::DetailFileVersion, msg::DetailModified})
        texts.push_back(messageText(title));
    texts.push_back(messageText(msg::DetailFilesInA));
    const bool linkFacesFolder = facesLinkedFolder(node);
    appendValues(node.elemA, linkFacesFolder, sideA().hasLocalPaths(), texts);
    texts.push_back(messageText(msg::DetailFilesInB));
    appendValues(node.elemB, linkFacesFolder, sideB().hasLocalPaths(), texts);
    if (node.contentError) texts.push_back(*node.contentError);
}

}  // namespace dm
