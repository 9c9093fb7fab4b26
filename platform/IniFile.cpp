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

bool sameName(const std::string& a, const std::string& b)
{
    return upperCase(a) == upperCase(b);
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
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
        at = end + 1;
    }
}

size_t IniFile::findSection(const std::string& section) const
{
    std::string name;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (headingName(lines_[i], name) && sameName(name, section)) return i;
    }
    return std::string::npos;
}

size_t IniFile::sectionEnd(size_t heading) const
{
    std::string name;
    size_t i = heading + 1;
    while (i < lines_.size() && !headingName(lines_[i], name)) ++i;
    return i;
}

size_t IniFile::findKey(size_t heading, const std::string& key) const
{
    std::string k;
    std::string v;
    const size_t end = sectionEnd(heading);
    for (size_t i = heading + 1; i < end; ++i) {
        if (keyLine(lines_[i], k, v) && sameName(k, key)) return i;
    }
    return std::string::npos;
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const
{
    const size_t heading = findSection(section);
    if (heading == std::string::npos) return std::nullopt;
    const size_t at = findKey(heading, key);
    if (at == std::string::npos) return std::nullopt;
    std::string k;
    std::string v;
    keyLine(lines_[at], k, v);
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
    const size_t heading = findSection(section);
    if (heading == std::string::npos) return values;
    std::string k;
    std::string v;
    const size_t end = sectionEnd(heading);
    for (size_t i = heading + 1; i < end; ++i) {
        if (keyLine(lines_[i], k, v)) values.emplace_back(k, readValue(v));
    }
    return values;
}

bool IniFile::sectionExists(const std::string& section) const
{
    return findSection(section) != std::string::npos;
}

bool IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!storable(section) || !storable(key) || !storable(value) || key.find('=') != std::string::npos) return false;
    const std::string line = key + "=" + value;
    size_t heading = findSection(section);
    if (heading == std::string::npos) {
        addSection(section);
        lines_.push_back(line);
        return true;
    }
    const size_t at = findKey(heading, key);
    if (at != std::string::npos) {
        lines_[at] = line;
        return true;
    }
    // After the section's last non-blank line.
    size_t end = sectionEnd(heading);
    while (end > heading + 1 && trimmed(lines_[end - 1]).empty()) --end;
    lines_.insert(lines_.begin() + long(end), line);
    return true;
}

bool IniFile::writeInteger(const std::string& section, const std::string& key, int32_t value)
{
    return writeString(section, key, std::to_string(value));
}

void IniFile::eraseSection(const std::string& section)
{
    for (size_t heading; (heading = findSection(section)) != std::string::npos;)
        lines_.erase(lines_.begin() + long(heading), lines_.begin() + long(sectionEnd(heading)));
}

void IniFile::addSection(const std::string& section)
{
    if (findSection(section) != std::string::npos) return;
    lines_.push_back("[" + section + "]");
}

bool IniFile::save() const
{
    std::string content;
    for (const std::string& line : lines_) content += line + "\r\n";
    AtomicFile file;
    return file.open(path_) && file.write(content) && file.commit();
}

}  // namespace dm::platform
