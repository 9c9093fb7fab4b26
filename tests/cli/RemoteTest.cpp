// Folders on another machine: through a stand-in remote shell that runs the
// command here, and once through a real sshd on the loopback address.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "common/Messages.h"
#include "engine/sync/Sync.h"
#include "tests/support/Compare.h"
#include "tests/support/Faults.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/Terminal.h"

extern char** environ;

namespace dm {
namespace {

using test::Outcome;
using test::TempDir;

std::string q(const std::string& text)
{
    return test::quoted(text);
}

Outcome dirmatch(const std::string& arguments, const std::string& input = {})
{
    return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en", input);
}

const std::string kScripts = std::string(DIRMATCH_SOURCE_DIR) + "/tests/support/remote/";

class Remote : public ::testing::Test {
protected:
    // The options that reach "another machine" through `shell`, running `program` there.
    static std::string through(const std::string& shell, const std::string& program = DIRMATCH_BINARY)
    {
        return " --rsh " + q(shell) + " --remote-dirmatch " + q(program);
    }

    std::string script(const std::string& name, const std::string& body)
    {
        const std::string path = dir.file(name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::string standIn = through(kScripts + "local-rsh");
};

TEST_F(Remote, ASideOnAnotherMachineGivesTheResultOfTheFolderItselfByteForByte)
{
    dir.lay({{"A/same", "1"},
             {"B/same", "1"},
             {"A/sub/new", "2"},
             {"A/differs", "12"},
             {"B/differs", "123"},
             {"B/extra", "3"}});
    dir.file("A/tool.exe", test::peWithVersion(1, 1, 0, 14), test::kTime);
    dir.file("B/tool.exe", test::peWithVersion(1, 1, 0, 15), test::kTime);
    // Every field, versions included, whatever the rules read.
    for (const char* rules : {"", " --rules size,time", " --rules version,subdirs", " --rules none"}) {
        const Outcome local = dirmatch("compare " + q(a) + " " + q(b) + " --json --all" + rules);
        for (const std::string& sides : {q(a) + " " + q("host:" + b), q("user@host:" + a) + " " + q(b)}) {
            const Outcome remote = dirmatch("compare " + sides + " --json --all" + rules + standIn);
            EXPECT_EQ(remote.code, local.code) << remote.err;
            EXPECT_EQ(remote.out, local.out) << sides << rules;
        }
    }
    const Outcome local = dirmatch("compare " + q(a) + " " + q(b) + " --json --all");

    // The same through the pipes of a script: export to the standard output, read from the standard input.
    const Outcome exported = dirmatch("export " + q(b) + " -o -");
    ASSERT_EQ(exported.code, 0);
    const Outcome piped = dirmatch("compare " + q(a) + " " + q(b) + " --json --all --info-b -", exported.out);
    EXPECT_EQ(piped.out, local.out);
    // Read from a file or the standard input, it describes its own folder, whatever B is named.
    const std::string file = dir.file("b.dat", exported.out);
    const Outcome named = dirmatch("compare " + q(a) + " elsewhere --info-b " + q(file));
    EXPECT_EQ(dirmatch("compare " + q(a) + " elsewhere --info-b -", exported.out).out, named.out);
    EXPECT_EQ(named.code, local.code) << named.err;
}

TEST_F(Remote, EveryNameCrossesExactlyAndContentThatDiffersOnlyInBytesIsFoundByDigest)
{
    const std::vector<std::string> names = {"trail ", "tab\t", "END", "BEGIN", "line\nbreak", " lead"};
    for (const std::string& name : names) {
        dir.file("A/" + name, "new");
        dir.file("B/" + name, "old");  // same size, same time: only the bytes differ
    }
    dir.file("A/sub/same", "same");
    dir.file("B/sub/same", "same");
    const Outcome local = dirmatch("compare " + q(a) + " " + q(b) + " --json --all");
    EXPECT_EQ(local.code, 0) << local.err;
    for (const std::string& sides : {q(a) + " " + q("host:" + b), q("host:" + a) + " " + q(b)}) {
        const Outcome remote = dirmatch("compare " + sides + " --json --all" + standIn);
        EXPECT_EQ(remote.out, local.out) << sides << remote.err;

        const Outcome content = dirmatch("compare " + sides + " --rules size,time,content,subdirs --json" + standIn);
        EXPECT_EQ(content.code, 1) << content.err;
        EXPECT_NE(content.err.find("pairs whose content was compared by XXH3-128 digests: 7"), std::string::npos)
            << content.err;
        size_t byDigest = 0;
        for (size_t at = 0; (at = content.out.find("\"byDigest\": 1", at)) != std::string::npos; ++at) ++byDigest;
        EXPECT_EQ(byDigest, names.size() + 1) << "each pair compared so says it";
    }

    const Outcome to =
        dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes --rules size,time,content,subdirs" + standIn);
    EXPECT_NE(to.out.find("copied 6, failed 0, skipped 0"), std::string::npos) << to.out << to.err;
    for (const std::string& name : names) EXPECT_EQ(dir.read("B/" + name), "new") << name;
    const std::string c = dir.folder("C");
    const Outcome from = dirmatch("sync " + q("host:" + a) + " " + q(c) + " --yes" + standIn);
    EXPECT_EQ(from.code, 0) << from.out << from.err;
    for (const std::string& name : names) EXPECT_EQ(dir.read("C/" + name), "new") << name;
}

TEST_F(Remote, SynchronizingWithAnotherMachineCopiesWhatALocalSyncWouldAndDeletesNothing)
{
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}, {"A/sub/y", "2"}, {"B/only", "B's own"}});
    const bool caseApart = dir.keepsNamesApartByCase();
    if (caseApart) dir.lay({{"A/Readme", "new text"}, {"B/README", "old"}});
    const Outcome to = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + standIn);
    EXPECT_EQ(to.code, 0) << to.err;  // B holds all A holds, and keeps its own item
    EXPECT_NE(to.out.find(caseApart ? "copied 3, failed 0, skipped 0" : "copied 2, failed 0, skipped 0"),
              std::string::npos)
        << to.out;
    EXPECT_EQ(dir.read("B/x"), "new");
    EXPECT_EQ(dir.read("B/sub/y"), "2");
    EXPECT_EQ(dir.read("B/only"), "B's own");
    if (caseApart) {
        EXPECT_EQ(dir.read("B/README"), "new text");  // written under B's name
        EXPECT_FALSE(dir.exists("B/Readme"));
    }

    const std::string c = dir.folder("C");
    const Outcome from = dirmatch("sync " + q("host:" + a) + " " + q(c) + " --yes" + standIn);
    EXPECT_EQ(from.code, 0) << from.err;
    EXPECT_EQ(dir.read("C/sub/y"), "2");
}

// An excluded item is never copied, also where it lies in a folder B lacks
// (copied in one step), whichever copier carries it; a name with rsync's
// wildcards in it leaves out that name alone.
TEST_F(Remote, WhatIsExcludedStaysBehindInAFolderBLacksWhateverCopiesIt)
{
    for (const std::string& target : {b, "host:" + b}) {
        SCOPED_TRACE(target);
        std::filesystem::remove_all(b);
        dir.lay({{"A/new/conf/app.ini", "secret"},
                 {"A/new/conf/[x]*.ini", "secret"},
                 {"A/new/conf/[x]*.txt", "kept"},
                 {"A/new/data", "1"},
                 {"A/Old/new/app.ini", "secret"},
                 {"A/Old/new/data", "2"},
                 {"B/old/.keep", ""}});
        const Outcome run = dirmatch("sync " + q(a) + " " + q(target) + " --exclude .ini --yes" + standIn);
        EXPECT_EQ(run.code, 0) << run.out << run.err;
        EXPECT_EQ(dir.read("B/new/data"), "1");
        EXPECT_EQ(dir.read("B/new/conf/[x]*.txt"), "kept");
        EXPECT_EQ(dir.read("B/old/new/data"), "2");  // a folder B spells otherwise is copied on its own
        for (const char* excluded : {"B/new/conf/app.ini", "B/new/conf/[x]*.ini", "B/old/new/app.ini"})
            EXPECT_FALSE(dir.exists(excluded)) << excluded;
    }
}

// Which items a listing takes is decided once, whatever holds the side: a
// folder here, its information file, or a folder on another machine.
TEST_F(Remote, OneTreeGivesOneAnswerWithFiltersALimitOrNoSubFoldersWhateverHoldsEachSide)
{
    dir.lay({{"A/f", "1"}, {"B/f", "1"}, {"A/sub/g", "2"}, {"B/sub/g", "2"}});
    for (int i = 0; i < 20; ++i) dir.lay({{"A/skipme/a" + std::to_string(i), "x"}, {"B/skipme/b" + std::to_string(i)}});
    const std::string info = dir / "A.dat";
    ASSERT_EQ(dirmatch("export " + q(a) + " -o " + q(info)).code, 0);
    const std::string holders[] = {
        q(a) + " " + q(b),
        "--info-a " + q(info) + " " + q(b),
        q("host:" + a) + " " + q(b),
        q(a) + " " + q("host:" + b),
    };
    for (const char* options : {" --exclude skipme", " --rules size,time"}) {
        for (const std::string& sides : holders) {
            const Outcome run = dirmatch("compare " + sides + options + " --max-entries 10" + standIn);
            EXPECT_EQ(run.code, 0) << sides << options << ": " << run.out << run.err;
        }
    }
}

// A sync to another machine lists B once before the copy and once after; the
// other machine is told what the listing leaves out, and never sends it.
TEST_F(Remote, ASyncOverThereListsBTwiceAndNeverSendsWhatIsLeftOut)
{
    dir.lay({{"A/f", "new"}, {"B/f", "older"}});
    for (int i = 0; i < 20; ++i) dir.lay({{"B/skipme/unsent" + std::to_string(i), "x"}, {"B/.bk/old/kept", "x"}});
    const std::string sent = dir / "sent";
    const std::string logging =
        script("logging-rsh", "shift\necho \"$*\" >> " + q(dir / "calls") + "\nsh -c \"$*\" | tee -a " + q(sent));
    const Outcome run = dirmatch("sync " + q(a) + " " + q("host:" + b) +
                                 " --exclude skipme --backup-dir .bk --max-entries 12 --yes" + through(logging));
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_EQ(dir.read("B/f"), "new");
    std::ifstream calls(dir / "calls");
    int listings = 0;
    for (std::string line; std::getline(calls, line);) listings += line.find(" stream ") != std::string::npos;
    EXPECT_EQ(listings, 2);
    const std::string bytes = dir.read("sent");
    EXPECT_EQ(bytes.find("unsent"), std::string::npos);
    EXPECT_EQ(bytes.find("kept"), std::string::npos);
}

TEST_F(Remote, WhatGoesWrongOverThereIsSaidInItsOwnWordsAndNothingIsCopied)
{
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}});
    const std::string file = dir.file("plain-file");
    const std::string garbage = script("garbage", "echo 'this is not an information file'");
    // What a dirmatch without the stream says, and one that speaks an older version of it.
    const std::string older = script("older", "echo 'dirmatch: A subcommand is required' >&2; exit 2");
    const std::string olderStream = script("older-stream", "printf '\\177DMS\\000'");
    const std::string halfway = script("halfway", std::string("'") + DIRMATCH_BINARY + "' \"$@\" | head -c 30");
    struct Case {
        const char* what;
        std::string sides;
        std::string options;
        std::string said;
    };
    const Case cases[] = {
        {"a path that is a file", q(a) + " " + q("host:" + file), standIn, "no such folder: " + file},
        {"no dirmatch there", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", "/nowhere/dirmatch"),
         "--remote-dirmatch"},
        {"garbage", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", garbage),
         "host:" + b + "/: invalid stream: it does not begin as one"},
        {"an older dirmatch", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", older),
         "upgrade dirmatch on host (dirmatch: A subcommand is required)"},
        {"an older stream", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", olderStream),
         "upgrade dirmatch on host (the other side speaks stream version 0, this one needs 2)"},
        {"stopped halfway", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", halfway), "host:" + b},
        {"a host that does not resolve", q(a) + " " + q("nohost.invalid:" + b),
         through("ssh -F /dev/null -o BatchMode=yes -o ConnectTimeout=3"), "cannot reach nohost.invalid"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"compare ", "sync --yes "}) {
            const Outcome run = dirmatch(command + c.sides + c.options);
            EXPECT_EQ(run.code, 2) << c.what << ": " << run.out;
            EXPECT_NE(run.err.find(c.said), std::string::npos) << c.what << ": " << run.err;
        }
        EXPECT_EQ(dir.read("B/x"), "old!") << c.what;
    }
}

TEST_F(Remote, AFolderOverThereWhoseNameBeginsWithADashIsAFolderNotAnOption)
{
    dir.lay({{"A/x", "new"}, {"-B/x", "old!"}});
    const std::string inDir = script("in-dir", "shift\ncd " + q(dir / "") + " || exit 1\nexec sh -c \"$*\"");
    const Outcome run = dirmatch("compare " + q(a) + " host:-B" + through(inDir));
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.out.find("* x"), std::string::npos) << run.out;
}

TEST_F(Remote, ASideThatFailsAtOnceEndsTheWaitForTheOtherMachine)
{
    // Host "down" fails at once; any other answers after ten minutes.
    const std::string shell = script("down-or-slow",
                                     "[ \"$1\" = down ] && { echo 'no route to host' >&2; exit 3; }\nsleep 600\nshift\n"
                                     "exec sh -c \"$*\"");
    const auto start = std::chrono::steady_clock::now();
    const Outcome run = dirmatch("compare " + q("down:" + a) + " " + q("slow:" + b) + through(shell));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("no route to host"), std::string::npos) << "A's failure is the run's: " << run.err;
    EXPECT_LT(seconds, 60.0) << "the run waited for the other machine";
}

// The bytes of a listing stream: its opening, then the records given.
std::string listingStream(const std::string& records)
{
    return std::string(
               "\x7f"
               "DMS\x02",
               5) +
           records;
}

// An item record of the current folder (names under 128 bytes), every number 0.
std::string item(const std::string& name, bool folder)
{
    return std::string("E") + char(folder ? 1 : 0) + '\0' + char(name.size()) + name + std::string(7, '\0');
}

TEST_F(Remote, AHostileStreamFromAnotherMachineCannotReachOutsideB)
{
    dir.lay({{"B/keep", "B's"}});
    // A "remote dirmatch" that describes a folder "zz" holding "..": B's parent.
    const std::string bytes = listingStream(std::string("B\0", 2) + item("zz", true) + std::string("B\1", 2) +
                                            item("..", true) + std::string("Z\0", 2));
    dir.file("hostile.bin", bytes);
    const std::string hostile = script("hostile", "cat " + q(dir / "hostile.bin"));
    for (const char* command : {"compare ", "sync --yes "}) {
        const Outcome run = dirmatch(command + q("host:" + a) + " " + q(b) + through(kScripts + "local-rsh", hostile));
        EXPECT_EQ(run.code, 2) << run.out;
        EXPECT_NE(run.err.find("invalid stream: an invalid name: " + a + "/zz/.."), std::string::npos) << run.err;
    }
    std::set<std::string> beside;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) beside.insert(e.path().filename().string());
    EXPECT_EQ(beside, (std::set<std::string>{"A", "B", "hostile", "hostile.bin"}));
    EXPECT_EQ(dir.read("B/keep"), "B's");
}

TEST_F(Remote, EveryNameRsyncCouldMisreadIsCopiedAndEachOutcomeIsWhatBHolds)
{
    const std::vector<std::string> names = {"#hash", ";semi", "--delete", "sp ace", "中文.txt"};
    for (const std::string& name : names) dir.file("A/" + name, "new " + name, test::kTime + 10);
    dir.file("B/#hash", "old");
    dir.file("A/sub/x", "new", test::kTime + 10);
    dir.file("B/sub/x", "old");
    dir.file("A/a", "new", test::kTime + 10);
    dir.file("B/a", "old");
    const bool immutable = test::setImmutable(b + "/sub", true);
    // The remote shell's path holds a space, given with a backslash, as a shell would take it.
    const std::string shell = dir.folder("rsh dir") + "/local-rsh";
    std::filesystem::copy_file(kScripts + "local-rsh", shell);
    const std::string escaped = dir / "rsh\\ dir/local-rsh";
    const auto prior = test::setVariable("LANG", std::string("C"));
    const Outcome run = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + through(escaped));
    test::setVariable("LANG", prior);
    if (immutable) test::setImmutable(b + "/sub", false);
    for (const std::string& name : names) EXPECT_EQ(dir.read("B/" + name), "new " + name) << run.out << run.err;
    EXPECT_EQ(dir.read("B/a"), "new");
    if (immutable) {
        EXPECT_EQ(dir.read("B/sub/x"), "old");
        EXPECT_NE(run.out.find("copied 6, failed 1, skipped 0"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("failed: " + b + "/sub/x: "), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("failed: " + b + "/a"), std::string::npos) << run.out;
        EXPECT_EQ(run.code, 2);
    } else {
        EXPECT_NE(run.out.find("copied 7, failed 0, skipped 0"), std::string::npos) << run.out;
    }

    // A line break, in a name or in B's own path: written there, not beside.
    dir.file("C/line\nbreak", "new");
    const std::string odd = dir.folder("B\nodd");
    const Outcome into = dirmatch("sync " + q(dir / "C") + " " + q("host:" + odd) + " --yes" + standIn);
    EXPECT_EQ(dir.read("B\nodd/line\nbreak"), "new") << into.out << into.err;
    EXPECT_NE(into.out.find("copied 1, failed 0, skipped 0"), std::string::npos) << into.out;
    EXPECT_FALSE(dir.exists("B_odd"));
}

TEST_F(Remote, AnyCharacterInTheRemotePathReachesTheOtherShellQuotedAndTheLimitIsTheLimit)
{
    const std::string odd = dir.folder("it's $(touch pwned); `touch pwned2` \"x\"");
    for (int i = 0; i < 10; ++i)
        dir.file(std::string(std::filesystem::path(odd).filename()) + "/f" + std::to_string(i));
    for (int i = 0; i < 10; ++i) dir.file("A/f" + std::to_string(i));
    const Outcome local = dirmatch("compare " + q(a) + " " + q(odd) + " --json --all");
    const Outcome remote = dirmatch("compare " + q(a) + " " + q("host:" + odd) + " --json --all" + standIn);
    EXPECT_EQ(remote.code, 0) << remote.err;
    EXPECT_EQ(remote.out, local.out);
    EXPECT_FALSE(dir.exists("pwned") || dir.exists("A/pwned") || std::filesystem::exists("pwned"));

    // The other side stops at the same limit and says so by its exit: the limit, not an error.
    const Outcome limited = dirmatch("compare " + q(a) + " " + q("host:" + odd) + " --max-entries 5" + standIn);
    EXPECT_EQ(limited.code, 3) << limited.err;
}

TEST_F(Remote, ALackedItemThatAppearedSinceIsKeptAndAnUntickedOneIsNotSent)
{
    dir.lay({{"A/new", "from A"}, {"A/other", "from A"}, {"A/x", "new"}, {"B/x", "old!"}});
    setLanguage(English);
    ComparisonRequest request = test::request(a, "host:" + b, {test::kSep}, {}, 0x1F);
    request.remoteAccess.shell = kScripts + "local-rsh";
    request.remoteAccess.program = DIRMATCH_BINARY;
    dirCompare comp(request, nullptr);
    comp.run();
    ASSERT_EQ(comp.state, Finished) << comp.errorText;
    dir.file("B/new", "B's own, made since");
    const SyncOutcome outcome =
        synchronize(comp, syncScope(comp.results, nullptr, nullptr), {}, nullptr, {}, {comp.pathA + "other"});
    EXPECT_EQ(dir.read("B/new"), "B's own, made since");
    EXPECT_FALSE(dir.exists("B/other"));
    EXPECT_EQ(dir.read("B/x"), "new");
    EXPECT_EQ(outcome.copied, 1);
    ASSERT_EQ(outcome.skipped.size(), 2u);
    EXPECT_EQ(outcome.skipped[0].reason, "not chosen");
    EXPECT_NE(outcome.skipped[1].reason.find("B holds an item of that name now"), std::string::npos);
    setLanguage(Chinese);
}

// A remote shell or an rsync that cannot be started is named with the
// system's reason: not taken for dirmatch missing over there, nor for an exit code.
TEST_F(Remote, AProgramThatCannotBeStartedIsNamedWithItsReason)
{
    dir.file("A/f", "x");
    const Outcome noShell = dirmatch("compare " + q(a) + " " + q("host:" + b) + through("/no/such/ssh"));
    EXPECT_EQ(noShell.code, 2);
    EXPECT_NE(noShell.err.find("cannot run '/no/such/ssh': No such file or directory"), std::string::npos)
        << noShell.err;

    // A PATH with a shell and no rsync.
    std::filesystem::create_symlink("/bin/sh", dir.folder("bin") + "/sh");
    const auto path = test::setVariable("PATH", dir / "bin");
    const Outcome noRsync = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + standIn);
    test::setVariable("PATH", path);
    EXPECT_EQ(noRsync.code, 2);
    EXPECT_NE(noRsync.out.find("failed: " + b + "/f: cannot run 'rsync': No such file or directory"), std::string::npos)
        << noRsync.out << noRsync.err;
}

// B spells a folder otherwise than A: what A's folder holds lands in B's
// folder of that other spelling, a lacking folder whole, never nested in itself.
TEST_F(Remote, ItemsOfAFolderBSpellsOtherwiseLandInThatFolder)
{
    dir.lay({{"A/Docs/new.txt", "n"}, {"A/Docs/Sub/x", "x"}, {"B/docs/old.txt", "o"}});
    const Outcome run = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + standIn);
    EXPECT_EQ(run.code, 0) << run.out << run.err;  // B's own file stays
    EXPECT_EQ(dir.read("B/docs/new.txt"), "n");
    EXPECT_EQ(dir.read("B/docs/Sub/x"), "x");
    EXPECT_FALSE(dir.exists("B/docs/Sub/Sub"));
    EXPECT_FALSE(dir.exists("B/Docs"));
    EXPECT_NE(run.out.find("copied 2, failed 0, skipped 0"), std::string::npos) << run.out;
}

// A lacking folder rsync could not fill (B's disk full part way) is not
// reported copied: B is read back, and what it holds decides.
TEST_F(Remote, AFolderCopiedOnlyInPartIsReportedFailedNotCopied)
{
    const test::SmallDisk disk(b);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a memory file system here";
    dir.file("A/new/small", "s");
    dir.file("A/new/large", std::string(200000, 'l'));
    const Outcome run = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + standIn);
    EXPECT_EQ(run.code, 2) << run.out << run.err;
    EXPECT_NE(run.out.find("copied 0, failed 1, skipped 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("failed: " + b + "/new"), std::string::npos) << run.out;
}

// Where B cannot be read back after rsync failed, rsync's word is all
// there is, and it said the run failed: nothing is counted copied.
TEST_F(Remote, WhenBCannotBeReadBackAfterRsyncFailedNoItemCountsCopied)
{
    dir.lay({{"A/sub/new", "n"}, {"A/top", "t"}, {"B/sub/old", "o"}});
    if (!test::setImmutable(b + "/sub", true)) GTEST_SKIP() << "chattr is not available here";
    // dirmatch over there answers the comparison, and nothing after it.
    const std::string once = dir / "answered";
    const std::string program = script("remote-dirmatch", "[ -e " + q(once) + " ] && exit 9\ntouch " + q(once) +
                                                              "\nexec " + q(DIRMATCH_BINARY) + " \"$@\"");
    const Outcome run =
        dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + through(kScripts + "local-rsh", program));
    test::setImmutable(b + "/sub", false);
    EXPECT_EQ(run.code, 2) << run.out << run.err;
    EXPECT_NE(run.out.find("copied 0, failed 2, skipped 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("B could not be checked after copying"), std::string::npos) << run.out;
}

TEST_F(Remote, ARefusedHostRunsNothing)
{
    const std::string marker = dir / "ran";
    const std::string shell = script("shell", "touch " + q(marker));
    const Outcome run = test::runProgram(
        DIRMATCH_BINARY, "compare --lang en" + through(shell) + " -- " + q(a) + " " + q("-oProxyCommand=x:" + b));
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("refused host name"), std::string::npos) << run.err;
    EXPECT_FALSE(dir.exists("ran"));
}

// Every wait ends within moments of a stop, or of the entry limit.
TEST_F(Remote, NoWaitOutlastsAStopOrTheLimit)
{
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}});
    const auto seconds = [](auto since) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    };
    // A remote shell that never answers, stopped by SIGTERM while reading and by Ctrl-C while copying.
    const std::string silent = script("silent", "exec sleep 600");
    auto start = std::chrono::steady_clock::now();
    test::TerminalRun run = test::runOnTerminal(
        DIRMATCH_BINARY, {"compare", a, "host:" + b, "--rsh", silent, "--lang", "en"}, "host:" + b, SIGTERM);
    EXPECT_TRUE(run.signalled) << run.seen;
    EXPECT_LT(seconds(start), 60.0);  // the other side would answer in ten minutes, if ever
    EXPECT_EQ(run.exitCode, 2) << run.seen;

    const std::string pidFile = dir / "rsync.pid";
    const std::string silentCopy = script("silent-copy", "shift\ncase \"$*\" in *rsync*) echo $PPID > " + q(pidFile) +
                                                             "; exec sleep 600;; esac\nexec sh -c \"$*\"");
    start = std::chrono::steady_clock::now();
    run = test::runOnTerminal(
        DIRMATCH_BINARY,
        {"sync", a, "host:" + b, "--yes", "--rsh", silentCopy, "--remote-dirmatch", DIRMATCH_BINARY, "--lang", "en"},
        "-> host:", SIGINT);
    EXPECT_TRUE(run.signalled) << run.seen;
    EXPECT_LT(seconds(start), 60.0);  // the other side would answer in ten minutes, if ever
    EXPECT_EQ(run.exitCode, 2) << run.seen;
    EXPECT_EQ(dir.read("B/x"), "old!");
    EXPECT_EQ(test::temporariesIn(b), 0u);

    // Killed outright, it takes its rsync with it.
    std::filesystem::remove(pidFile);
    const std::vector<std::string> words = {
        DIRMATCH_BINARY, "sync", a, "host:" + b, "--yes", "--rsh", silentCopy, "--remote-dirmatch", DIRMATCH_BINARY};
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    for (int i = 0; i < 200 && !dir.exists("rsync.pid"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_TRUE(dir.exists("rsync.pid"));
    const std::string stat = "/proc/" + std::to_string(std::stoi(dir.read("rsync.pid"))) + "/stat";
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = !std::filesystem::exists(stat) || test::readFile(stat).find(") Z") != std::string::npos;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(gone) << stat << ": rsync outlived dirmatch";

    // An endless stream is read up to the limit, and its writer is not waited for.
    const std::string endless = script("endless",
                                       "printf '\\177DMS\\002B\\000'; i=0; while :; do "
                                       "printf 'E\\000\\000\\005f%04d\\000\\000\\000\\000\\000\\000\\000' $i; "
                                       "i=$(((i+1)%10000)); done");
    start = std::chrono::steady_clock::now();
    const Outcome limited = dirmatch("compare " + q(a) + " " + q("host:" + b) + " --max-entries 100" +
                                     through(kScripts + "local-rsh", endless));
    EXPECT_LT(seconds(start), 60.0);  // the other side would answer in ten minutes, if ever
    EXPECT_EQ(limited.code, 3) << limited.err;
}

// An sshd of the test's own, on 127.0.0.1, stopped at the end.
class Sshd {
public:
    explicit Sshd(const TempDir& keys) : keys_(keys)
    {
        const Outcome started = test::runProgram(kScripts + "start-sshd", q(keys.path()));
        if (started.code != 0) return;
        port_ = started.out.substr(0, started.out.find('\n'));
    }
    ~Sshd()
    {
        std::ifstream pid(keys_ / "sshd.pid");
        int number = 0;
        if (pid >> number && number > 0) kill(number, SIGTERM);
    }
    bool running() const { return !port_.empty(); }
    std::string shell() const
    {
        return "ssh -F /dev/null -p " + port_ + " -i " + keys_ / "user" +
               " -o UserKnownHostsFile=" + keys_ / "known_hosts" + " -o StrictHostKeyChecking=yes -o BatchMode=yes";
    }

private:
    const TempDir& keys_;
    std::string port_;
};

TEST_F(Remote, ThroughARealSshdOnTheLoopbackAddressBothWays)
{
    TempDir keys;
    const Sshd sshd(keys);
    if (!sshd.running()) GTEST_SKIP() << "no sshd can run here";
    const std::string user = test::runProgram("id", "-un").out;
    const std::string host = user.substr(0, user.find('\n')) + "@127.0.0.1:";
    dir.lay({{"A/x", "new"},
             {"B/x", "old!"},
             {"A/sub/y", "2"},
             {"A/END", "new"},
             {"B/END", "old"},
             {"A/tab\t", "new"},
             {"B/tab\t", "old"}});
    const std::string options = through(sshd.shell());
    const Outcome content = dirmatch("compare " + q(a) + " " + q(host + b) + " --rules size,content,subdirs" + options);
    EXPECT_EQ(content.code, 1) << content.err;
    EXPECT_NE(content.out.find("* END"), std::string::npos) << content.out;
    const auto logins = [&] {
        const std::string log = test::readFile(keys / "sshd.log");
        size_t count = 0;
        for (size_t at = 0; (at = log.find("Accepted publickey", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    const size_t before = logins();
    const Outcome to = dirmatch("sync " + q(a) + " " + q(host + b) + " --yes --rules size,content,subdirs" + options);
    EXPECT_EQ(to.code, 0) << to.err;
    // The listing, the digests, the copies and the reading back took one connection.
    EXPECT_EQ(logins() - before, 1u);
    EXPECT_EQ(dir.read("B/sub/y"), "2");
    EXPECT_EQ(dir.read("B/tab\t"), "new");
    const std::string c = dir.folder("C");
    EXPECT_EQ(dirmatch("sync " + q(host + a) + " " + q(c) + " --yes" + options).code, 0);
    EXPECT_EQ(dirmatch("compare " + q(host + a) + " " + q(c) + options).code, 0);
    EXPECT_EQ(dir.read("C/x"), "new");

    // A key the server does not know is refused, and the message says so.
    const std::string stranger = keys / "stranger";
    test::runProgram("ssh-keygen", "-q -t ed25519 -N '' -f " + q(stranger));
    std::string refusedShell = sshd.shell();
    refusedShell.replace(refusedShell.find(keys / "user"), (keys / "user").size(), stranger);
    const Outcome refused = dirmatch("compare " + q(a) + " " + q(host + b) + through(refusedShell));
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("cannot reach"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("ermission denied"), std::string::npos) << refused.err;

    // No dirmatch there: said so every time, however ssh and the stop race.
    for (int run = 0; run < 20; ++run) {
        const Outcome missing =
            dirmatch("compare " + q(a) + " " + q(host + b) + through(sshd.shell(), "no-dirmatch-here"));
        EXPECT_EQ(missing.code, 2);
        EXPECT_NE(missing.err.find("is not installed on"), std::string::npos) << "run " << run << ": " << missing.err;
    }
}

// A FAT stick on the other machine keeps no modes: a sync there writes every
// item without asking for them, says once that they were not kept, and
// settles (B then reads back identical, whatever the driver does to the
// time of a file renamed into place). A
// sparse file keeps its holes over there.
TEST_F(Remote, AFatFolderOverThereTakesEveryItemWithoutItsModesAndSettlesAndASparseFileKeepsItsHoles)
{
    const std::string image = dir.file("fat.img", "");
    std::filesystem::resize_file(image, uint64_t(64) << 20);
    const std::string fat = dir.folder("FAT");
    if (std::system(("mkfs.fat -F 32 " + q(image) + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "no mkfs.fat here";
    const test::MountedBy disk(fat, "TZ=UTC fusefat -o rw+ " + q(image) + " " + q(fat));
    if (!disk.mounted()) GTEST_SKIP() << "no FAT through FUSE here";
    dir.file("A/one.txt", "one", test::kTime + 1, 123456789);
    dir.file("A/sub/two.txt", "two", test::kTime + 3, 987654321);
    std::filesystem::permissions(dir / "A/one.txt",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    TempDir keys;
    const Sshd sshd(keys);
    std::vector<std::pair<std::string, std::string>> machines = {{"host:", standIn}};
    if (sshd.running()) {
        const std::string user = test::runProgram("id", "-un").out;
        machines.emplace_back(user.substr(0, user.find('\n')) + "@127.0.0.1:", through(sshd.shell()));
    }
    for (const auto& [host, options] : machines) {
        std::filesystem::remove_all(fat + "/sub");
        std::filesystem::remove(fat + "/one.txt");
        const Outcome first = dirmatch("sync " + q(a) + " " + q(host + fat) + " --yes" + options);
        EXPECT_NE(first.out.find("copied 2, failed 0, skipped 0"), std::string::npos) << host << first.out;
        EXPECT_NE(first.out.find("keeps no permission bits"), std::string::npos) << host << first.out;
        EXPECT_EQ(test::readFile(fat + "/sub/two.txt"), "two") << host;
        // Settled: the next sync finds B identical and copies nothing.
        const Outcome again = dirmatch("sync " + q(a) + " " + q(host + fat) + " --yes" + options);
        EXPECT_EQ(again.code, 0) << host << again.out << again.err;
        EXPECT_EQ(again.out.find("copied"), std::string::npos) << host << again.out;
    }

    // 8 MiB of which 16 KiB hold data.
    const std::string sparse = dir.file("S/sparse", "");
    {
        std::ofstream out(sparse, std::ios::binary | std::ios::in);
        out.seekp(4 << 20);
        out << std::string(16 << 10, 'x');
    }
    std::filesystem::resize_file(sparse, 8 << 20);
    const std::string target = dir.folder("T");
    ASSERT_EQ(dirmatch("sync " + q(dir / "S") + " " + q("host:" + target) + " --yes" + standIn).code, 0);
    struct stat st {};
    ASSERT_EQ(stat((target + "/sparse").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 8 << 20);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the holes were filled over there";
}

}  // namespace
}  // namespace dm
