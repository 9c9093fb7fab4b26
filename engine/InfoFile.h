// The information file: a plain-text description of a scanned tree that can
// stand in for a folder. Blocks of BEGIN / six-line records / END, CR LF ends.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "engine/Element.h"
#include "engine/ListingSink.h"

namespace dm {

class dirCompare;

// Where the text of an information file goes; false when it cannot be written.
using InfoSink = std::function<bool(std::string_view)>;

// Deepest nesting of blocks a file may have; deeper files are refused.
constexpr int kMaxInfoDepth = 2048;

// Writes the children of `root` (and everything listed below them). The file
// is replaced only when all of it was written.
bool exportInfoFile(const dirCompare& comp, const std::string& fileName, std::string& error, const element_t& root);
// The same text, as it is made, to any sink (a pipe to another machine).
bool writeInfo(const dirCompare& comp, const InfoSink& sink, std::string& error, const element_t& root);

// The path written for an item: folder B's path inside it is replaced by folder A's.
std::string infoPathOf(const dirCompare& comp, const std::string& path);

// Fills `target`'s children from the file: the first block, or with a
// sub-path the first block after a line equal to it. Like a scan, reading
// counts entries and stops (successfully) at the sink's limit.
// `timeStep`, where given: the step of the described folder's times (1 where
// the file does not say: an older file's times compare as they always did).
bool readInfoFile(ListingSink& sink, element_t& target, const std::string& fileName, std::string& error,
                  const std::string& subPath, uint64_t* timeStep = nullptr);
// The folder a file describes: that of its first record. False, with why,
// where it cannot be read or holds no record.
bool folderOfInfoFile(const std::string& fileName, std::string& folder, std::string& error);

// `strict`: a block must be there and end with its END (a stream from
// another program, which may stop at any point).
bool readInfoBlock(ListingSink& sink, element_t& element, std::FILE* file, std::string& error,
                   const std::string& subPath, bool strict = false, uint64_t* timeStep = nullptr);

// The eleven numbers of a record's fourth line into the first eleven words of
// the listing record; missing numbers stay 0.
bool parseNumbersLine(const std::string& line, platform::FileRecord& record, std::string& error);

}  // namespace dm
