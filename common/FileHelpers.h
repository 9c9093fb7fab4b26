// Small file helpers shared by the engine and the windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PeVersion.h"

namespace dm {

// The text, " : " and the system's description of the last platform error.
// Call it right after the failing call, before anything else can fail.
std::string systemErrorText(const std::string& text);

// The text as the program writes text files: every line feed as CR LF.
std::string withCrLf(std::string_view text);

// Copies one file or one folder (with its content) to `target`, the path of the
// copy itself: no questions, missing folders created, an old file replaced only
// by a complete new one. 0 on success, a non-zero code on any failure.
int shellCopy(const std::string& source, const std::string& target);

// Size of the file at the path; 0 when there is nothing there.
uint64_t fileSize(const std::string& path);

// "major.minor.build.revision" of an executable, or the no-version text.
std::string fileVersionText(const std::string& path);
std::string versionText(const std::optional<platform::FileVersion>& version);

}  // namespace dm
