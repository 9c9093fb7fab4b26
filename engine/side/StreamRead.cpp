// Reading the listing stream: every field checked before it is used.
#include <set>
#include <vector>

#include "common/Messages.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Stream.h"
#include "engine/side/StreamCodec.h"
#include "platform/Text.h"

namespace dm {

namespace {

using namespace stream;

std::string broken(const std::string& what)
{
    return textIn("数据流无效: ", "invalid stream: ") + what;
}

// The opening bytes: the stream's version, or what stood there instead.
bool opening(Input& in, std::string& error, StreamFault& fault)
{
    uint8_t first = 0;
    if (!in.byte(first)) {
        error = broken(textIn("没有数据", "nothing arrived"));
        return false;
    }
    fault.silent = false;
    std::string magic;
    uint8_t version = 0;
    if (char(first) != kMagic[0] || !in.bytes(magic, kMagic.size() - 1) || magic != kMagic.substr(1) ||
        !in.byte(version)) {
        error = broken(textIn("开头不对", "it does not begin as one"));
        return false;
    }
    fault.peerVersion = version;
    if (version == kStreamVersion) return true;
    error = textIn("对方的数据流版本为 ", "the other side speaks stream version ") + std::to_string(version) +
            textIn(", 这里需要 ", ", this one needs ") + std::to_string(kStreamVersion);
    return false;
}

// A failure the peer reports, in its own words.
bool peerFailure(Input& in, std::string& error, StreamFault& fault)
{
    if (!in.text(fault.peerError, kMaxMessage)) {
        error = broken(textIn("错误信息不完整", "a message cut short"));
        return false;
    }
    error = fault.peerError;
    return false;
}

class ListingReader {
public:
    ListingReader(ListingSink& sink, element_t& root, Input& in, platform::FolderMedia& media)
        : sink_(sink), in_(in), media_(media), noVersion_(messageText(msg::NoVersion))
    {
        root.children.reset();
        root.count = 0;
        folders_.push_back(&root);
    }

    bool read(std::string& error, StreamFault& fault)
    {
        element_t& root = *folders_[0];
        uint8_t tag = 0;
        while (in_.byte(tag)) {
            if (full()) break;  // what comes past the limit is not needed
            bool ok = false;
            switch (tag) {
                case Block: ok = block(error); break;
                case Entry: ok = entry(error); break;
                case Unreadable: ok = unreadable(error); break;
                case Media: ok = media(error); break;
                case Failure: return peerFailure(in_, error, fault);
                case End: {
                    uint8_t flags = 0;
                    if (!in_.byte(flags)) break;
                    return finish(root, error);
                }
                default: error = broken(textIn("未知的记录 ", "unknown record ") + std::to_string(tag)); return false;
            }
            if (!ok) {
                if (error.empty()) error = broken(textIn("记录不完整", "a record cut short"));
                return false;
            }
        }
        if (full()) return finish(root, error);
        error = broken(textIn("数据流提前结束", "it ended early"));
        return false;
    }

private:
    bool block(std::string& error)
    {
        uint64_t id = 0;
        if (!in_.varint(id)) return false;
        if (id >= folders_.size() || folders_[id]->children || isLinkedFolder(*folders_[id])) {
            error = broken(textIn("无效的文件夹块 ", "a block for no folder listed: ") + std::to_string(id));
            return false;
        }
        current_ = folders_[id];
        current_->children = std::make_unique<ElementList>();
        previousName_.clear();
        return outside_.contains(current_) || sink_.count(2, current_->path, error);  // a listing's two dot entries
    }

    bool entry(std::string& error)
    {
        uint8_t flags = 0;
        uint64_t shared = 0;
        uint64_t length = 0;
        std::string suffix;
        if (!in_.byte(flags) || !in_.varint(shared) || !in_.varint(length)) return false;
        if (shared > previousName_.size()) {
            error = broken(textIn("名称的长度无效", "a name of an impossible length"));
            return false;
        }
        // Told before its bytes are read, so that the text says what is wrong.
        if (shared + length > kMaxName) {
            error = broken(textIn("名称过长: ", "a name too long: ") + std::to_string(shared + length) +
                           textIn(" 字节", " bytes"));
            return false;
        }
        if (!in_.bytes(suffix, length)) return false;
        if (!current_) {
            error = broken(textIn("记录不在文件夹中", "a record outside any folder"));
            return false;
        }
        std::string name = previousName_.substr(0, size_t(shared)) + suffix;
        const std::string& folder = current_->path;
        auto e = std::make_unique<element_t>();
        e->path = platform::endsWithSeparator(folder) ? folder + name : folder + platform::kSeparator + name;
        if (!platform::isPlainName(name)) {
            error = broken(textIn("无效的名称: ", "an invalid name: ") + e->path);
            return false;
        }
        if (e->path.size() > kMaxPath) {
            error = broken(textIn("路径过长: ", "a path too long: ") + e->path.substr(0, 200) + "...");
            return false;
        }
        uint64_t attributes = 0, size = 0, reserved0 = 0, reserved1 = 0;
        int64_t times[3] = {0, 0, 0};  // written, created, accessed: each from the one before
        if (!in_.varint(attributes) || !in_.signedValue(times[0]) || !in_.signedValue(times[1]) ||
            !in_.signedValue(times[2]) || !in_.varint(size) || !in_.varint(reserved0) || !in_.varint(reserved1))
            return false;
        if ((flags & HasVersion) && !in_.text(e->version, kMaxShort)) return false;
        if (flags & HasShortName) {
            std::string shortName;
            if (!in_.text(shortName, kMaxShort)) return false;
            e->shortName = shortName;
        }
        if (attributes > UINT32_MAX || reserved0 > UINT32_MAX || reserved1 > UINT32_MAX) {
            error = broken(textIn("数值超出范围: ", "a number out of range: ") + e->path);
            return false;
        }
        for (int i = 0; i < 3; ++i) lastTimes_[i] = int64_t(uint64_t(lastTimes_[i]) + uint64_t(times[i]));
        platform::FileRecord& r = e->findData;
        r.dwFileAttributes = uint32_t(attributes);
        r.ftLastWriteTime = platform::makeFileTime(uint64_t(lastTimes_[0]));
        r.ftCreationTime = platform::makeFileTime(uint64_t(lastTimes_[1]));
        r.ftLastAccessTime = platform::makeFileTime(uint64_t(lastTimes_[2]));
        r.nFileSizeHigh = uint32_t(size >> 32);
        r.nFileSizeLow = uint32_t(size);
        r.dwReserved0 = uint32_t(reserved0);
        r.dwReserved1 = uint32_t(reserved1);
        e->isFolder = (flags & IsFolder) ? 1 : 0;
        if (flags & NoVersion) e->version = noVersion_;
        previousName_ = std::move(name);
        // A folder that is no item of the side (where B keeps its backup
        // sets) is read past: it and all it holds are dropped, uncounted.
        if (outside_.contains(current_) || (e->isFolder && sink_.leftOut(e->path))) {
            if (e->isFolder) readPast(e->path);
            dropped_.push_back(std::move(e));
            return true;
        }
        // A folder the listing does not go into is an item; what it holds is read past.
        if (e->isFolder && !sink_.descends(*e))
            readPast(e->path);
        else if (e->isFolder)
            folders_.push_back(e.get());
        current_->children->push_back(std::move(e));
        return sink_.count(1, current_->path, error);
    }

    // The folder at `path` (the next id) is sent, but nothing of it is taken.
    void readPast(const std::string& path)
    {
        auto stand = std::make_unique<element_t>();
        stand->path = path;
        folders_.push_back(stand.get());
        outside_.insert(stand.get());
        dropped_.push_back(std::move(stand));
    }

    bool media(std::string& error)
    {
        uint64_t step = 0, modes = 0, fileMode = 0, folderMode = 0;
        uint8_t holes = 0;
        if (!in_.varint(step) || !in_.varint(modes) || !in_.byte(holes) || !in_.varint(fileMode) ||
            !in_.varint(folderMode))
            return false;
        // 2 s is the coarsest step a file system keeps.
        if (step == 0 || step > 20000000 || modes > INT32_MAX || holes > 1 || fileMode > 07777 || folderMode > 07777) {
            error = broken(textIn("无效的介质信息", "impossible facts of the file system"));
            return false;
        }
        media_ = {step, int(modes), holes != 0, uint32_t(fileMode), uint32_t(folderMode)};
        return true;
    }

    bool unreadable(std::string& error)
    {
        uint64_t id = 0;
        std::string reason;
        if (!in_.varint(id) || !in_.text(reason, kMaxMessage)) return false;
        if (id == 0 || id >= folders_.size() || folders_[id]->children) {
            error = broken(textIn("无效的文件夹 ", "no such folder: ") + std::to_string(id));
            return false;
        }
        element_t& folder = *folders_[id];
        if (outside_.contains(&folder) || sink_.skip(folder, reason)) return true;
        error = messageText(msg::ListingError) + folder.path + ": " + reason;
        return false;
    }

    // Each folder's count is what a scan counts in it and below it.
    bool finish(element_t& root, std::string& error)
    {
        if (!root.children) {
            error = broken(textIn("没有列出文件夹", "the folder itself was not listed"));
            return false;
        }
        for (size_t i = folders_.size(); i-- > 0;) {
            element_t& folder = *folders_[i];
            if (!folder.children) continue;
            int32_t count = 2;
            for (const auto& child : *folder.children) count += 1 + child->count;
            folder.count = count;
        }
        return true;
    }

    bool full() const { return sink_.full(); }

    ListingSink& sink_;
    Input& in_;
    platform::FolderMedia& media_;
    const std::string noVersion_;
    std::vector<element_t*> folders_;  // by id: 0 the folder asked for, then as their records came
    element_t* current_ = nullptr;
    std::set<const element_t*> outside_;  // folders read past, and those below them
    ElementList dropped_;
    std::string previousName_;
    int64_t lastTimes_[3] = {0, 0, 0};
};

}  // namespace

bool readListingStream(ListingSink& sink, element_t& node, std::FILE* in, platform::FolderMedia& media,
                       std::string& error, StreamFault& fault)
{
    Input input(in);
    if (!opening(input, error, fault)) return false;
    ListingReader reader(sink, node, input, media);
    return reader.read(error, fault);
}

bool readDigestStream(std::FILE* in, size_t count, std::vector<DigestAnswer>& answers, std::string& error,
                      StreamFault& fault)
{
    Input input(in);
    if (!opening(input, error, fault)) return false;
    answers.assign(count, {});
    size_t next = 0;
    uint8_t tag = 0;
    while (input.byte(tag)) {
        if (tag == Failure) return peerFailure(input, error, fault);
        if (tag == End) {
            uint8_t flags = 0;
            if (next == count && input.byte(flags)) return true;
            break;
        }
        if (next == count || (tag != Digest && tag != NotRead)) break;
        DigestAnswer& answer = answers[next++];
        std::string bytes;
        if (tag == NotRead) {
            if (!input.text(answer.why, kMaxMessage)) break;
            continue;
        }
        if (!input.bytes(bytes, 16)) break;
        uint64_t halves[2] = {0, 0};
        for (size_t i = 0; i < 16; ++i) halves[i / 8] = (halves[i / 8] << 8) | uint8_t(bytes[i]);
        answer.digest = {halves[0], halves[1]};
        answer.read = true;
    }
    error = broken(textIn("摘要的数量不对", "the digests do not answer what was asked"));
    return false;
}

}  // namespace dm
