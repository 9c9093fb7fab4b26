// What arrives through a pipe from another program or machine, for the
// folder "/A/": the listing stream, the digest stream, or an information file
// read strictly (the first byte chooses).
#include <cstdio>
#include <string>

#include "engine/side/InfoFile.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Stream.h"

namespace {

// Every folder the other side could not list is skipped, so the walk goes on.
class SkippingSink : public dm::ListingSink {
public:
    SkippingSink() : ListingSink({}) {}

protected:
    bool mayskip(const std::string&, const std::string&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    if (!file) return 0;
    dm::element_t root;
    root.path = "/A/";
    root.isFolder = 1;
    std::string error;
    dm::StreamFault fault;
    dm::platform::FolderMedia media;
    std::vector<dm::DigestAnswer> answers;
    SkippingSink sink;
    switch (data[0] % 3) {
        case 0: dm::readInfoBlock(sink, root, file, error, {}, true); break;
        case 1: dm::readListingStream(sink, root, file, media, error, fault); break;
        case 2: dm::readDigestStream(file, 3, answers, error, fault); break;
    }
    std::fclose(file);
    return 0;
}
