// Folder B on the media users have: a FAT stick and an NTFS disk (through
// FUSE, on image files), and times that such media keep coarsely.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "engine/compare/Comp.h"
#include "engine/sync/Sync.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Time.h"
#include "platform/TimeStep.h"
#include "tests/support/Compare.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::compared;
using test::TempDir;

class Media : public ::testing::Test {
protected:
    // An image of `megabytes` made by `format` (its path appended) and mounted on "B" by `mountCommand`.
    std::unique_ptr<test::MountedBy> image(const std::string& format, const std::string& mountCommand)
    {
        const std::string file = dir / "disk.img";
        std::filesystem::resize_file(dir.file("disk.img", ""), uint64_t(64) << 20);
        if (std::system((format + " '" + file + "' >/dev/null 2>&1").c_str()) != 0) return nullptr;
        // fusefat turns local times into the disk's and back in two different zones: in UTC they agree.
        auto disk = std::make_unique<test::MountedBy>(b, "TZ=UTC " + mountCommand + " '" + file + "' '" + b + "'");
        return disk->mounted() ? std::move(disk) : nullptr;
    }

    // Files with times a coarse file system cannot keep, and a mode it cannot hold.
    void layA()
    {
        dir.file("A/one.txt", "one", test::kTime + 1, 123456789);
        dir.file("A/sub/two.txt", "two", test::kTime + 3, 987654321);
        std::filesystem::permissions(dir / "A/one.txt",
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }

    // Synchronized once, B compares identical, and a second run copies nothing.
    void syncTwice(bool saysModesNotKept)
    {
        auto comp = compared(a, b);
        SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
        EXPECT_EQ(outcome.copied, 2);
        EXPECT_TRUE(outcome.failed.empty()) << outcome.failed[0].target << ": " << outcome.failed[0].reason;
        EXPECT_EQ(outcome.modesNotKept != 0, saysModesNotKept);
        comp = compared(a, b);
        EXPECT_EQ(comp->results.different + comp->results.lacked, 0) << "a copy that never compares identical";
        outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
        EXPECT_EQ(outcome.copied, 0);
        EXPECT_EQ(test::readFile(b + "/sub/two.txt"), "two");
    }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

// Each kind of file system gets its step from what it says of itself,
// without its driver: FAT and exFAT by their type, FUSE by the name it was
// mounted under, the rest as fine as the system keeps.
TEST(MediaKinds, EachFileSystemGetsTheTimeStepOfItsKind)
{
    TempDir dir;
    const struct {
        long type;
        const char* mountType;
        bool mayWrite;
        uint64_t step;
    } cases[] = {
        {0x4d44, "vfat", false, 20000000},     // FAT, kernel
        {0x2011BAB0, "exfat", false, 100000},  // exFAT, kernel
        {0x65735546, "fuse.fusefat", false, 20000000},
        {0x65735546, "fuse.exfat", false, 10000000},  // its driver keeps whole seconds
        {0x7366746e, "ntfs3", false, 1},              // NTFS, kernel
        {0x65735546, "fuse.ntfs-3g", false, 1},       // not written to: not measured
        {0x6969, "nfs", false, 1},
        {0xEF53, "ext4", true, 1},
    };
    for (const auto& c : cases) {
        platform::testSeams().fileSystemOf = [&](const std::string&, long& type, std::string& mountType) {
            type = c.type;
            mountType = c.mountType;
        };
        const platform::FolderMedia media = platform::mediaOf(dir.path(), c.mayWrite);
        EXPECT_EQ(media.timeStep, c.step) << c.mountType;
        // The FAT family keeps neither modes nor holes, whatever else it says.
        if (c.step > 1) {
            EXPECT_TRUE(media.modesNotKept != 0 && !media.holes) << c.mountType;
        }
    }
    platform::testSeams().fileSystemOf = nullptr;
}

TEST_F(Media, AReadOnlyFatStickFailsEachCopyWithItsReason)
{
    auto disk = image("mkfs.fat -F 32", "fusefat -o ro");
    if (!disk) GTEST_SKIP() << "no FAT through FUSE here";
    layA();
    auto comp = compared(a, b);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_EQ(outcome.copied, 0);
    ASSERT_EQ(outcome.failed.size(), 2u);
    EXPECT_FALSE(outcome.failed[0].reason.empty());
}

TEST_F(Media, NamesThatDifferOnlyByCaseInALackingFolderNeverReplaceEachOtherOnFat)
{
    auto disk = image("mkfs.fat -F 32", "fusefat -o rw+");
    if (!disk) GTEST_SKIP() << "no FAT through FUSE here";
    dir.file("A/lib/X.h", "upper", test::kTime);
    dir.file("A/lib/x.h", "lower", test::kTime);
    dir.file("A/lib/Inc/one", "1", test::kTime);
    dir.file("A/lib/inc/two", "2", test::kTime);
    auto comp = compared(a, b);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_EQ(outcome.copied, 0) << "a folder with an item not written is not copied whole";
    ASSERT_EQ(outcome.failed.size(), 2u);
    EXPECT_TRUE(outcome.failed[0].target.ends_with("lib/inc")) << outcome.failed[0].target;
    EXPECT_TRUE(outcome.failed[1].target.ends_with("lib/x.h")) << outcome.failed[1].target;
    for (const SyncItem& failed : outcome.failed)
        EXPECT_EQ(failed.reason, platform::systemMessage(platform::kNameTaken));
    EXPECT_EQ(test::readFile(b + "/lib/X.h"), "upper");
    EXPECT_FALSE(std::filesystem::exists(b + "/lib/Inc/two")) << "two folders merged into one";
}

// A disk B as users have them: what its file system keeps, as measured.
struct Disk {
    const char* name;
    const char* format;  // made on an image file; empty: mounted without one
    const char* mount;
    uint64_t timeStep;
    bool keepsModes;
    bool keepsHoles;
    bool refusesModes = !keepsModes;  // a copy is told so (exFAT's driver takes a mode and drops it)
};

void PrintTo(const Disk& disk, std::ostream* out)
{
    *out << disk.name;
}

class MediaOfB : public Media, public ::testing::WithParamInterface<Disk> {};

TEST_P(MediaOfB, TakesTheCopyAsItCanComparesIdenticalAfterAndItsInformationFileSaysSo)
{
    const Disk& disk = GetParam();
    std::unique_ptr<test::MountedBy> mounted;
    if (*disk.format)
        mounted = image(disk.format, disk.mount);
    else if (auto plain = std::make_unique<test::MountedBy>(b, disk.mount + (" '" + b + "'")); plain->mounted())
        mounted = std::move(plain);
    if (!mounted) GTEST_SKIP() << "no " << disk.name << " here (its tools, /dev/fuse, a mount)";
    const platform::FolderMedia media = platform::mediaOf(b, true);
    EXPECT_EQ(media.timeStep, disk.timeStep);
    EXPECT_EQ(media.modesNotKept == 0, disk.keepsModes);
    EXPECT_EQ(media.holes, disk.keepsHoles);
    layA();
    syncTwice(disk.refusesModes);

    // Its information file stands for it as it is.
    const std::string info = dir / "b.dat";
    std::string error;
    ASSERT_TRUE(test::exportFolder(b, info, error)) << error;
    if (disk.timeStep > 1) {
        EXPECT_TRUE(test::readFile(info).starts_with("#timestep " + std::to_string(disk.timeStep) + "\r\n"));
    }
    dirCompare throughFile(test::request(a, b, {test::kSep}, {}, 0x1F, info), nullptr);
    throughFile.run();
    EXPECT_EQ(throughFile.results.different + throughFile.results.lacked, 0);

    // As the standard, the disk and its information file keep their own step.
    const auto sideways = [](dirCompare& comp) {
        comp.run();
        return comp.results.different + comp.results.lacked + comp.results.redundant;
    };
    dirCompare diskAsA(test::request(b, a, {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(sideways(diskAsA), 0);
    dirCompare fileAsA(test::request(b, a, {test::kSep}, {}, 0x1F, {}, info), nullptr);
    EXPECT_EQ(sideways(fileAsA), 0);
}

INSTANTIATE_TEST_SUITE_P(Disks, MediaOfB,
                         ::testing::Values(Disk{"FAT", "mkfs.fat -F 32", "fusefat -o rw+", 20000000, false, false},
                                           Disk{"NTFS", "mkntfs -F -Q", "ntfs-3g", 1, true, true},
                                           // Its driver keeps whole seconds, and wants a block device.
                                           Disk{"exFAT", "mkfs.exfat",
                                                "sh -c 'd=$(losetup -f --show \"$0\") && mount.exfat-fuse \"$d\" "
                                                "\"$1\" && losetup -d \"$d\"'",
                                                10000000, false, false, false},
                                           Disk{"tmpfs", "", "mount -t tmpfs -o size=8m tmpfs", 1, true, true}),
                         [](const ::testing::TestParamInfo<Disk>& param) { return std::string(param.param.name); });

TEST_F(Media, ASparseFileStaysSparseAndAFileSystemThatSharesBlocksSharesThem)
{
    const std::string sparse = dir.file("A/sparse", "");
    std::filesystem::resize_file(sparse, uint64_t(64) << 20);
    {
        std::FILE* f = std::fopen(sparse.c_str(), "r+b");
        std::fseek(f, 32 << 20, SEEK_SET);
        std::fputs("data in the middle", f);
        std::fclose(f);
    }
    test::setModified(sparse, test::kTime);
    for (const bool clone : {false, true}) {
        platform::testSeams().noClone = !clone;
        std::filesystem::remove_all(b + "/sparse");
        auto comp = compared(a, b);
        EXPECT_EQ(synchronize(*comp, *comp->results.children, nullptr, {}, {}).copied, 1);
        struct stat st {};
        ASSERT_EQ(stat((b + "/sparse").c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 64 << 20);
        EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the holes were filled";
        EXPECT_EQ(compared(a, b)->results.different, 0);
    }
    platform::testSeams().noClone = false;

    // On btrfs (a loop device, where the machine allows one) the copy shares A's blocks.
    const std::string both = dir.folder("btrfs");
    std::filesystem::resize_file(dir.file("btrfs.img", ""), uint64_t(200) << 20);
    if (std::system(("mkfs.btrfs -q '" + dir / "btrfs.img" + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "no btrfs here";
    test::MountedBy disk(both, "mount -o loop '" + dir / "btrfs.img" + "' '" + both + "'");
    if (!disk.mounted()) GTEST_SKIP() << "no loop device here";
    const std::string big = dir.file("btrfs/A/big", std::string(8 << 20, 'b'));
    dir.folder("btrfs/B");
    auto comp = compared(both + "/A", both + "/B");
    EXPECT_EQ(synchronize(*comp, *comp->results.children, nullptr, {}, {}).copied, 1);
    EXPECT_EQ(test::readFile(both + "/B/big"), std::string(8 << 20, 'b'));
    const int shared = std::system(("filefrag -v '" + both + "/B/big' 2>/dev/null | grep -q shared").c_str());
    EXPECT_EQ(shared, 0) << "the copy took blocks of its own";
}

TEST_F(Media, TheTimeWindowAndHourShiftsAreTheUsersChoice)
{
    struct Case {
        double apart;  // seconds B's time is after A's
        int32_t window;
        bool hourShift;
        bool same;
    };
    const Case cases[] = {
        {0.0005, 0, false, true},
        {0.0015, 0, false, false},
        {1.5, 0, false, false},
        {1.5, 2, false, true},
        {2.0, 2, false, true},
        {2.01, 2, false, false},
        {3600, 0, false, false},
        {3600, 0, true, true},
        {-3600, 0, true, true},
        {3601, 0, true, false},
        {3601, 2, true, true},
        {7200, 2, true, false},
        // An hour apart is judged as the same pair without the hour.
        {3600.0005, 0, true, true},
        {3600.0015, 0, true, false},
    };
    for (const Case& c : cases) {
        const auto whole = int64_t(std::floor(c.apart));
        const auto nanos = uint32_t((c.apart - double(whole)) * 1e9 + 0.5);
        dir.file("A/f", "x", test::kTime);
        dir.file("B/f", "x", test::kTime + whole, nanos);
        dirCompare comp(test::request(a, b, {test::kSep}, {}, 0x1F), nullptr);
        comp.request.timeWindow = c.window;
        comp.request.ignoreHourShift = c.hourShift;
        comp.run();
        EXPECT_EQ(comp.results.different == 0, c.same)
            << c.apart << " s, window " << c.window << ", hour shift " << c.hourShift;
    }
}

TEST_F(Media, AStepIsWhatATimeWrittenAndReadBackShows)
{
    const int64_t written = 17000000011234567;  // an odd second and a fraction
    struct Case {
        int64_t read;
        uint64_t step;
    };
    const Case cases[] = {{written, 1},
                          {written - 4567, 10000},          // microseconds kept
                          {written - 34567, 100000},        // exFAT: 10 ms
                          {written - 1234567, 10000000},    // whole seconds
                          {written - 11234567, 20000000}};  // FAT: even seconds
    for (const Case& c : cases) EXPECT_EQ(platform::stepShown(written, c.read), c.step) << c.read;
}

TEST_F(Media, TimesBefore1601CompareByTheirRealValue)
{
    test::SmallDisk memory(dir.folder("M"));  // tmpfs keeps any time
    if (!memory.mounted()) GTEST_SKIP() << "cannot mount a memory file system here";
    const std::string ma = dir.folder("M/A");
    const std::string mb = dir.folder("M/B");
    const int64_t year1500 = -14831769600;
    dir.file("M/A/old", "x", year1500);
    dir.file("M/B/old", "x", year1500 + 1);
    dir.file("M/A/same", "x", year1500);
    dir.file("M/B/same", "x", year1500);
    auto comp = compared(ma, mb);
    EXPECT_EQ(test::child(comp->results, "old").sameTime, 0);
    EXPECT_EQ(test::child(comp->results, "same").sameTime, 1);
}

}  // namespace
}  // namespace dm
