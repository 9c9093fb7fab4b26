// The program's append-only log of failures.
#pragma once

#include <cstdint>
#include <string>

namespace dm {

constexpr uint64_t MaxLogSize = 50000000;

// Appends one dated entry; a log that has reached MaxLogSize is started anew.
// Failures are silent: logging must never stop the caller.
void writeLog(const std::string& message, const std::string& logPath);

}  // namespace dm
