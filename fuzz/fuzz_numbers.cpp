// The numbers line of an information-file record on arbitrary text.
#include <string>

#include "engine/side/InfoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dm::platform::WIN32_FIND_DATA record;
    std::string error;
    dm::parseNumbersLine(std::string(reinterpret_cast<const char*>(data), size), record, error);
    return 0;
}
