// The texts of the details grid for one result node.
#include <charconv>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/Details.h"
#include "engine/compare/ResultView.h"
#include "platform/Time.h"

namespace dm {

namespace {

// A time as the details show it, written into `text`: the text's end.
char* writeTime(const platform::SYSTEMTIME& t, char* text)
{
    // Written for every item of a report: digits by hand rather than through printf.
    const auto put = [&](uint16_t value, std::string_view after) {
        text = std::to_chars(text, text + 5, value).ptr;
        text = std::copy(after.begin(), after.end(), text);
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

// Room for every field at its widest (five digits each).
constexpr size_t kTimeTextSize = 48;

platform::SYSTEMTIME localTime(const platform::FILETIME& utc)
{
    return platform::FileTimeToSystemTime(platform::FileTimeToLocalFileTime(utc));
}

// Fills a list of texts in place: a report asks for the details of every
// node, and the strings of the last node's are reused rather than made anew.
class Filler {
public:
    explicit Filler(StringList& texts) : texts_(texts) {}
    ~Filler() { texts_.resize(used_); }
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;

    void operator()(std::string_view text)
    {
        if (used_ < texts_.size())
            texts_[used_].assign(text);
        else
            texts_.emplace_back(text);
        ++used_;
    }

private:
    StringList& texts_;
    size_t used_ = 0;
};

}  // namespace

std::string timeText(const platform::SYSTEMTIME& t)
{
    char text[kTimeTextSize];
    return std::string(text, writeTime(t, text));
}

std::string localTimeText(const platform::FILETIME& utc)
{
    return timeText(localTime(utc));
}

namespace {

// `local`: the element's path is on this machine (not a side read from a file
// or from another machine), so a version not read yet can be read from it.
void appendValues(const element_t* e, bool linkFacesFolder, bool local, Filler& put)
{
    if (!e) {
        for (int i = 0; i < 4; ++i) put(messageRaw(msg::NotPresent));
        return;
    }
    put(e->path);
    if (e->isFolder) {
        put(messageRaw(msg::DetailZero));
        // Where the pair was not compared (the folder could not be read, or
        // the other side is a real folder), the version row says why.
        if (e->unreadable)
            put(textIn("无法读取: ", "cannot be read: ") + *e->unreadable);
        else
            put(linkFacesFolder && isLinkedFolder(*e) ? linkedFolderNotCompared() : messageRaw(msg::NotPresent));
    } else {
        char digits[24];
        put({digits, std::to_chars(digits, digits + sizeof digits, static_cast<int64_t>(e->size())).ptr});
        // A version stored in Chinese (an information file) reads in the current
        // language; one the scan did not need is read now.
        if (e->version.empty())
            put(local ? fileVersionText(e->path) : messageText(msg::NotPresent));
        else if (e->version == messageRaw(msg::StoredNoVersion))
            put(messageRaw(msg::NoVersion));
        else
            put(e->version);
    }
    char time[kTimeTextSize];
    put({time, writeTime(localTime(e->findData.ftLastWriteTime), time)});
}

}  // namespace

void dirCompare::details(const result_t& node, StringList& texts) const
{
    Filler put(texts);
    put({});
    for (const uint32_t title : {msg::DetailFileName, msg::DetailFileSize, msg::DetailFileVersion, msg::DetailModified})
        put(messageRaw(title));
    put(messageRaw(msg::DetailFilesInA));
    const bool linkFacesFolder = facesLinkedFolder(node);
    appendValues(node.elemA, linkFacesFolder, sideA().hasLocalPaths(), put);
    put(messageRaw(msg::DetailFilesInB));
    appendValues(node.elemB, linkFacesFolder, sideB().hasLocalPaths(), put);
    if (node.contentError)
        put(*node.contentError);
    else if (const std::string version = versionFailureText(node); !version.empty())
        put(version);
}

}  // namespace dm
