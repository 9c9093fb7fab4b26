// Reading the information file: a side that stands for the folder it describes.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/side/InfoFile.h"
#include "engine/side/InfoFormat.h"
#include "platform/OpenFile.h"
#include "platform/Text.h"

namespace dm {

using namespace info;

bool parseNumbersLine(const std::string& line, platform::FileRecord& record, std::string& error)
{
    Words words = wordsOf(record);
    int k = 0;
    std::string rest = line;
    while (k < kWordCount && !rest.empty()) {
        std::string field;
        const size_t comma = rest.find(',');
        if (comma != std::string::npos) {
            field = trimmed(rest.substr(0, comma));
            rest = rest.substr(comma + 1);
        } else {
            field = trimmed(rest);
            rest.clear();
        }
        if (field.empty()) continue;
        int64_t value = 0;
        if (!toInt64(field, value)) {
            error = "'" + field + "' is not a valid integer value" + messageText(msg::ErrorLine) + line;
            return false;
        }
        words[k++] = uint32_t(uint64_t(value) & 0xFFFFFFFFu);
    }
    setWords(record, words);
    return true;
}

namespace {

// Reads blocks of records from an open file, keeping back the one line it had
// to look at beyond a folder record, and counting entries as a scan would so
// that a file side stops at the same limit as a folder.
class InfoReader {
public:
    InfoReader(ListingSink& sink, std::FILE* file, bool strict) : sink_(&sink), strict_(strict), file_(file)
    {
        const unsigned program = platform::programCodePage();
        const unsigned legacy = platform::legacyCodePage();
        // Text that is not UTF-8 was written in the older code page of a system
        // like this one; where there is none, it cannot be read.
        fallback_ = legacy != 0 ? legacy : program != platform::kUtf8CodePage ? program : 0;
    }

    // The step of the times of the folder the file describes, as its
    // `#timestep` line gives it; 1 (as fine as they come) where it has none.
    uint64_t timeStep = 1;

    // Fills `element` from the next block (with a sub-path, from the first
    // block after a line equal to it, which a file may well not hold).
    bool block(element_t& element, const std::string& subPath, std::string& error)
    {
        element.children = std::make_unique<ElementList>();
        element.count = 0;
        bool found = subPath.empty();
        std::string line;
        // A file, read from a disk or the standard input, describes the
        // folder its first record lies in, whatever folder B is named.
        std::optional<std::string> parent;
        while (nextLine(line)) {
            if (line.starts_with(kCodePageMark) && !codePage_ && !bytes_) {
                const std::string named = trimmed(line.substr(kCodePageMark.size()));
                bytes_ = named == kBytesCodePage;
                codePage_ = unsigned(std::strtoul(named.c_str(), nullptr, 10));
                if (codePage_) folderMark_ = inFile(marks().folder);
                continue;
            }
            // Only before the first block: a file's name may read like the line.
            if (!line.starts_with('#')) beforeBlocks_ = false;
            if (beforeBlocks_ && line.starts_with(kTimeStepMark)) {
                // 2 s is the coarsest step a file system keeps.
                const uint64_t step = std::strtoull(line.c_str() + kTimeStepMark.size(), nullptr, 10);
                if (step >= 1 && step <= 20000000) timeStep = step;
                continue;
            }
            if (!found && searchedPath(line) == subPath) found = true;
            if (found && isMark(line, marks().begin)) return body(element, 0, parent, error);
        }
        // A stream without a single block was cut off before its first.
        if (!strict_) return true;
        error = messageText(msg::InfoReadError);
        return false;
    }

private:
    // The records of a block whose BEGIN has just been read, up to its END.
    // Each lies in `parent` (a path ending with the separator), or, where that
    // is not known yet, in the folder of the block's first record.
    bool body(element_t& element, int depth, std::optional<std::string> parent, std::string& error)
    {
        if (depth > kMaxInfoDepth) {
            error = messageText(msg::InfoReadError) + " (BEGIN > " + std::to_string(kMaxInfoDepth) + ")";
            return false;
        }
        element.children = std::make_unique<ElementList>();
        const InfoMarks& m = marks();
        const int32_t before = sink_->counted();
        if (!sink_->count(2, element.path, error)) return false;  // a listing's two dot entries
        int n = 0;
        std::unique_ptr<element_t> record;
        std::string line;
        bool ended = false;
        while (!full() && nextLine(line)) {
            // Only where a record begins: a name, short name or version may be END.
            if (n == 0 && isMark(line, m.end)) {
                ended = true;
                break;
            }
            switch (n) {
                case 0:
                    record = std::make_unique<element_t>();
                    record->path = pathOf(line, error);
                    if (!error.empty()) return false;
                    break;
                case 1:
                    record->isFolder = m.isFolderMark(line) || (!folderMark_.empty() && isMark(line, folderMark_));
                    break;
                case 2:
                    record->version = m.isStoredNoVersion(line) ? messageText(msg::NoVersion) : decoded(line, error);
                    if (!error.empty()) return false;
                    break;
                case 3:
                    if (!parseNumbersLine(line, record->findData, error)) return false;
                    break;
                case 4: break;  // the name: the path's last component says it
                case 5: {
                    // As much as a listing record's short name holds.
                    record->shortName = decoded(line, error);
                    if (!error.empty()) return false;
                    if (!liesIn(*record, parent, error)) return false;
                    n = 0;
                    // A folder that is no item of the side is read past with all it holds.
                    if (record->isFolder && sink_->leftOut(record->path)) {
                        if (!folderContent(*record, depth, false, error)) return false;
                        continue;
                    }
                    element_t& added = *record;
                    element.children->push_back(std::move(record));
                    if (!sink_->count(1, added.path, error)) return false;
                    if (added.isFolder && !folderContent(added, depth, sink_->descends(added), error)) return false;
                    continue;
                }
            }
            ++n;
        }
        // A record cut short is no record; a stream that stopped before a
        // block's end is no listing (a file may end after a whole record).
        if ((n != 0 || (strict_ && !ended)) && !full()) {
            error = platform::fromUtf8(kIncomplete) + textIn("", " (the file is incomplete)");
            return false;
        }
        element.count = sink_->counted() - before;
        return true;
    }

    // A folder record is followed by the block of its content, if the folder
    // was listed; a folder written without one (older files did so for links)
    // keeps no children, and whatever follows is its siblings. A block not
    // `wanted` is read past, uncounted, as a listing would not list it.
    bool folderContent(element_t& folder, int depth, bool wanted, std::string& error)
    {
        std::string line;
        if (!nextLine(line)) return true;
        if (!isMark(line, marks().begin)) {
            kept_ = std::move(line);
            return true;
        }
        if (!wanted) {
            ListingSink* const sink = sink_;
            ListingSink past(upTo(INT32_MAX));
            sink_ = &past;
            element_t content;
            content.path = folder.path;
            const bool read = body(content, depth + 1, withSeparator(folder.path), error);
            sink_ = sink;
            return read;
        }
        if (!body(folder, depth + 1, withSeparator(folder.path), error)) return false;
        // A link is never entered by a scan: its (empty) block says nothing more.
        if (isLinkedFolder(folder) && folder.children->empty()) folder.children.reset();
        return true;
    }

    static std::string withSeparator(const std::string& path)
    {
        return platform::endsWithSeparator(path) ? path : path + platform::kSeparator;
    }

    // A record names one item of its folder: nothing that climbs out of it
    // (".."), stays in it ("."), or reaches below it.
    static bool liesIn(const element_t& record, std::optional<std::string>& parent, std::string& error)
    {
        const std::string_view name = platform::lastComponent(record.path);
        const std::string_view folder = std::string_view(record.path).substr(0, record.path.size() - name.size());
        if (!parent) parent = std::string(folder);
        if (platform::isPlainName(name) && folder == *parent) return true;
        error = messageText(msg::InfoReadError) + ": " +
                textIn("记录不在其文件夹中或名称无效: ", "a record outside its folder or with an invalid name: ") +
                record.path;
        return false;
    }

    bool nextLine(std::string& line)
    {
        if (kept_) {
            line = std::move(*kept_);
            kept_.reset();
            return true;
        }
        if (!readLine(file_, line)) return false;
        ++lineNumber_;
        return true;
    }

    // A line of text in the program's code page: the file's, where it names
    // one; else UTF-8 where it is UTF-8, else the system's older code page.
    std::string decoded(const std::string& line, std::string& error) const
    {
        if (bytes_ ||
            std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return line;
        const unsigned codePage = codePage_ ? codePage_ : platform::isUtf8(line) ? platform::kUtf8CodePage : fallback_;
        std::string text;
        if (codePage != 0 && platform::decodeText(line, codePage, text)) return text;
        error = lineError(textIn(" 行的文字无法解读 (不是 UTF-8, 也不是这里的代码页)",
                                 ": text that is neither UTF-8 nor in a code page this system reads"));
        return {};
    }

    // A path of the file as this system writes it: a file written on the
    // other kind of system has its separators turned, where no name holds this
    // system's own separator.
    std::string pathOf(const std::string& line, std::string& error)
    {
        std::string path = decoded(line, error);
        if (!error.empty()) return {};
        if (!foreignPaths_) foreignPaths_ = isForeign(path);
        if (!*foreignPaths_) return path;
        if (path.find(platform::kSeparator) != std::string::npos) {
            error = lineError(textIn(" 行的名称在这里无法表示: ", ": a name this system cannot hold: ")) + path;
            return {};
        }
        std::replace(path.begin(), path.end(), kForeign, platform::kSeparator);
        return path;
    }

    std::string lineError(const std::string& what) const
    {
        return messageText(msg::InfoReadError) + ": " + textIn("第 ", "line ") + std::to_string(lineNumber_) + what;
    }

    static constexpr char kForeign = platform::kSeparator == '/' ? '\\' : '/';

    // Whether an absolute path was written on the other kind of system.
    static bool isForeign(const std::string& path)
    {
        if (kForeign == '/') return path.starts_with('/');
        const bool drive =
            path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
        return drive || path.starts_with("\\\\");
    }

    // A line as the path a refresh looks for would be written here.
    std::string searchedPath(const std::string& line) const
    {
        std::string ignored;
        std::string path = decoded(line, ignored);
        if (isForeign(path)) std::replace(path.begin(), path.end(), kForeign, platform::kSeparator);
        return path;
    }

    std::string inFile(const std::string& mark) const
    {
        std::string bytes;
        return platform::encodeText(mark, codePage_, bytes) ? bytes : std::string();
    }

    bool full() const { return sink_->full(); }

    ListingSink* sink_;  // a listing's, or one that takes a block read past
    bool strict_;
    std::FILE* file_;
    std::optional<std::string> kept_;
    size_t lineNumber_ = 0;
    unsigned codePage_ = 0;  // named by the file; 0: none named
    bool bytes_ = false;     // the file keeps names as their bytes
    bool beforeBlocks_ = true;
    unsigned fallback_ = 0;
    std::string folderMark_;            // the folder mark in the file's code page
    std::optional<bool> foreignPaths_;  // written on the other kind of system
};

}  // namespace

bool readInfoBlock(ListingSink& sink, element_t& element, std::FILE* file, std::string& error,
                   const std::string& subPath, bool strict, uint64_t* timeStep)
{
    // A line's decoding tells its failure by the error text alone.
    error.clear();
    InfoReader reader(sink, file, strict);
    const bool read = reader.block(element, subPath, error);
    if (timeStep) *timeStep = reader.timeStep;
    return read;
}

bool folderOfInfoFile(const std::string& fileName, std::string& folder, std::string& error)
{
    std::FILE* file = platform::openFile(fileName, "rb");
    if (!file) {
        error = systemErrorText(messageText(msg::OpenForRead) + fileName);
        return false;
    }
    // Its first record is enough: the two dot entries and one item.
    ListingSink firstRecord(upTo(3));
    InfoReader reader(firstRecord, file, false);
    element_t root;
    const bool read = reader.block(root, {}, error);
    std::fclose(file);
    if (!read) return false;
    if (root.children->empty()) {
        error = fileName + textIn(": 信息文件中没有任何项, 无法得知它描述的文件夹; 请给出文件夹 A",
                                  ": the information file holds no item to tell its folder by; give folder A");
        return false;
    }
    const std::string& path = root.children->front()->path;
    folder = path.substr(0, path.size() - platform::lastComponent(path).size());
    return true;
}

bool readInfoFile(ListingSink& sink, element_t& target, const std::string& fileName, std::string& error,
                  const std::string& subPath, uint64_t* timeStep)
{
    // "-" is the standard input (a pipe from another program).
    if (fileName == "-") return readInfoBlock(sink, target, stdin, error, subPath, true, timeStep);
    std::FILE* file = platform::openFile(fileName, "rb");
    if (!file) {
        error = systemErrorText(messageText(msg::OpenForRead) + fileName);
        return false;
    }
    const bool ok = readInfoBlock(sink, target, file, error, subPath, false, timeStep);
    std::fclose(file);
    return ok;
}

}  // namespace dm
