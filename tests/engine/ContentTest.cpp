// The content rule: equal sizes are read and compared byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <utility>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Contents.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;
using test::compared;
using test::TempDir;

constexpr uint8_t kSizeAndContent = optValid | optSize | optContent;

class Content : public ::testing::Test {
protected:
    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

TEST_F(Content, ACopyWhoseTimesAllChangedIsIdenticalByContentAndDifferentByTime)
{
    dir.file("A/f", std::string(100000, 'x'), test::kTime);
    dir.file("B/f", std::string(100000, 'x'), test::kTime + 3600);
    dir.file("A/empty", "", test::kTime);
    dir.file("B/empty", "", test::kTime + 3600);
    EXPECT_EQ(compared(a, b, kSizeAndContent)->results.different, 0);
    EXPECT_EQ(compared(a, b, kSizeAndContent | optTime)->results.different, 2);
}

TEST_F(Content, OneChangedByteIsFoundWhereverItLies)
{
    const size_t size = 3 << 20;
    const std::string original(size, 'q');
    const size_t places[] = {0, size / 2, size - 1, 4095, 4096, 65535, 65536, (1 << 20) - 1, 1 << 20};
    for (const size_t at : places) {
        std::string changed = original;
        changed[at] = 'Q';
        dir.file("A/f" + std::to_string(at), original);
        dir.file("B/f" + std::to_string(at), changed);
    }
    dir.file("A/copy", original);
    dir.file("B/copy", original);
    auto comp = compared(a, b, kSizeAndContent);
    for (const size_t at : places) EXPECT_EQ(child(comp->results, "f" + std::to_string(at)).sameContent, 0) << at;
    EXPECT_EQ(child(comp->results, "copy").sameContent, 1);
    EXPECT_EQ(comp->results.different, int(std::size(places)));
}

TEST_F(Content, ManySmallFilesAreToldApartByAnyByteWhicheverThreadReadsThem)
{
    int expected = 0;
    for (const size_t size : {1, 2, 100, 4095, 4096, 4097, 65535, 65536}) {
        for (const size_t at : std::set<size_t>{0, size - 1}) {
            std::string changed(size, 's');
            changed[at] = 'S';
            const std::string name = "f" + std::to_string(size) + "_" + std::to_string(at);
            dir.file("A/" + name, std::string(size, 's'));
            dir.file("B/" + name, changed);
            ++expected;
        }
        dir.file("A/same" + std::to_string(size), std::string(size, 's'));
        dir.file("B/same" + std::to_string(size), std::string(size, 's'));
    }
    dir.file("A/empty", "");
    dir.file("B/empty", "");
    // Items that are not read lie among those that are.
    for (const char* name : {"0lacking1", "0lacking2", "0lacking3"}) dir.file("A/" + std::string(name), "x");
    dir.file("A/0sizes", "x");
    dir.file("B/0sizes", "xx");
    auto comp = compared(a, b, kSizeAndContent);
    for (const auto& r : *comp->results.children) {
        if (r->kind == InBoth) {
            EXPECT_EQ(r->sameContent, r->name[0] != 'f' && r->name != "0sizes") << r->name;
        }
    }
    EXPECT_EQ(comp->results.different, expected + 1);
}

TEST_F(Content, AHugeSparseFileIsReadToItsLastBytesNotSkipped)
{
    // On a memory file system, where a hole reads without filling the page cache.
    char shm[] = "/dev/shm/dirmatch-XXXXXX";
    const bool inMemory = mkdtemp(shm) != nullptr;
    const std::string root = inMemory ? std::string(shm) : dir.path();
    const off_t size = off_t(3) << 30;
    for (const char* side : {"/A", "/B"}) {
        std::filesystem::create_directories(root + side);
        const std::string file = root + side + "/big";
        const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, size), 0);
        if (side[1] == 'B') {
            ASSERT_EQ(pwrite(fd, "!", 1, size - 10), 1);
        }
        close(fd);
        test::setModified(file, test::kTime);
    }
    const auto comp = compared(root + "/A", root + "/B", kSizeAndContent);
    EXPECT_EQ(child(comp->results, "big").sameContent, 0);
    if (inMemory) std::filesystem::remove_all(shm);
}

TEST_F(Content, APipeIsNeverReadAndItsPairDiffersWithTheReasonInItsOwnDetailsOnly)
{
    dir.file("A/p", "");
    dir.file("A/q", "q");
    dir.file("B/q", "q");
    ASSERT_EQ(mkfifo((dir / "B/p").c_str(), 0644), 0);
    test::setModified(dir / "B/p", test::kTime);
    auto comp = compared(a, b, kSizeAndContent);
    result_t& pair = child(comp->results, "p");
    EXPECT_EQ(pair.identical, 0);
    ASSERT_TRUE(pair.contentError);
    EXPECT_NE(pair.contentError->find("(B)"), std::string::npos) << *pair.contentError;
    StringList details;
    comp->details(pair, details);
    EXPECT_EQ(details.back(), *pair.contentError);
    // The same list, asked next for a pair without a reason, keeps none.
    comp->details(child(comp->results, "q"), details);
    EXPECT_EQ(details.size(), 15u);
}

TEST_F(Content, AFileThatGrowsWhileReadIsChangedAndStoppingEndsBetweenChunks)
{
    const std::string content(1 << 20, 'g');
    const std::string pathA = dir.file("A/f", content);
    const std::string pathB = dir.file("B/f", content);
    platform::ContentReading growing;
    growing.progress = [&](uint64_t) {
        const int fd = open(pathB.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(write(fd, "+", 1), 1);
        close(fd);
    };
    EXPECT_EQ(platform::compareContents(pathA, pathB, content.size(), growing).verdict,
              platform::ContentVerdict::Changed);

    dir.file("B/f", content);
    int chunks = 0;
    platform::ContentReading stopping;
    stopping.stop = [&] { return ++chunks == 2; };
    EXPECT_EQ(platform::compareContents(pathA, pathB, content.size(), stopping).verdict,
              platform::ContentVerdict::Stopped);
    EXPECT_EQ(chunks, 2);
}

TEST_F(Content, AFileOfEitherSideWhoseSizeTimeOrChangeTimeMovesWhileReadIsChanged)
{
    const std::string pathA = dir / "A/f";
    const std::string pathB = dir / "B/f";
    const std::vector<std::pair<const char*, void (*)(const std::string&)>> changes = {
        {"grew", [](const std::string& p) { std::filesystem::resize_file(p, std::filesystem::file_size(p) + 1); }},
        {"time", [](const std::string& p) { test::setModified(p, test::kTime + 1); }},
        {"change time", [](const std::string& p) { chmod(p.c_str(), 0600); }},
    };
    // A file read in chunks, and one read whole in one call.
    for (const size_t size : {size_t(1) << 20, size_t(1000)}) {
        const std::string content(size, 'c');
        for (const auto& [what, change] : changes) {
            for (const std::string& side : {pathA, pathB}) {
                dir.file("A/f", content);
                dir.file("B/f", content);
                platform::ContentReading reading;
                bool changed = false;
                reading.progress = [&](uint64_t) {
                    if (!std::exchange(changed, true)) change(side);
                };
                EXPECT_EQ(platform::compareContents(pathA, pathB, content.size(), reading).verdict,
                          platform::ContentVerdict::Changed)
                    << what << " of " << side << ", " << size << " bytes";
            }
        }
    }
}

// A small file is not looked at before it is read: what the listing said of
// it must still hold once it is read, else the pair is not judged by it.
TEST_F(Content, ASmallFileNoLongerAsListedWhenReadIsChangedAndAPipeInItsPlaceIsNotRead)
{
    const struct {
        const char* what;
        std::function<void(const std::string&)> change;
        const char* reason;  // found in the pair's content error
    } cases[] = {
        {"rewritten, same size", [](const std::string& p) { test::writeFile(p, "yyyy"); }, "被修改"},
        {"time moved", [](const std::string& p) { test::setModified(p, test::kTime + 1); }, "被修改"},
        {"grown", [](const std::string& p) { test::writeFile(p, "xxxxx"); }, "被修改"},
        {"a pipe",
         [](const std::string& p) {
             std::filesystem::remove(p);
             mkfifo(p.c_str(), 0644);
         },
         "(B)"},
    };
    for (const auto& c : cases) {
        dir.file("A/f", "xxxx");
        dir.file("B/f", "xxxx");
        dirCompare comp(test::request(a, b, {test::kSep}, {}, kSizeAndContent), nullptr);
        // Both sides are listed before any pair is read.
        comp.folderListed = [&](element_t& folder, std::string&) {
            if (folder.path == comp.pathB) c.change(dir / "B/f");
            return true;
        };
        comp.run();
        result_t& pair = child(comp.results, "f");
        EXPECT_EQ(pair.identical, 0) << c.what;
        ASSERT_TRUE(pair.contentError) << c.what;
        EXPECT_NE(pair.contentError->find(c.reason), std::string::npos) << c.what << ": " << *pair.contentError;
        std::filesystem::remove(dir / "B/f");
    }
}

TEST_F(Content, SizesThatDifferTellThePairApartWithoutReadingAndAStopEndsTheRunAsStopped)
{
    dir.file("A/f", std::string(2 << 20, 's'));
    dir.file("B/f", std::string((2 << 20) + 1, 's'));
    RunControl control;
    auto comp = compared(a, b, kSizeAndContent, {test::kSep}, {}, &control);
    EXPECT_EQ(child(comp->results, "f").sameContent, 0);
    EXPECT_EQ(control.bytesCompared, 0) << "read although the sizes differ";

    dir.file("B/f", std::string(2 << 20, 's'));
    control.reset();
    control.onText = [&](const std::string& text) {
        if (text.find(b) != std::string::npos && text.find(messageText(msg::ProgressComparing)) == 0)
            control.requestAbort();
    };
    comp = compared(a, b, kSizeAndContent, {test::kSep}, {}, &control);
    EXPECT_EQ(comp->state, CompareError);
    EXPECT_EQ(comp->errorText, messageText(msg::UserAbort));
}

TEST_F(Content, ThePairsOfAFolderCountAsTheyAreComparedNotWhenItEnds)
{
    for (int i = 0; i < 3; ++i) {
        dir.file("A/big" + std::to_string(i), std::string(2 << 20, 'b'));
        dir.file("B/big" + std::to_string(i), std::string(2 << 20, 'b'));
    }
    RunControl control;
    int64_t countedAtTheLast = -1;
    control.onText = [&](const std::string& text) {
        if (text.find("big2") != std::string::npos) countedAtTheLast = control.itemsCompared;
    };
    compared(a, b, kSizeAndContent, {test::kSep}, {}, &control);
    EXPECT_EQ(countedAtTheLast, 2) << "the progress stood still while the folder's files were read";
}

// The progress bar goes by bytes under the content rule: it must end where it
// began to count, whatever pairs were told apart early or never read.
TEST_F(Content, TheBytesDoneEndAtTheBytesToDoThoughAPairDiffersAtItsFirstByte)
{
    const std::string big(3 << 20, 'b');
    dir.lay({{"A/same", big},
             {"B/same", big},
             {"A/sub/first", "x" + big},
             {"B/sub/first", "y" + big},
             {"A/sizes", "short"},
             {"B/sizes", "longer"},
             {"A/only", big}});
    for (int i = 0; i < 10; ++i) dir.lay({{"A/many/" + std::to_string(i), "n"}, {"B/many/" + std::to_string(i), "n"}});
    RunControl control;
    int64_t toDoAtTheFirstPair = -1;
    control.onText = [&](const std::string& text) {
        if (toDoAtTheFirstPair < 0 && text.find("same") != std::string::npos)
            toDoAtTheFirstPair = control.bytesToCompare;
    };
    compared(a, b, kSizeAndContent | optSubFolders, {test::kSep}, {}, &control);
    const int64_t toDo = 2 * int64_t(big.size()) + 1 + 10;
    EXPECT_EQ(toDoAtTheFirstPair, toDo) << "known before the first pair is read";
    EXPECT_EQ(control.bytesToCompare, toDo);
    EXPECT_EQ(control.bytesCompared, toDo);
}

TEST_F(Content, ASideFromAnInformationFileIsComparedWithoutContentAndSaysSo)
{
    dir.file("A/f", "abc");
    dir.file("B/f", "abd");
    const std::string info = dir / "a.dat";
    std::string error;
    ASSERT_TRUE(test::exportFolder(a, info, error)) << error;
    dirCompare comp(test::request(a, b, {test::kSep}, {}, kSizeAndContent, {}, info), nullptr);
    comp.run();
    EXPECT_EQ(comp.results.different, 0);
    EXPECT_FALSE(comp.contentRuleNote().empty());
    EXPECT_TRUE(compared(a, b, kSizeAndContent | optTime)->contentRuleNote().empty());
}

TEST_F(Content, LinksWhoseTargetsCannotBeReadCompareAsTheLinksTheyAre)
{
    namespace fs = std::filesystem;
    fs::create_symlink("missing", dir / "A/same");
    fs::create_symlink("missing", dir / "B/same");
    fs::create_symlink("missing", dir / "A/other");
    fs::create_symlink("gone", dir / "B/other");
    dir.file("A/t", "t");
    dir.file("B/t", "t");
    fs::create_symlink("t", dir / "A/readable");
    fs::create_symlink("missing", dir / "B/readable");  // as unreadable links are compared today
    auto comp = compared(a, b, kSizeAndContent);
    EXPECT_TRUE(child(comp->results, "same").identical);
    EXPECT_FALSE(child(comp->results, "other").identical);
    EXPECT_FALSE(child(comp->results, "other").contentError);
    EXPECT_FALSE(child(comp->results, "readable").identical);
}

}  // namespace
}  // namespace dm
