#include "platform/IniFile.h"

#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace dm::platform {

namespace {

std::string trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// The name of a heading line "[name]", or false when the line is none.
bool headingName(const std::string& line, std::string& name)
{
    const std::string t = trimmed(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const auto close = t.find(']');
    if (close == std::string::npos) return false;
    name = trimmed(t.substr(1, close - 1));
    return true;
}

// Key and raw value of a "key=value" line.
bool keyLine(const std::string& line, std::string& key, std::string& value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trimmed(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

std::string readValue(const std::string& raw)
{
    std::string v = trimmed(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.size() > IniFile::kMaxValueLength) v.resize(IniFile::kMaxValueLength);
    return v;
}

bool storable(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

bool parseProfileInteger(const std::string& text, int32_t& value)
{
    bool negative = false;
    bool hexadecimal = false;
    uint64_t magnitude = 0;
    if (!parseInteger(trimmed(text), negative, hexadecimal, magnitude)) return false;
    // Hexadecimal may use all 32 bits ($FFFFFFFF is -1); decimal must fit.
    if (magnitude > (hexadecimal ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    const auto bits = uint32_t(magnitude);
    value = int32_t(negative ? 0u - bits : bits);
    return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    parse(content.str());
}

IniFile::IniFile(std::string path, std::string_view text) : path_(std::move(path))
{
    parse(text);
}

void IniFile::parse(std::string_view text)
{
    sections_.emplace_back();
    size_t at = 0;
    std::string name;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (headingName(line, name)) {
            sections_.emplace_back();
            sections_.back().heading = std::move(line);
        } else {
            sections_.back().lines.push_back(std::move(line));
        }
        at = end + 1;
    }
    indexSections();
}

void IniFile::Section::index(size_t line)
{
    std::string k;
    std::string v;
    if (keyLine(lines[line], k, v)) keys.emplace(upperCase(k), line);
}

void IniFile::indexSections()
{
    named_.clear();
    std::string name;
    for (size_t i = 0; i < sections_.size(); ++i) {
        Section& section = sections_[i];
        if (!section.heading) continue;
        headingName(*section.heading, name);
        named_.emplace(upperCase(name), i);
        section.keys.clear();
        for (size_t line = 0; line < section.lines.size(); ++line) section.index(line);
    }
}

const IniFile::Section* IniFile::find(const std::string& section) const
{
    const auto found = named_.find(upperCase(section));
    return found == named_.end() ? nullptr : &sections_[found->second];
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const
{
    const Section* s = find(section);
    if (!s) return std::nullopt;
    const auto at = s->keys.find(upperCase(key));
    if (at == s->keys.end()) return std::nullopt;
    std::string k;
    std::string v;
    keyLine(s->lines[at->second], k, v);
    return readValue(v);
}

std::string IniFile::readString(const std::string& section, const std::string& key, const std::string& fallback) const
{
    return value(section, key).value_or(fallback);
}

int32_t IniFile::readInteger(const std::string& section, const std::string& key, int32_t fallback) const
{
    int32_t value = 0;
    return parseProfileInteger(readString(section, key, {}), value) ? value : fallback;
}

std::vector<std::pair<std::string, std::string>> IniFile::readSectionValues(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> values;
    const Section* s = find(section);
    if (!s) return values;
    std::string k;
    std::string v;
    for (const std::string& line : s->lines) {
        if (keyLine(line, k, v)) values.emplace_back(k, readValue(v));
    }
    return values;
}

bool IniFile::sectionExists(const std::string& section) const
{
    return find(section) != nullptr;
}

bool IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!storable(section) || !storable(key) || !storable(value) || key.find('=') != std::string::npos) return false;
    std::string line = key + "=" + value;
    addSection(section);
    Section& s = sections_[named_.at(upperCase(section))];
    const std::string upperKey = upperCase(key);
    if (const auto at = s.keys.find(upperKey); at != s.keys.end()) {
        s.lines[at->second] = std::move(line);
        return true;
    }
    // After the section's last non-blank line; only blank lines move.
    size_t end = s.lines.size();
    while (end > 0 && trimmed(s.lines[end - 1]).empty()) --end;
    s.lines.insert(s.lines.begin() + long(end), std::move(line));
    s.keys.emplace(upperKey, end);
    return true;
}

bool IniFile::writeInteger(const std::string& section, const std::string& key, int32_t value)
{
    return writeString(section, key, std::to_string(value));
}

void IniFile::eraseSection(const std::string& section)
{
    const std::string wanted = upperCase(section);
    std::string name;
    std::erase_if(sections_, [&](const Section& s) {
        return s.heading && headingName(*s.heading, name) && upperCase(name) == wanted;
    });
    indexSections();
}

void IniFile::addSection(const std::string& section)
{
    if (find(section)) return;
    sections_.emplace_back();
    sections_.back().heading = "[" + section + "]";
    named_.emplace(upperCase(section), sections_.size() - 1);
}

bool IniFile::save() const
{
    // Built whole, then written at once.
    size_t size = 0;
    for (const Section& s : sections_) {
        if (s.heading) size += s.heading->size() + 2;
        for (const std::string& line : s.lines) size += line.size() + 2;
    }
    std::string content;
    content.reserve(size);
    for (const Section& s : sections_) {
        if (s.heading) content.append(*s.heading).append("\r\n");
        for (const std::string& line : s.lines) content.append(line).append("\r\n");
    }
    AtomicFile file;
    return file.open(path_) && file.write(content) && file.commit();
}

}  // namespace dm::platform
