// Writing the listing stream, as the walk goes.
#include <algorithm>
#include <charconv>
#include <iterator>
#include <unordered_map>

#include "common/Messages.h"
#include "engine/scan/FileVersions.h"
#include "engine/scan/Scan.h"
#include "engine/side/Side.h"
#include "engine/side/Stream.h"
#include "engine/side/StreamCodec.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

namespace {

using namespace stream;

// Collects the bytes and hands them on in pieces large enough to be cheap,
// small enough that the reader starts long before the walk ends.
class Writer {
public:
    explicit Writer(const StreamSink& sink) : sink_(sink)
    {
        out_ += kMagic;
        out_ += char(kStreamVersion);
    }

    std::string& out() { return out_; }

    bool flushIfFull() { return out_.size() < (64u << 10) || flush(); }
    bool flush()
    {
        ok_ = ok_ && sink_(out_);
        out_.clear();
        return ok_;
    }
    void failure(const std::string& text)
    {
        out_ += char(Failure);
        putText(out_, text);
    }

private:
    const StreamSink& sink_;
    std::string out_;
    bool ok_ = true;
};

class ListingWriter {
public:
    ListingWriter(const element_t& root, Writer& writer) : writer_(writer), noVersion_(messageText(msg::NoVersion))
    {
        ids_[root.path] = 0;
    }

    bool folder(const element_t& node)
    {
        std::string& out = writer_.out();
        out += char(Block);
        putVarint(out, ids_.at(node.path));
        std::string_view previous;
        for (const auto& child : *node.children) {
            const std::string_view name = platform::lastComponent(child->path);
            entry(*child, name, previous);
            previous = name;
            if (child->isFolder) ids_[child->path] = nextId_++;
        }
        return writer_.flushIfFull();
    }

    void unreadable(const std::string& path, const std::string& reason)
    {
        std::string& out = writer_.out();
        out += char(Unreadable);
        putVarint(out, ids_.at(path));
        putText(out, reason);
    }

private:
    void entry(const element_t& e, std::string_view name, std::string_view previous)
    {
        std::string& out = writer_.out();
        const bool noVersion = e.version == noVersion_;
        const uint8_t flags = (e.isFolder ? IsFolder : 0) | (noVersion ? NoVersion : 0) |
                              (!noVersion && !e.version.empty() ? HasVersion : 0) |
                              (e.shortName.empty() ? 0 : HasShortName);
        out += char(Entry);
        out += char(flags);
        // Names come sorted: each shares its start with the one before.
        size_t shared = 0;
        while (shared < name.size() && shared < previous.size() && name[shared] == previous[shared]) ++shared;
        putVarint(out, shared);
        putText(out, name.substr(shared));
        const platform::FileRecord& r = e.findData;
        const auto ticks = [](const platform::FILETIME& t) { return int64_t(platform::fileTimeValue(t)); };
        // Each time as its change from the same time of the record before:
        // items made together have times close together.
        const int64_t times[3] = {ticks(r.ftLastWriteTime), ticks(r.ftCreationTime), ticks(r.ftLastAccessTime)};
        putVarint(out, r.dwFileAttributes);
        for (int i = 0; i < 3; ++i) putSigned(out, int64_t(uint64_t(times[i]) - uint64_t(lastTimes_[i])));
        putVarint(out, platform::fileSizeOf(r));
        putVarint(out, r.dwReserved0);
        putVarint(out, r.dwReserved1);
        if (flags & HasVersion) putText(out, e.version);
        if (flags & HasShortName) putText(out, e.shortName.str());
        std::copy(std::begin(times), std::end(times), lastTimes_);
    }

    Writer& writer_;
    const std::string noVersion_;
    std::unordered_map<std::string, uint64_t> ids_;  // the folders sent, by path
    uint64_t nextId_ = 1;
    int64_t lastTimes_[3] = {0, 0, 0};  // written, created, accessed
};

// A path below a folder, '/' between plain names: nothing that climbs out.
bool isPathBelow(const std::string& path)
{
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        if (!platform::isPlainName(std::string_view(path).substr(start, slash - start))) return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

}  // namespace

bool writeListingStream(const std::string& folder, ListingScope scope, const std::vector<std::string>& leaveOut,
                        const std::string& versionCachePath, const StreamSink& sink, std::string& error)
{
    Writer writer(sink);
    FoundSide found;
    if (!findSide(folder, {}, {}, found, error) || found.path.empty()) {
        writer.failure(platform::isNotFound(platform::lastError())
                           ? textIn("文件夹不存在: ", "no such folder: ") + folder
                           : error);
        return writer.flush();
    }
    const platform::FolderMedia media = found.side->media(found.path, scope.mayWrite);
    writer.out() += char(Media);
    putVarint(writer.out(), media.timeStep);
    putVarint(writer.out(), uint64_t(media.modesNotKept));
    writer.out() += char(media.holes ? 1 : 0);
    putVarint(writer.out(), media.fileMode);
    putVarint(writer.out(), media.folderMode);
    for (std::string below : leaveOut) {
        std::replace(below.begin(), below.end(), '/', platform::kSeparator);
        scope.leftOut.push_back(found.path + below + platform::kSeparator);
    }
    element_t root;
    root.path = found.path;
    root.isFolder = 1;
    ListingWriter listing(root, writer);
    FileVersions versions(scope.versions ? versionCachePath : std::string(), nullptr);
    ScanHooks hooks;
    hooks.folderListed = [&](element_t& node, std::string& why) {
        if (scope.versions) versions.readOf(node);
        if (listing.folder(node)) return true;
        why = messageText(msg::ExportFailed);
        return false;
    };
    // Below the top, a folder that cannot be listed is one item's error, not the walk's.
    hooks.skip = [&](const std::string& path, const std::string& reason) {
        listing.unreadable(path, reason);
        return true;
    };
    std::string scanError;
    // Each folder's versions are read as it is sent: none are left to read after.
    ScanSink scan(scope, nullptr, &versions, hooks);
    if (found.side->list(root, {}, scan, scanError)) {
        writer.out() += char(End);
        writer.out() += char(root.count >= scope.limit ? kEndAtLimit : 0);
    } else {
        writer.failure(scanError);
    }
    const bool written = writer.flush();
    versions.save();  // once the reader has all it needs
    if (!written) error = messageText(msg::ExportFailed);
    return written;
}

bool writeStreamFailure(const StreamSink& sink, const std::string& why)
{
    Writer writer(sink);
    writer.failure(why);
    return writer.flush();
}

bool writeDigestStream(const std::string& folder, const std::vector<std::string>& paths, const StreamSink& sink,
                       const platform::ContentReading& reading)
{
    Writer writer(sink);
    const std::string base = platform::endsWithSeparator(folder) ? folder : folder + platform::kSeparator;
    for (const std::string& request : paths) {
        // "SIZE PATH": the size the file was listed with, its path below the folder.
        const size_t space = request.find(' ');
        uint64_t size = 0;
        const std::string path = space == std::string::npos ? std::string() : request.substr(space + 1);
        const bool sized = space != std::string::npos &&
                           std::from_chars(request.data(), request.data() + space, size).ec == std::errc();
        std::string& out = writer.out();
        if (!sized || !isPathBelow(path)) {
            out += char(NotRead);
            putText(out, textIn("无效的请求: ", "invalid request: ") + request);
            continue;
        }
        bool stopped = false;
        const DigestAnswer answer = digestOf(base + path, size, reading, stopped);
        if (stopped) return false;
        if (answer.read) {
            out += char(Digest);
            for (const uint64_t half : {answer.digest.high, answer.digest.low})
                for (int shift = 56; shift >= 0; shift -= 8) out += char(uint8_t(half >> shift));
        } else {
            out += char(NotRead);
            putText(out, answer.why);
        }
        if (!writer.flushIfFull()) return false;
    }
    writer.out() += char(End);
    writer.out() += char(0);
    return writer.flush();
}

}  // namespace dm
