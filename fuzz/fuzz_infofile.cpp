// The information-file reader on arbitrary bytes, whole and by sub-path.
#include <cstdio>
#include <string>

#include "engine/side/InfoFile.h"
#include "engine/side/ListingSink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const std::string& subPath : {std::string(), text.substr(0, text.find('\n'))}) {
        std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
        if (!file) return 0;
        dm::element_t root;
        std::string error;
        dm::ListingSink sink({});
        dm::readInfoBlock(sink, root, file, error, subPath);
        std::fclose(file);
    }
    return 0;
}
