// What a sync replaces is kept: the backup sets on every kind of B, their
// expiry, and files newer in B left as they are.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "engine/side/Backup.h"
#include "tests/support/Faults.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::Outcome;
using test::TempDir;

std::string q(const std::string& text)
{
    return test::quoted(text);
}

Outcome dirmatch(const std::string& arguments)
{
    return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en");
}

const std::string kStandIn = " --rsh " + q(std::string(DIRMATCH_SOURCE_DIR) + "/tests/support/remote/local-rsh") +
                             " --remote-dirmatch " + q(DIRMATCH_BINARY);

int64_t modifiedAt(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : -1;
}

// The one set below the backup folder.
std::string onlySet(const std::string& folder)
{
    std::vector<std::string> sets;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) sets.push_back(entry.path().string());
    return sets.size() == 1 ? sets.front() : std::string();
}

class Backup : public ::testing::Test {
protected:
    TempDir dir;
    std::string a = dir.folder("A");
};

TEST_F(Backup, EveryFileASyncReplacesIsKeptWithItsContentAndTimesAndTheSetIsNoItemOfB)
{
    // Even times: FAT keeps two seconds.
    dir.file("A/sub/f", "new", test::kTime + 100);
    dir.file("A/Dir/h", "new h", test::kTime + 100);
    dir.file("A/lacking", "l");

    const std::string image = dir.file("fat.img", "");
    std::filesystem::resize_file(image, uint64_t(32) << 20);
    const std::string fat = dir.folder("FAT");
    const bool fatMade = std::system(("mkfs.fat -F 32 " + q(image) + " >/dev/null 2>&1").c_str()) == 0;
    const test::MountedBy disk(fat, fatMade ? "TZ=UTC fusefat -o rw+ " + q(image) + " " + q(fat) : "false");

    struct Target {
        std::string folder;   // B, in the test's folder
        std::string host;     // "host:" where B is reached as another machine's
        std::string options;  // how it is reached
    };
    std::vector<Target> targets = {{"B1", "", ""}, {"B2", "host:", kStandIn}};
    if (disk.mounted())
        targets.insert(targets.end(), {{"FAT/local", "", ""}, {"FAT/remote", "host:", kStandIn}});
    else
        std::cerr << "no FAT through FUSE here: tried on the local file system alone\n";
    for (const Target& target : targets) {
        const std::string b = dir / target.folder;
        const std::string named = target.host + b;
        dir.file(target.folder + "/sub/f", "old", test::kTime);
        dir.file(target.folder + "/DIR/h", "old h", test::kTime);  // a folder B spells otherwise
        const Outcome sync = dirmatch("sync " + q(a) + " " + q(named) + " --yes --backup-dir .kept" + target.options);
        EXPECT_NE(sync.out.find("copied 3, failed 0, skipped 0"), std::string::npos) << named << sync.out << sync.err;
        EXPECT_NE(sync.out.find("replaced files (2) kept in: " + named + "/.kept/"), std::string::npos)
            << named << sync.out;
        const std::string set = onlySet(b + "/.kept");
        ASSERT_FALSE(set.empty()) << named;
        EXPECT_EQ(test::readFile(set + "/sub/f"), "old") << named;
        EXPECT_EQ(test::readFile(set + "/DIR/h"), "old h") << named;
        EXPECT_EQ(test::readFile(b + "/DIR/h"), "new h") << named;
        // rsync moves the old file aside there, and FAT through FUSE dates a moved file anew.
        if (target.folder != "FAT/remote") {
            EXPECT_EQ(modifiedAt(set + "/sub/f"), test::kTime) << named;
            EXPECT_EQ(modifiedAt(set + "/DIR/h"), test::kTime) << named;
        }

        // The set lies in B, and no comparison sees it; without the setting it is B's own.
        const Outcome again = dirmatch("compare " + q(a) + " " + q(named) + " --backup-dir .kept" + target.options);
        EXPECT_EQ(again.code, 0) << named << again.out << again.err;
        EXPECT_EQ(dirmatch("compare " + q(a) + " " + q(named) + target.options).code, 1) << named;
    }
}

TEST_F(Backup, AFileThatCannotBeKeptIsNotReplaced)
{
    dir.file("A/f", "new", test::kTime + 100);
    const std::string b = dir.folder("B");
    dir.file("B/f", "old");
    // A folder of sets outside B, on another file system: no link, no move reaches it.
    const std::string elsewhere = dir.folder("elsewhere");
    const test::SmallDisk other(elsewhere);
    if (!other.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const Outcome sync = dirmatch("sync " + q(a) + " " + q(b) + " --yes --backup-dir " + q(elsewhere));
    EXPECT_EQ(sync.code, 2) << sync.out;
    EXPECT_NE(sync.err.find("cannot keep replaced files on another file system"), std::string::npos) << sync.err;
    EXPECT_EQ(dir.read("B/f"), "old");

    // A relative folder that leaves B is refused before anything is copied.
    const Outcome outside = dirmatch("sync " + q(a) + " " + q(b) + " --yes --backup-dir ../sets");
    EXPECT_EQ(outside.code, 2);
    EXPECT_NE(outside.err.find("the backup folder must lie inside B"), std::string::npos) << outside.err;
    EXPECT_EQ(dir.read("B/f"), "old");
}

TEST_F(Backup, SetsOlderThanTheDaysKeptGoWhenASyncStartsAndNothingElseThere)
{
    dir.file("A/f", "new", test::kTime + 100);
    // Here, and on another machine, where its own dirmatch removes them.
    for (const std::string host : {"", "host:"}) {
        const std::string b = dir.folder("B");
        dir.file("B/f", "old");
        dir.file("B/.bk/2000-01-01 000000/f", "ancient");
        dir.file("B/.bk/2099-01-01 000000/f", "future");
        dir.file("B/.bk/my notes/2000-01-01 000000", "the user's");
        dir.file("B/.bk/2000-01-01 00000/f", "not a set's name");
        const Outcome sync = dirmatch("sync " + q(a) + " " + q(host + b) + " --yes --backup-dir .bk --backup-keep 30" +
                                      (host.empty() ? "" : kStandIn));
        EXPECT_EQ(sync.code, 0) << sync.out << sync.err;
        EXPECT_NE(sync.out.find("expired backup sets removed: 1"), std::string::npos) << host << sync.out;
        EXPECT_FALSE(dir.exists("B/.bk/2000-01-01 000000")) << host;
        for (const char* kept :
             {"B/.bk/2099-01-01 000000/f", "B/.bk/my notes/2000-01-01 000000", "B/.bk/2000-01-01 00000/f"})
            EXPECT_TRUE(dir.exists(kept)) << host << kept;
        std::filesystem::remove_all(b);
    }
}

TEST_F(Backup, ABackupFolderThatWouldWriteIntoAOrBeSharedWithBsItemsIsRefusedBeforeAnythingRuns)
{
    dir.file("A/f", "new", test::kTime + 100);
    dir.file("A/bak/g", "A's own");
    const std::string b = dir.folder("B");
    dir.file("B/f", "old");
    dir.folder("B/sub");
    const struct {
        std::string folder;
        std::string said;
    } cases[] = {
        {a, "lies in folder A"},
        {a + "/sets", "lies in folder A"},
        {b, "inside B is given relative to B"},
        {b + "/sub", "inside B is given relative to B"},
        {"bak", "the name of an item of A: bak"},
    };
    for (const auto& c : cases) {
        const Outcome sync = dirmatch("sync " + q(a) + " " + q(b) + " --yes --backup-dir " + q(c.folder));
        EXPECT_EQ(sync.code, 2) << c.folder << sync.out;
        EXPECT_NE(sync.err.find(c.said), std::string::npos) << c.folder << sync.err;
        EXPECT_EQ(dir.read("B/f"), "old") << c.folder;
    }
    EXPECT_FALSE(dir.exists("A/sets"));
    EXPECT_FALSE(dir.exists("B/bak"));
}

TEST_F(Backup, ALinkOnTheWayToTheBackupFolderFailsTheSyncBeforeAnythingIsWrittenOutsideB)
{
    dir.file("A/f", "new", test::kTime + 100);
    for (const std::string host : {"", "host:"}) {
        TempDir here;
        const std::string b = here.folder("B");
        here.file("B/f", "old");
        here.file("OUT/2020-01-01 000000/x", "someone else's");
        std::filesystem::create_directory_symlink("../OUT", b + "/.bk");
        const Outcome sync = dirmatch("sync " + q(a) + " " + q(host + b) + " --yes --backup-dir .bk --backup-keep 1" +
                                      (host.empty() ? "" : kStandIn));
        EXPECT_EQ(sync.code, 2) << host << sync.out << sync.err;
        EXPECT_NE((sync.out + sync.err).find(b + "/.bk: is a link"), std::string::npos) << host << sync.out << sync.err;
        EXPECT_EQ(here.read("B/f"), "old") << host;
        EXPECT_EQ(here.read("OUT/2020-01-01 000000/x"), "someone else's") << host;
        EXPECT_EQ(test::entriesIn(here / "OUT"), 1u) << host;
    }
}

TEST_F(Backup, EightTargetsOnOneHostStartingAtOnceKeepEightOriginals)
{
    dir.file("A/f", "new", test::kTime + 100);
    std::string targets;
    for (int i = 1; i <= 8; ++i) {
        dir.file("B" + std::to_string(i) + "/f", "old " + std::to_string(i));
        targets += " host:" + q(dir / ("B" + std::to_string(i)));
    }
    const std::string sets = dir.folder("sets");
    const Outcome sync = dirmatch("sync " + q(a) + targets + " --yes --parallel 8 --backup-dir " + q(sets) + kStandIn);
    EXPECT_EQ(sync.code, 0) << sync.out << sync.err;
    std::set<std::string> kept;
    for (const auto& set : std::filesystem::directory_iterator(sets)) kept.insert(test::readFile(set.path() / "f"));
    EXPECT_EQ(kept.size(), 8u);
    // Two runs into one B within a second each get a set, locally too.
    const std::string b = dir / "B1";
    for (int i = 0; i < 2; ++i) {
        dir.file("B1/f", "again " + std::to_string(i));
        EXPECT_EQ(dirmatch("sync " + q(a) + " " + q(b) + " --yes --backup-dir .bk").code, 0);
    }
    EXPECT_EQ(test::entriesIn(b + "/.bk"), 2u);
}

TEST_F(Backup, EveryReplacedItemIsKeptAtItsPathAtEveryDepthLinksAsLinksAndNoOlderSetGoesUnasked)
{
    const std::vector<std::string> files = {"f", "d1/f", "d1/d2/f", "d1/d2/d3/f"};
    for (const std::string& file : files) dir.file("A/" + file, "new", test::kTime + 100);
    dir.file("A/d1/l", "a file now");
    for (const std::string host : {"", "host:"}) {
        TempDir here;
        const std::string b = here.folder("B");
        for (const std::string& file : files) here.file("B/" + file, "old " + file);
        std::filesystem::create_symlink("target text", b + "/d1/l");
        here.file("B/.bk/2000-01-01 000000/f", "ancient");
        const Outcome sync =
            dirmatch("sync " + q(a) + " " + q(host + b) + " --yes --backup-dir .bk" + (host.empty() ? "" : kStandIn));
        EXPECT_EQ(sync.code, 0) << host << sync.out << sync.err;
        EXPECT_EQ(here.read("B/.bk/2000-01-01 000000/f"), "ancient") << host;
        std::string set;
        for (const auto& entry : std::filesystem::directory_iterator(b + "/.bk"))
            if (entry.path().filename() != "2000-01-01 000000") set = entry.path().string();
        ASSERT_FALSE(set.empty()) << host;
        for (const std::string& file : files) EXPECT_EQ(test::readFile(set + "/" + file), "old " + file) << host;
        ASSERT_TRUE(std::filesystem::is_symlink(set + "/d1/l")) << host;
        EXPECT_EQ(std::filesystem::read_symlink(set + "/d1/l").string(), "target text") << host;
    }
}

TEST(BackupSet, ExpiresOnlyPastItsDaysAndOnlyUnderItsOwnName)
{
    platform::SYSTEMTIME now;
    now.wYear = 2026, now.wMonth = 3, now.wDay = 1, now.wHour = 12;
    const struct {
        const char* name;
        int days;
        bool expired;
    } cases[] = {
        {"2026-02-22 120000", 7, false},  // exactly its days: kept
        {"2026-02-22 115959", 7, true},   // a second more: gone
        {"2025-03-01 120000", 365, false}, {"2025-02-28 120000", 365, true},
        {"2026-02-29 000000", 0, false},  // no such day: no set of ours
        {"2026-13-01 000000", 1, false},   {"2026-02-22 12000", 1, false},
        {"2026-02-22 1200000", 1, false},  {"2026-02-22_120000", 1, false},
        {"2026-02-22 115959-2", 7, true},  // a second set of the same second
        {"2026-02-22 115959-0", 7, false}, {"2026-02-22 115959-", 7, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isExpiredBackupSet(c.name, now, c.days), c.expired) << c.name;
    EXPECT_EQ(backupSetName(now), "2026-03-01 120000");
}

TEST_F(Backup, FilesNewerInBAreMarkedInThePlanAndKeepNewerLeavesThem)
{
    dir.file("A/older", "a", test::kTime);
    dir.file("A/newer", "a", test::kTime + 100);
    dir.file("A/tool.exe", test::peWithVersion(1, 2, 0, 0), test::kTime + 100);
    const std::string b = dir.folder("B");
    dir.file("B/older", "bb", test::kTime + 100);  // B's is the newer by time
    dir.file("B/newer", "bb", test::kTime);
    dir.file("B/tool.exe", test::peWithVersion(1, 10, 0, 0), test::kTime);  // newer by version, older by time

    const Outcome plan = dirmatch("sync " + q(a) + " " + q(b) + " --dry-run");
    EXPECT_NE(plan.out.find("B/older  (B is newer)"), std::string::npos) << plan.out;
    EXPECT_NE(plan.out.find("B/tool.exe  (B is newer)"), std::string::npos) << plan.out;
    EXPECT_EQ(plan.out.find("B/newer  ("), std::string::npos) << plan.out;
    // Without the version rule, the time alone says which is newer.
    const Outcome byTime = dirmatch("sync " + q(a) + " " + q(b) + " --dry-run --rules size,time,subdirs");
    EXPECT_EQ(byTime.out.find("B/tool.exe  ("), std::string::npos) << byTime.out;

    const Outcome sync = dirmatch("sync " + q(a) + " " + q(b) + " --yes --keep-newer");
    EXPECT_NE(sync.out.find("copied 1, failed 0, skipped 2"), std::string::npos) << sync.out;
    EXPECT_NE(sync.out.find("skipped: " + b + "/older: B is newer"), std::string::npos) << sync.out;
    EXPECT_EQ(dir.read("B/older"), "bb");
    EXPECT_EQ(dir.read("B/newer"), "a");
    EXPECT_TRUE(dir.read("B/tool.exe") == test::peWithVersion(1, 10, 0, 0));
}

}  // namespace
}  // namespace dm
