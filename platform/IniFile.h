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
#include <unordered_map>
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
    // One section: its heading line and the lines below it, with its keys
    // indexed, so that reading and writing stay cheap however long it grows.
    struct Section {
        std::optional<std::string> heading;  // none for the lines before the first heading
        std::vector<std::string> lines;
        std::unordered_map<std::string, size_t> keys;  // upper-cased key -> its first line

        void index(size_t line);
    };

    void parse(std::string_view text);
    void indexSections();
    const Section* find(const std::string& section) const;

    std::string path_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> named_;  // upper-cased name -> its first section
};

// The integer rule of the profile functions: optional sign, decimal or "$" /
// "0x" hexadecimal, nothing else; false for any other text or an overflow.
bool parseProfileInteger(const std::string& text, int32_t& value);

}  // namespace dm::platform
