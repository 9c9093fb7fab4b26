#include "cli/Output.h"

#include <algorithm>

#include "common/Messages.h"
#include "engine/ResultView.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

struct Line {
    int state = 0;
    std::string text;
    std::vector<Line> children;
};

// Builds the shown nodes of a list; returns them sorted by their text.
std::vector<Line> shownLines(const ResultList& list, bool onlyDiff)
{
    std::vector<Line> lines;
    for (const auto& r : list) {
        if (!isShown(*r, onlyDiff)) continue;
        Line line{stateIndexOf(*r), r->name, {}};
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
        out << std::string(size_t(depth) * 2, ' ') << markOf(line.state) << ' ' << printable(line.text) << '\n';
        printLines(out, line.children, depth + 1);
    }
}

// JSON is UTF-8 whatever the system's code page.
std::string utf8(const std::string& text)
{
    return platform::toUtf8(text);
}

nlohmann::ordered_json nodeJson(dirCompare& comp, const result_t& r)
{
    StringList details;
    comp.details(r, details);
    for (std::string& text : details) text = utf8(text);
    nlohmann::ordered_json node = {
        {"kind", r.kind},           {"name", utf8(r.name)},     {"pathA", utf8(r.pathA)},
        {"pathB", utf8(r.pathB)},   {"folderA", r.folderA},     {"folderB", r.folderB},
        {"sameSize", r.sameSize},   {"sameTime", r.sameTime},   {"sameVersion", r.sameVersion},
        {"identical", r.identical}, {"included", r.included},   {"lacked", r.lacked},
        {"redundant", r.redundant}, {"different", r.different}, {"details", details},
    };
    if (r.children) {
        nlohmann::ordered_json children = nlohmann::ordered_json::array();
        for (const auto& c : *r.children) children.push_back(nodeJson(comp, *c));
        node["children"] = std::move(children);
    } else {
        node["children"] = nullptr;
    }
    return node;
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

nlohmann::ordered_json toJson(dirCompare& comp)
{
    nlohmann::ordered_json doc = {
        {"state", comp.state},
        {"stateText", utf8(stateText(comp.state, comp.errorText))},
        {"pathA", utf8(comp.pathA)},
        {"pathB", utf8(comp.pathB)},
    };
    if (comp.state != Finished && comp.state != TooManyFiles) return doc;
    doc["lacked"] = comp.results.lacked;
    doc["different"] = comp.results.different;
    doc["redundant"] = comp.results.redundant;
    doc["countsText"] = utf8(countsText(comp.results));
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    if (comp.results.children) {
        for (const auto& c : *comp.results.children) results.push_back(nodeJson(comp, *c));
    }
    doc["results"] = std::move(results);
    return doc;
}

std::string jsonText(const nlohmann::ordered_json& value)
{
    return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace dm::cli
