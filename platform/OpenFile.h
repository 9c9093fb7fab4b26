// Opening a file with the C library, with a failure's cause left as lastError().
#pragma once

#include <cstdio>
#include <string>

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode);

}  // namespace dm::platform
