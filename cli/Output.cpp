#include "cli/Output.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>

#include "common/Messages.h"
#include "engine/compare/ResultView.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

struct Line {
    int state = 0;
    std::string text;
    std::vector<Line> children;
    std::string why;  // what kept the pair from being compared, where something did
};

// Builds the shown nodes of a list; returns them sorted by their text.
std::vector<Line> shownLines(const ResultList& list, bool onlyDiff)
{
    std::vector<Line> lines;
    for (const auto& r : list) {
        if (!isShown(*r, onlyDiff)) continue;
        Line line{stateIndexOf(*r), r->name, {}, whyNotCompared(*r)};
        if (r->included && showsChildren(*r)) {
            line.children = shownLines(*r->children, onlyDiff);
            line.text = folderNodeText(r->name, int(line.children.size()));
        }
        lines.push_back(std::move(line));
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return platform::listingOrderLess(a.text, b.text); });
    return lines;
}

void printLines(std::ostream& out, const std::vector<Line>& lines, int depth)
{
    for (const Line& line : lines) {
        out << std::string(size_t(depth) * 2, ' ') << markOf(line.state) << ' ' << printable(line.text);
        if (!line.why.empty()) out << "  (" << printable(line.why) << ')';
        out << '\n';
        printLines(out, line.children, depth + 1);
    }
}

// JSON is UTF-8 whatever the system's code page.
std::string utf8(const std::string& text)
{
    return platform::toUtf8(text);
}

// JSON written as the tree is walked, never held whole: the layout of a
// document dumped with an indent of 2, strings escaped by the JSON library.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out), buffer_(new char[kSize]) {}
    ~JsonWriter() { flush(); }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void open(char bracket)
    {
        put({&bracket, 1});
        first_ = true;
        ++depth_;
    }
    void close(char bracket)
    {
        --depth_;
        if (!first_) newline();
        put({&bracket, 1});
        first_ = false;
    }
    // The next element of the array or member of the object being written.
    void next(std::string_view key = {})
    {
        if (!first_) put(",");
        first_ = false;
        newline();
        if (!key.empty()) {
            char* out = room(key.size() + 4);
            *out++ = '"';
            out = std::copy(key.begin(), key.end(), out);
            std::memcpy(out, "\": ", 3);
            used_ += key.size() + 4;
        }
    }
    void text(const std::string& systemText)
    {
        // The system's texts are UTF-8 already where that is its code page.
        std::string converted;
        const std::string& text = utf8System_ ? systemText : (converted = utf8(systemText));
        // Most texts are valid UTF-8 with nothing to escape: written as they are.
        if (!isPlain(text)) {
            put(nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
            return;
        }
        put("\"");
        put(text);
        put("\"");
    }
    template <typename Number>
    void number(Number n)
    {
        char* out = room(24);
        used_ = size_t(std::to_chars(out, out + 24, +n).ptr - buffer_.get());
    }
    void null() { put("null"); }
    void flush()
    {
        out_.write(buffer_.get(), std::streamsize(used_));
        used_ = 0;
    }

private:
    // Valid UTF-8 without control characters, quotes or backslashes.
    static bool isPlain(std::string_view text)
    {
        // Eight ASCII bytes at a time while none needs a look of its own.
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        constexpr uint64_t kHigh = 0x8080808080808080ull;
        const auto hasZero = [](uint64_t w) { return (w - kOnes) & ~w & kHigh; };
        // With no high bit set, a byte below 0x20 borrows into its own high bit.
        const auto plainWord = [&](uint64_t w) {
            return !((w & kHigh) || ((w - kOnes * 0x20) & kHigh) || hasZero(w ^ (kOnes * '"')) ||
                     hasZero(w ^ (kOnes * '\\')));
        };
        size_t i = 0;
        for (; i + 8 <= text.size(); i += 8) {
            uint64_t w;
            std::memcpy(&w, text.data() + i, sizeof w);
            if (!plainWord(w)) break;
        }
        // The last bytes as one word too: the final eight (read again in
        // part), or all of a shorter text padded with spaces.
        if (i == text.size()) return true;
        if (i + 8 > text.size()) {
            uint64_t w = kOnes * ' ';
            if (text.size() >= 8)
                std::memcpy(&w, text.data() + text.size() - 8, sizeof w);
            else
                std::memcpy(&w, text.data(), text.size());
            if (plainWord(w)) return true;
        }
        while (i < text.size()) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) {
                if (c < 0x20 || c == '"' || c == '\\') return false;
                ++i;
                continue;
            }
            const size_t length = platform::utf8SequenceLength(text, i);
            if (length == 0) return false;
            i += length;
        }
        return true;
    }

    void newline()
    {
        static constexpr std::string_view kIndent =
            "\n                                                                ";
        const size_t width = 1 + size_t(depth_) * 2;
        if (width <= kIndent.size()) {
            put(kIndent.substr(0, width));
        } else {
            put("\n");
            put(std::string(width - 1, ' '));
        }
    }

    // Where the next `length` bytes go (at most kSize): the buffer is written
    // out first where they would not fit.
    char* room(size_t length)
    {
        if (used_ + length > kSize) flush();
        return buffer_.get() + used_;
    }
    void put(std::string_view bytes)
    {
        if (bytes.size() > kSize) {
            flush();
            out_.write(bytes.data(), std::streamsize(bytes.size()));
            return;
        }
        std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    // The stream is written in large pieces: a character at a time through a
    // stream tied to C's is most of the cost of a large document.
    static constexpr size_t kSize = 1 << 16;
    std::ostream& out_;
    const bool utf8System_ = platform::programCodePage() == platform::kUtf8CodePage;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    int depth_ = 0;
    bool first_ = true;
};

std::string hexOf(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

void writeNode(JsonWriter& json, dirCompare& comp, const result_t& r, StringList& details)
{
    json.open('{');
    const std::pair<std::string_view, const std::string*> texts[] = {
        {"name", &r.name}, {"pathA", &r.pathA()}, {"pathB", &r.pathB()}};
    json.next("kind");
    json.number(r.kind);
    for (const auto& [key, value] : texts) {
        json.next(key);
        json.text(*value);
    }
    // A name that is not UTF-8 shows with U+FFFD, so two such names can read
    // alike: their bytes tell them apart.
    for (const auto& [key, value] : texts) {
        if (platform::isUtf8(utf8(*value))) continue;
        json.next(std::string(key) + "Bytes");
        json.text(hexOf(*value));
    }
    const std::pair<std::string_view, int> numbers[] = {
        {"folderA", r.folderA},     {"folderB", r.folderB},         {"sameSize", r.sameSize},
        {"sameTime", r.sameTime},   {"sameVersion", r.sameVersion}, {"sameContent", r.sameContent},
        {"identical", r.identical}, {"included", r.included},       {"lacked", r.lacked},
        {"redundant", r.redundant}, {"different", r.different}};
    // A rule that was not applied to a pair of files says so: null, not a verdict.
    const bool twoFiles = r.kind == InBoth && !r.folderA && !r.folderB;
    const std::pair<std::string_view, uint8_t> rules[] = {
        {"sameSize", optSize}, {"sameTime", optTime}, {"sameVersion", optVersion}, {"sameContent", optContent}};
    for (const auto& [key, value] : numbers) {
        json.next(key);
        bool applied = true;
        for (const auto& [ruleKey, bit] : rules) applied = applied && (ruleKey != key || (comp.options & bit));
        if (twoFiles && !applied)
            json.null();
        else
            json.number(value);
    }
    // Only where it happened: the output of a comparison here stays as it was.
    if (r.byDigest) {
        json.next("byDigest");
        json.number(1);
    }
    comp.details(r, details);
    json.next("details");
    json.open('[');
    for (const std::string& text : details) {
        json.next();
        json.text(text);
    }
    json.close(']');
    json.next("children");
    if (!r.children) {
        json.null();
    } else {
        json.open('[');
        for (const auto& c : *r.children) {
            json.next();
            writeNode(json, comp, *c, details);
        }
        json.close(']');
    }
    json.close('}');
}

}  // namespace

std::string printable(std::string_view systemText)
{
    // Judged in UTF-8, where a C1 control is two bytes no other character has.
    const std::string text = platform::toUtf8(systemText);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C1 controls (U+0080 to U+009F) are escapes to a terminal too.
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0 &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (c >= 0x20 && c != 0x7F && !c1) {
            out += char(c);
            continue;
        }
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                static constexpr char kHex[] = "0123456789abcdef";
                const auto byte = c1 ? static_cast<unsigned char>(text[++i]) : c;
                out += c1 ? "\\u00" : "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
        }
    }
    return platform::fromUtf8(out);
}

char markOf(int stateIndex)
{
    static constexpr char kMarks[] = {' ', '-', '+', '!', '=', '*', '~'};
    return stateIndex >= 0 && stateIndex <= 6 ? kMarks[stateIndex] : '?';
}

void printTree(std::ostream& out, dirCompare& comp, bool all)
{
    out << messageText(msg::ResultHeader) << '\n';
    if (comp.results.children) printLines(out, shownLines(*comp.results.children, !all), 1);
    out << countsText(comp.results) << '\n' << stateText(comp.state, comp.errorText) << '\n';
}

void writeJson(std::ostream& out, dirCompare& comp)
{
    JsonWriter json(out);
    json.open('{');
    json.next("state");
    json.number(comp.state);
    json.next("stateText");
    json.text(stateText(comp.state, comp.errorText));
    json.next("pathA");
    json.text(comp.pathA);
    json.next("pathB");
    json.text(comp.pathB);
    // Rules that loosen the time comparison, where they were in force.
    if (comp.request.timeWindow != 0) {
        json.next("timeWindow");
        json.number(comp.request.timeWindow);
    }
    if (comp.request.ignoreHourShift) {
        json.next("ignoreHourShift");
        json.number(1);
    }
    if (comp.state == Finished || comp.state == TooManyFiles) {
        for (const auto& [key, value] :
             {std::pair{"lacked", comp.results.lacked}, std::pair{"different", comp.results.different},
              std::pair{"redundant", comp.results.redundant}}) {
            json.next(key);
            json.number(value);
        }
        json.next("countsText");
        json.text(countsText(comp.results));
        json.next("results");
        json.open('[');
        StringList details;
        if (comp.results.children) {
            for (const auto& c : *comp.results.children) {
                json.next();
                writeNode(json, comp, *c, details);
            }
        }
        json.close(']');
    }
    json.close('}');
    json.flush();
    out << '\n';
}

std::string planLine(const dirCompare& comp, const SyncStep& step)
{
    std::string line = printable(comp.sideA().shown(step.source)) + " -> " + printable(comp.sideB().shown(step.target));
    if (step.newerInB)
        line += "  (" + bIsNewerText() + (comp.request.keepNewer ? textIn(", 保持不变", ", left as it is") : "") + ')';
    return line;
}

}  // namespace dm::cli
