// The strict reader of a description arriving through a pipe (from another
// machine, or another program), for the folder "/A/".
#include <cstdio>
#include <string>

#include "engine/Comp.h"
#include "engine/InfoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static dm::dirCompare comp("/", "/", nullptr, {"/"}, {}, 255);
    std::string text(reinterpret_cast<const char*>(data), size);
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    if (!file) return 0;
    dm::element_t root;
    root.path = "/A/";
    std::string error;
    dm::readInfoBlock(comp, root, file, error, {}, true);
    std::fclose(file);
    return 0;
}
