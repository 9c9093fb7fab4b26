// The filter-file reader on arbitrary text.
#include "config/FilterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dm::StringList compare;
    dm::StringList exclude;
    dm::filterListsFromText(std::string_view(reinterpret_cast<const char*>(data), size), compare, exclude);
    dm::memoLines(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
