// Writing the information file of a listed tree.
#include "engine/side/InfoExport.h"

#include <algorithm>
#include <array>
#include <exception>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/side/InfoFormat.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace dm {

using namespace info;

namespace {

// A folder without content, written as an empty block.
const element_t kNotListed = [] {
    element_t e;
    e.children = std::make_unique<ElementList>();
    return e;
}();

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string lineBreakError(const std::string& path)
{
    return messageText(msg::ExportFailed) + ": " +
           textIn("名称中含有换行符, 无法写入: ", "a line break in the name cannot be written: ") + path;
}

}  // namespace

std::string infoPathOf(const DescribedTree& tree, const std::string& path)
{
    if (tree.replaced.empty()) return path;
    const size_t at = path.find(tree.replaced);
    if (at == std::string::npos) return path;
    return tree.writtenAs + path.substr(at + tree.replaced.size());
}

namespace {

// What a file's text is written in: the program's code page, or the older
// one of the user's system where every text of the file has its exact
// counterpart there (what older readers read).
class InfoWriter {
public:
    InfoWriter(const DescribedTree& tree, const InfoSink& file) : tree_(tree), file_(file)
    {
        const element_t& root = *tree.root;
        // Where every text is ASCII, the legacy code page changes only the
        // marks, which every reader knows in code page 936: no line names it.
        const unsigned legacy = platform::legacyCodePage();
        bool ascii = true;
        if (legacy != 0 && fits(root, legacy, ascii)) {
            codePage_ = legacy;
            named_ = !ascii;
        }
        bytes_ = codePage_ == platform::kUtf8CodePage &&
                 !everyText(root, [](const std::string& t) { return platform::isUtf8(t); });
        marks_ = {mark(marks().begin, ""), mark(marks().end, ""), mark(marks().folder, InfoMarks::kFolder936),
                  mark(marks().file, InfoMarks::kFile936), mark(noVersion_, InfoMarks::kNoVersion936)};
    }

    bool write(const element_t& root, std::string& error)
    {
        // A file in another code page than UTF-8 says which, before its first
        // block, where a reader of the format passes over it.
        if (named_ && !file_(kCodePageMark + std::to_string(codePage_) + "\r\n")) return false;
        if (bytes_ && !file_(kCodePageMark + kBytesCodePage + "\r\n")) return false;
        // So is the step of its times, so that a copy on a USB stick reads as identical.
        if (tree_.timeStep > 1 && !file_(kTimeStepMark + std::to_string(tree_.timeStep) + "\r\n")) return false;
        return block(root.children ? root : kNotListed, error);
    }

private:
    bool block(const element_t& element, std::string& error)
    {
        // The caller, who knows the file's name, words a failed write.
        const auto failWrite = [&] {
            error.clear();
            return false;
        };
        if (!file_(marks_[0] + "\r\n")) return failWrite();
        for (const auto& child : *element.children) {
            const std::string path = infoPathOf(tree_, child->path);
            const std::string name(platform::lastComponent(child->path));
            if (holdsLineBreak(path) || holdsLineBreak(name) || holdsLineBreak(child->shortName.str()) ||
                holdsLineBreak(child->version)) {
                error = lineBreakError(child->path);
                return false;
            }
            const Words w = wordsOf(child->findData);
            char numbers[160];
            std::snprintf(numbers, sizeof numbers, "%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u\r\n", w[0], w[1], w[2], w[3], w[4],
                          w[5], w[6], w[7], w[8], w[9], w[10]);
            const std::string version = child->version == noVersion_ ? marks_[4] : text(child->version);
            const std::string record = text(path) + "\r\n" + marks_[child->isFolder ? 2 : 3] + "\r\n" + version +
                                       "\r\n" + numbers + text(name) + "\r\n" + text(child->shortName.str()) + "\r\n";
            if (!file_(record)) return failWrite();
            // Every folder gets its block, empty where it was not listed (a
            // link, the limit), so that a reader never mistakes the next
            // folder's block for this one's.
            if (child->isFolder && !block(child->children ? *child : kNotListed, error)) return false;
        }
        if (!file_(marks_[1] + "\r\n")) return failWrite();
        return true;
    }

    // Whether `test` holds for every text written below `folder`.
    bool everyText(const element_t& folder, const std::function<bool(const std::string&)>& test) const
    {
        if (!folder.children) return true;
        for (const auto& child : *folder.children) {
            const std::string& version = child->version == noVersion_ ? std::string() : child->version;
            for (const std::string& t : {infoPathOf(tree_, child->path), child->shortName.str(), version})
                if (!test(t)) return false;
            if (child->isFolder && !everyText(*child, test)) return false;
        }
        return true;
    }

    // Whether every text below `folder` has its exact counterpart in the
    // code page; `ascii` turns false at the first text that is not ASCII.
    bool fits(const element_t& folder, unsigned codePage, bool& ascii) const
    {
        std::string bytes;
        return everyText(folder, [&](const std::string& t) {
            if (std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                return true;
            ascii = false;
            return platform::encodeText(t, codePage, bytes);
        });
    }

    std::string text(const std::string& t) const
    {
        if (codePage_ == platform::programCodePage()) return t;
        std::string bytes;
        platform::encodeText(t, codePage_, bytes);  // known to fit
        return bytes;
    }

    // A mark in the file's code page; a Chinese one, where it cannot hold
    // it, in code page 936's bytes, which every reader knows.
    std::string mark(const std::string& m, const char* bytes936) const
    {
        if (codePage_ == platform::programCodePage()) return m;
        std::string bytes;
        return platform::encodeText(m, codePage_, bytes) ? bytes : bytes936;
    }

    const DescribedTree& tree_;
    const InfoSink& file_;
    unsigned codePage_ = platform::programCodePage();
    bool named_ = false;  // the code page is named before the first block
    bool bytes_ = false;  // names are kept as their bytes
    const std::string noVersion_ = messageText(msg::NoVersion);
    std::array<std::string, 5> marks_;  // begin, end, folder, file, no version
};

}  // namespace

bool writeInfo(const DescribedTree& tree, const InfoSink& sink, std::string& error)
{
    try {
        InfoWriter writer(tree, sink);
        return writer.write(*tree.root, error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool exportInfoFile(const DescribedTree& tree, const std::string& fileName, std::string& error)
{
    platform::AtomicFile file;
    if (!file.open(fileName)) {
        error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    if (!writeInfo(
            tree, [&](std::string_view text) { return file.write(text); }, error)) {
        if (error.empty()) error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    if (!file.commit()) {
        error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    return true;
}

}  // namespace dm
