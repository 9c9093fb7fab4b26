// Time texts as the details grid shows them: "2005-3-7  9:5:3.0".
#pragma once

#include <string>

#include "platform/FindData.h"

namespace dm {

std::string timeText(const platform::SYSTEMTIME& t);

// timeText of a file time after conversion to local time.
std::string localTimeText(const platform::FILETIME& utc);

}  // namespace dm
