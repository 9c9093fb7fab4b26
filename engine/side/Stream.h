// The listing stream: how one dirmatch tells another, through a remote shell,
// what a folder holds (and the digests of files it was asked for). Binary and
// exact: any name a file system can hold, every field of the record, errors
// with their whole text. Written as the walk goes, read with every field
// checked. The information file stays the format people keep.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Contents.h"
#include "platform/TimeStep.h"

namespace dm {

class ListingSink;
struct ListingScope;
struct element_t;

// What this build writes and reads; a peer asked for another says so.
constexpr uint32_t kStreamVersion = 2;

// Where the stream goes; false when it can no longer be written.
using StreamSink = std::function<bool(std::string_view)>;

// Writes the stream of folder `folder` (as its owner gives it) to `sink`,
// listed as `scope` says (with `leaveOut`, folders below it, '/' between
// names, that are no items of it): each folder's items leave as soon as the
// folder is listed. A folder below it that cannot be listed is reported with
// its reason and the walk goes on. False (error set) where the stream could
// not be written. What the folder's file system keeps goes first (measured on
// a temporary file where the system does not say and the scope may write).
bool writeListingStream(const std::string& folder, ListingScope scope, const std::vector<std::string>& leaveOut,
                        const std::string& versionCachePath, const StreamSink& sink, std::string& error);

// Writes the digests of the files named in `paths` (relative to `folder`,
// each one plain name after another, '/' between), one per path in order:
// its digest or why it could not be read.
bool writeDigestStream(const std::string& folder, const std::vector<std::string>& paths, const StreamSink& sink,
                       const platform::ContentReading& reading);

// A stream that says only that this side failed, and why.
bool writeStreamFailure(const StreamSink& sink, const std::string& why);

// What the peer's stream said of its failure: nothing at all, a version this
// side cannot speak, or its own words on what went wrong.
struct StreamFault {
    bool silent = true;                     // not a byte arrived
    uint32_t peerVersion = kStreamVersion;  // the version the peer said it speaks
    std::string peerError;                  // what the peer said went wrong, in its words
};

// Fills `node` (the folder the peer was asked for) from the stream, counting
// entries as a scan does and stopping at the sink's limit. A folder the
// peer could not list is offered to the sink to skip. False, with
// the error and what the peer said, when the stream is broken or reports a failure.
// `media`: what the peer said of its folder's file system.
bool readListingStream(ListingSink& sink, element_t& node, std::FILE* in, platform::FolderMedia& media,
                       std::string& error, StreamFault& fault);

// One digest asked for: read, or why not.
struct DigestAnswer {
    bool read = false;
    platform::FileDigest digest;
    std::string why;
};

// The digest of one file here (listed with `size` bytes); `stopped` where
// the reading was asked to stop.
DigestAnswer digestOf(const std::string& path, uint64_t size, const platform::ContentReading& reading, bool& stopped);

// The answers to `count` paths, in their order.
bool readDigestStream(std::FILE* in, size_t count, std::vector<DigestAnswer>& answers, std::string& error,
                      StreamFault& fault);

}  // namespace dm
