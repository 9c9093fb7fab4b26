// The other machine's half of a comparison with a folder there: what the
// comparing dirmatch reads through the remote shell.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>

#include "cli/Commands.h"
#include "common/Messages.h"
#include "engine/side/Stream.h"
#include "engine/workflow/Workflow.h"
#include "platform/Console.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

bool toStandardOutput(std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

// The requests on the standard input, each ended by a NUL byte.
std::vector<std::string> requests()
{
    std::vector<std::string> list;
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        list.push_back(text.substr(start, end - start));
    return list;
}

}  // namespace

int runStream(const StreamArgs& args)
{
    platform::useBinaryStandardStreams();
    if (args.protocol != kStreamVersion) {
        const std::string why = textIn("这个 dirmatch 的数据流版本为 ", "this dirmatch speaks stream version ") +
                                std::to_string(kStreamVersion) + textIn(", 不是 ", ", not ") +
                                std::to_string(args.protocol);
        return writeStreamFailure(toStandardOutput, why) ? ExitSame : ExitError;
    }
    if (args.digests) return writeDigestStream(args.folder, requests(), toStandardOutput, {}) ? ExitSame : ExitError;
    ComparisonRequest request;
    request.folderA = args.folder;
    request.include = args.include.empty() ? everyPath() : args.include;
    request.exclude = args.exclude;
    uint8_t options = kAllOptions;
    if (args.noVersions) options &= uint8_t(~optVersion);
    if (args.noSubFolders) options &= uint8_t(~optSubFolders);
    request.options = options;
    request.maxEntries = args.maxEntries;
    request.versionCachePath = versionCacheFor(args.noCache);
    const auto made = newComparison(request, nullptr);
    dirCompare& comp = *made;
    for (std::string folder : args.leaveOut) {
        std::replace(folder.begin(), folder.end(), '/', platform::kSeparator);
        comp.leftOutOfA.push_back(comp.pathA + folder + platform::kSeparator);
    }
    std::string error;
    if (writeListingStream(comp, args.folder, args.mayWrite, toStandardOutput, error)) return ExitSame;
    std::cerr << "dirmatch: " << error << std::endl;
    return ExitError;
}

}  // namespace dm::cli
