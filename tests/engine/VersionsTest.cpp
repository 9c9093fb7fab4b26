// File versions read only where they matter, and remembered between runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/ResultView.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "tests/support/Compare.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;
using test::TempDir;

class Versions : public ::testing::Test {
protected:
    // The files are made a moment before each run: the cache trusts them only
    // when they are older than that.
    void SetUp() override { platform::testSeams().versionCacheClockShift = 10'000'000'000; }
    void TearDown() override
    {
        platform::testSeams().failProbeOpen = nullptr;
        platform::testSeams().versionCacheClockShift = 0;
    }

    // Runs a comparison, the version cache used where `cached`; `opened`
    // collects the names of the files whose versions were read.
    std::unique_ptr<dirCompare> run(bool cached)
    {
        platform::testSeams().failProbeOpen = [this](const std::string& name) {
            opened.insert(std::string(platform::lastComponent(name)));
            return false;
        };
        auto comp =
            std::make_unique<dirCompare>(test::request(a, b, StringList{test::kSep}, StringList{}, 0x1F), nullptr);
        if (cached) comp->request.versionCachePath = cache;
        comp->run();
        platform::testSeams().failProbeOpen = nullptr;
        return comp;
    }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::string cache = dir / "cache/versions.cache";
    std::set<std::string> opened;
};

// Every field of every result node, with the versions of the items it pairs.
void describe(const result_t& r, std::string& out)
{
    out += r.name + ' ' + std::to_string(r.kind) + std::to_string(r.sameSize) + std::to_string(r.sameTime) +
           std::to_string(r.sameVersion) + std::to_string(r.identical) + ' ' + (r.elemA ? r.elemA->version : "-") +
           '/' + (r.elemB ? r.elemB->version : "-") + ' ' + std::to_string(r.lacked) + std::to_string(r.different) +
           std::to_string(r.redundant) + '\n';
    if (r.children)
        for (const auto& c : *r.children) describe(*c, out);
}

TEST_F(Versions, APairThatSizeOrTimeTellApartIsNotOpenedUntilAFullReportAsksForItsVersions)
{
    dir.file("A/bigger.exe", test::peWithVersion(1, 0, 0, 0));
    dir.file("B/bigger.exe", test::peWithVersion(1, 0, 0, 0, false, 0x4000));
    dir.file("A/newer.exe", test::peWithVersion(1, 0, 0, 0), test::kTime);
    dir.file("B/newer.exe", test::peWithVersion(1, 0, 0, 0), test::kTime + 60);
    dir.file("A/same.exe", test::peWithVersion(1, 0, 0, 0));
    dir.file("B/same.exe", test::peWithVersion(2, 0, 0, 0));
    dir.file("A/onlyA.exe", test::peWithVersion(1, 0, 0, 0));
    auto comp = run(false);
    EXPECT_EQ(opened, (std::set<std::string>{"same.exe"}));
    EXPECT_EQ(child(comp->results, "same.exe").sameVersion, 0);
    EXPECT_EQ(child(comp->results, "bigger.exe").sameVersion, kVersionNotRead);
    EXPECT_EQ(comp->results.different, 3);

    comp->readAllVersions();
    EXPECT_EQ(child(comp->results, "bigger.exe").sameVersion, 1);
    EXPECT_EQ(child(comp->results, "newer.exe").sameVersion, 1);
    EXPECT_EQ(child(comp->results, "onlyA.exe").elemA->version, "1.0.0.0");
}

TEST_F(Versions, TheCacheGivesTheSameResultNodeForNodeAndOpensNothingTheSecondTime)
{
    for (int i = 0; i < 60; ++i) {
        const std::string name = "d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".exe";
        const std::string content = i % 4 == 0   ? test::peWithVersion(1, 2, uint16_t(i), 4)
                                    : i % 4 == 1 ? test::peWithoutVersion()
                                                 : std::string(size_t(60 + i), 'x');
        dir.file("A/" + name, content);
        if (i % 5 != 0) dir.file("B/" + name, i % 8 == 0 ? test::peWithVersion(9, 2, uint16_t(i), 4) : content);
    }
    std::string plain, filling, filled;
    auto comp = run(false);
    comp->readAllVersions();
    describe(comp->results, plain);
    comp = run(true);
    comp->readAllVersions();
    describe(comp->results, filling);
    opened.clear();
    comp = run(true);
    EXPECT_TRUE(opened.empty()) << opened.size() << " files opened again";
    comp->readAllVersions();
    describe(comp->results, filled);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(filling, plain);
    EXPECT_EQ(filled, plain);
}

TEST_F(Versions, ANewContentUnderTheOldWriteTimeIsReadAnewForItsChangeTimeGivesItAway)
{
    dir.file("A/app.exe", test::peWithVersion(1, 0, 0, 0));
    const std::string target = dir.file("B/app.exe", test::peWithVersion(1, 0, 0, 0));
    EXPECT_EQ(run(true)->results.different, 0);
    // The same size, the write time put back: only the change time moved.
    test::writeFile(target, test::peWithVersion(2, 0, 0, 0));
    test::setModified(target, test::kTime);
    opened.clear();
    auto comp = run(true);
    EXPECT_EQ(opened, (std::set<std::string>{"app.exe"}));
    EXPECT_EQ(child(comp->results, "app.exe").sameVersion, 0);
    EXPECT_EQ(comp->results.different, 1);
}

TEST_F(Versions, AVersionThatCouldNotBeReadIsReadAgainNextTimeNotRememberedAsNone)
{
    dir.file("A/app.exe", test::peWithVersion(1, 0, 0, 0));
    dir.file("B/app.exe", test::peWithVersion(1, 0, 0, 0));
    // The file cannot be opened for a moment (locked, an I/O error).
    platform::testSeams().failProbeOpen = [](const std::string&) { return true; };
    auto comp = std::make_unique<dirCompare>(test::request(a, b, StringList{test::kSep}, StringList{}, 0x1F), nullptr);
    comp->request.versionCachePath = cache;
    comp->run();
    platform::testSeams().failProbeOpen = nullptr;
    opened.clear();
    comp = run(true);
    EXPECT_EQ(opened, (std::set<std::string>{"app.exe"}));
    EXPECT_EQ(child(comp->results, "app.exe").sameVersion, 1);
}

TEST_F(Versions, AVersionThatCouldNotBeReadIsTheReasonShownWhereThePairDiffers)
{
    if (!dir.keepsNamesApartByCase()) GTEST_SKIP() << "names differing in case are one item here";
    // Paired without regard to case, so that the seam can fail A's file alone.
    dir.file("A/App.exe", test::peWithVersion(1, 0, 0, 0), test::kTime);
    dir.file("B/app.exe", test::peWithVersion(2, 0, 0, 0), test::kTime);
    platform::testSeams().failProbeOpen = [](const std::string& name) { return name.ends_with("App.exe"); };
    auto comp = std::make_unique<dirCompare>(test::request(a, b, StringList{test::kSep}, StringList{}, 0x1F), nullptr);
    comp->run();
    platform::testSeams().failProbeOpen = nullptr;
    const result_t& pair = child(comp->results, "App.exe");
    ASSERT_EQ(pair.identical, 0);
    const std::string reason = textIn("无法读取版本 (A): ", "version not read (A): ") + platform::systemMessage(EACCES);
    EXPECT_EQ(whyNotCompared(pair), reason);
    StringList details;
    comp->details(pair, details);
    EXPECT_EQ(details.back(), reason);
}

}  // namespace
}  // namespace dm
