#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "platform/TestSeams.h"
#include "platform/VersionProbes.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::TempDir;

// Three folders of executables with and without a version (some with it far
// beyond their headers), non-executables and files too small to be anything:
// more files than are ever read at once.
void fillFolders(const TempDir& dir)
{
    for (int i = 0; i < 900; ++i) {
        const std::string name = "d" + std::to_string(i % 3) + "/f" + std::to_string(1000 + i);
        if (i % 100 == 0)
            dir.file(name, test::peWithVersion(1, 2, uint16_t(i), 4, false, 0x4000));
        else if (i % 50 == 0)
            dir.file(name, test::peWithVersion(1, 2, uint16_t(i), 4));
        else if (i % 7 == 0)
            dir.file(name, test::peWithoutVersion());
        else
            dir.file(name, std::string(size_t(i % 130), i % 11 == 0 ? 'M' : 'x'));
    }
}

// The version of every file, by name: each read alone, or all through probes.
std::map<std::string, std::string> versionsOf(const TempDir& dir, bool throughProbes)
{
    std::map<std::string, std::string> texts;
    VersionProbes probes;
    for (const char* sub : {"d0/", "d1/", "d2/"}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir / sub)) {
            const std::string name = entry.path().filename().string();
            const auto store = [&texts, name](const std::optional<FileVersion>& v) {
                const std::string text = v ? std::to_string(v->build) : "-";
                if (!texts.emplace(name, text).second) texts[name] = "delivered twice";
            };
            if (throughProbes)
                probes.request(dir / sub, name, entry.file_size(), store);
            else
                store(readFileVersion(dir / sub + name));
        }
    }
    probes.finish();
    return texts;
}

TEST(VersionProbes, GiveEveryFileTheVersionThatReadingItAloneGives)
{
    TempDir dir;
    fillFolders(dir);
    const auto alone = versionsOf(dir, false);
    ASSERT_EQ(alone.size(), 900u);
    EXPECT_EQ(alone.at("f1550"), "550");
    EXPECT_EQ(alone.at("f1600"), "600");
    EXPECT_EQ(alone.at("f1007"), "-");

    EXPECT_EQ(versionsOf(dir, true), alone);
    testSeams().noUring = true;
    EXPECT_EQ(versionsOf(dir, true), alone);
    testSeams().noUring = false;
}

TEST(VersionProbes, ARingThatFailsMidwayStillGivesEveryFileItsVersionOnce)
{
    TempDir dir;
    fillFolders(dir);
    const auto alone = versionsOf(dir, false);
    int submitted = 0;
    testSeams().failRingSubmit = [&] { return ++submitted == 5; };
    // A ring that failed is never used again by its thread: fail a thread of its own.
    std::map<std::string, std::string> probed;
    std::thread([&] { probed = versionsOf(dir, true); }).join();
    testSeams().failRingSubmit = nullptr;
    EXPECT_EQ(probed, alone);
    if (submitted > 0) {  // none where the system has no ring to fail
        EXPECT_EQ(submitted, 5);
    }
}

TEST(VersionProbes, AFileThatCannotBeOpenedEndsItsProbeWithNoVersion)
{
    TempDir dir;
    fillFolders(dir);
    auto expected = versionsOf(dir, false);
    const auto refused = [](const std::string& name) { return name.back() == '0'; };
    for (auto& [name, text] : expected) {
        if (refused(name)) text = "-";
    }
    testSeams().failProbeOpen = refused;
    for (const bool ring : {true, false}) {
        testSeams().noUring = !ring;
        EXPECT_EQ(versionsOf(dir, true), expected) << (ring ? "through the ring" : "read the plain way");
    }
    testSeams().noUring = false;
    testSeams().failProbeOpen = nullptr;
}

TEST(VersionProbes, TwoAtOnceOnOneThreadBothDeliver)
{
    TempDir dir;
    dir.file("app.exe", test::peWithVersion(3, 1, 4, 1));
    int delivered = 0;
    {
        VersionProbes outer;
        VersionProbes inner;
        const uint64_t size = std::filesystem::file_size(dir / "app.exe");
        const auto expectVersion = [&](const std::optional<FileVersion>& v) {
            ASSERT_TRUE(v.has_value());
            EXPECT_EQ(v->minor, 1);
            ++delivered;
        };
        outer.request(dir / "", "app.exe", size, expectVersion);
        inner.request(dir / "", "app.exe", size, expectVersion);
        inner.finish();
    }
    EXPECT_EQ(delivered, 2);
}

}  // namespace
}  // namespace dm::platform
