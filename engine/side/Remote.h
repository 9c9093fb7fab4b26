// Folders on another machine: read through a remote shell running dirmatch
// there, its listing stream (and the digests of files) arriving through a
// pipe; copied to or from with rsync over the same shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/ComparisonRequest.h"

namespace dm {

struct RemoteFolder {
    std::string host;  // HOST or USER@HOST ("[::1]" is kept as "::1")
    std::string path;  // as the other machine spells it
};

// HOST:PATH or USER@HOST:PATH, as rsync reads them: a colon before any slash
// ("[::1]:PATH" for an address with colons). "./a:b" and "/x/a:b" are local,
// and so is a drive letter ("C:\x") on Windows.
std::optional<RemoteFolder> remoteFolderOf(const std::string& side);

// Why a host must not be handed to the remote shell (it would read as an
// option, or split into words); empty when it may.
std::string refusedHost(const std::string& host);

// A word quoted for the POSIX shell that runs commands on the other machine.
std::string shellQuoted(const std::string& word);

// The remote shell's words as they are run, for reading and for rsync alike:
// ssh never waits long for an answer, nor prompts where nobody can answer.
std::vector<std::string> shellWords(const RemoteAccess& access);

}  // namespace dm
