// The two filter lists outside the data module: filter files ([NotUpdate] and
// [DoCompare], keys "0", "1", … in list order) and the lines of an edit box.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/StringList.h"

namespace dm {

class TDM;

// The lines of a multi-line text: split at line breaks, a final empty piece
// dropped. "" has no line; "\n" has one empty line.
StringList memoLines(const std::string& text);

// The text of an edit box holding these lines, each ended by `lineEnd`.
std::string memoText(const StringList& lines, std::string_view lineEnd = "\n");

// The compare list made from the edit box's lines: never empty, the separator
// alone standing for "every path".
StringList compareListFrom(const StringList& lines);

// The filters a dialog was given, kept as the settings: the paths compared
// (as compareListFrom makes them) and those left out.
void setFilters(TDM& dm, const StringList& compared, const StringList& leftOut);

// Reads both lists from a filter file; a missing or unreadable file gives two
// empty lists. Empty values are skipped; values lose blanks and quotes.
void loadFilterFile(const std::string& path, StringList& doCompare, StringList& notUpdate);
// The same from the text of a filter file.
void filterListsFromText(std::string_view text, StringList& doCompare, StringList& notUpdate);

// Replaces both sections of the file (others stay); false with an error text.
bool saveFilterFile(const std::string& path, const StringList& doCompare, const StringList& notUpdate,
                    std::string& error);

}  // namespace dm
