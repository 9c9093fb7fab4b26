// The version reader of Windows executables on arbitrary bytes.
#include <vector>

#include "platform/PeVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact copy, so that reading past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    dm::platform::parsePeVersion(bytes.data(), bytes.size());
    return 0;
}
