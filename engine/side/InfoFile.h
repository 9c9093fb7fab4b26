// Reading the information file (see InfoExport.h for what it holds): read in
// place of the folder it describes, counted as a listing of it is.
#pragma once

#include <cstdio>
#include <string>

#include "engine/side/Element.h"
#include "engine/side/ListingSink.h"

namespace dm {

// Deepest nesting of blocks a file may have; deeper files are refused.
constexpr int kMaxInfoDepth = 2048;

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
