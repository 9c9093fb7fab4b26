// An ini file with the semantics of the Windows profile functions: names
// compare without regard to case, values are read trimmed and unquoted,
// integers may be "$" or "0x" hexadecimal, a new key goes to the end of its
// section and a new section to the end of the file. Changes are made in
// memory and written by save(), which replaces the file whole or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dm::platform {

class IniFile {
public:
    // Reads the file; a missing or unreadable file reads as empty.
    explicit IniFile(std::string path);
    // Takes the text as the file's content (save() still writes to `path`).
    IniFile(std::string path, std::string_view text);

    const std::string& path() const { return path_; }

    // The key's value as readString gives it; nothing when the key is missing.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback) const;
    int32_t readInteger(const std::string& section, const std::string& key, int32_t fallback) const;
    // The keys of a section in file order, each with its value as readString gives it.
    std::vector<std::pair<std::string, std::string>> readSectionValues(const std::string& section) const;
    bool sectionExists(const std::string& section) const;

    // False when the name or value cannot be stored in a line of the file.
    bool writeString(const std::string& section, const std::string& key, const std::string& value);
    bool writeInteger(const std::string& section, const std::string& key, int32_t value);
    void eraseSection(const std::string& section);
    void addSection(const std::string& section);

    // Writes the file (CR LF line ends); false, with lastError() set, on failure.
    bool save() const;

    // The longest value that reading returns; longer ones are cut.
    static constexpr size_t kMaxValueLength = 2047;

private:
    void parse(std::string_view text);
    // Index of the section's heading line, or npos.
    size_t findSection(const std::string& section) const;
    // One past the last line of the section that starts at `heading`.
    size_t sectionEnd(size_t heading) const;
    size_t findKey(size_t heading, const std::string& key) const;

    std::string path_;
    std::vector<std::string> lines_;
};

// The integer rule of the profile functions: optional sign, decimal or "$" /
// "0x" hexadecimal, nothing else; false for any other text or an overflow.
bool parseProfileInteger(const std::string& text, int32_t& value);

}  // namespace dm::platform
