// The "last error" of the calling thread, as the platform calls leave it.
#pragma once

#include <string>

namespace dm::platform {

// The error code of the last failing platform call on this thread.
int lastError();
void setLastError(int code);

// The system's description of an error code ("" when it has none).
std::string systemMessage(int code);

}  // namespace dm::platform
