// The ordered list of byte strings that settings, filters and details use.
#pragma once

#include <string>
#include <vector>

namespace dm {

using StringList = std::vector<std::string>;

}  // namespace dm
