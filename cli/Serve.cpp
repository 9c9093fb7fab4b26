// The other machine's half of a comparison with a folder there: what the
// comparing dirmatch reads through the remote shell.
#include <cstdio>
#include <iostream>
#include <iterator>

#include "cli/Commands.h"
#include "common/Messages.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Stream.h"
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
    ListingScope scope;
    scope.limit = args.maxEntries;
    scope.subFolders = !args.noSubFolders;
    scope.versions = !args.noVersions;
    scope.mayWrite = args.mayWrite;
    if (!args.include.empty()) scope.include = args.include;
    scope.exclude = args.exclude;
    std::string error;
    if (writeListingStream(args.folder, scope, args.leaveOut, versionCacheFor(args.noCache), toStandardOutput, error))
        return ExitSame;
    std::cerr << "dirmatch: " << error << std::endl;
    return ExitError;
}

}  // namespace dm::cli
