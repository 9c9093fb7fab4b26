#include "config/FilterFile.h"

#include "config/Dmodule.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

namespace dm {

namespace {

StringList sectionLines(const platform::IniFile& ini, const char* section)
{
    StringList lines;
    for (const auto& [key, value] : ini.readSectionValues(section)) {
        if (!value.empty()) lines.push_back(key + "=" + value);
    }
    TDM::StripKeys(lines);
    return lines;
}

bool writeList(platform::IniFile& ini, const char* section, const StringList& list)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (!ini.writeString(section, std::to_string(i), list[i])) return false;
    }
    return true;
}

}  // namespace

StringList memoLines(const std::string& text)
{
    StringList lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string memoText(const StringList& lines, std::string_view lineEnd)
{
    std::string text;
    for (const std::string& line : lines) (text += line) += lineEnd;
    return text;
}

StringList compareListFrom(const StringList& lines)
{
    if (lines.empty()) return everyPath();
    return lines;
}

void setFilters(TDM& dm, const StringList& compared, const StringList& leftOut)
{
    dm.DoCompareList = compareListFrom(compared);
    dm.NotUpdateList = leftOut;
}

namespace {
void listsFrom(const platform::IniFile& ini, StringList& doCompare, StringList& notUpdate)
{
    notUpdate = sectionLines(ini, "NotUpdate");
    doCompare = sectionLines(ini, "DoCompare");
}
}  // namespace

void loadFilterFile(const std::string& path, StringList& doCompare, StringList& notUpdate)
{
    listsFrom(platform::IniFile(path), doCompare, notUpdate);
}

void filterListsFromText(std::string_view text, StringList& doCompare, StringList& notUpdate)
{
    listsFrom(platform::IniFile({}, text), doCompare, notUpdate);
}

bool saveFilterFile(const std::string& path, const StringList& doCompare, const StringList& notUpdate,
                    std::string& error)
{
    platform::IniFile ini(path);
    ini.eraseSection("NotUpdate");
    ini.eraseSection("DoCompare");
    if (!writeList(ini, "NotUpdate", notUpdate) || !writeList(ini, "DoCompare", doCompare) || !ini.save()) {
        error = "Unable to write to " + path;
        return false;
    }
    return true;
}

}  // namespace dm
