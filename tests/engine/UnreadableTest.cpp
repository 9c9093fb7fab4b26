#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "common/Messages.h"
#include "engine/compare/ResultView.h"
#include "engine/sync/Sync.h"
#include "engine/workflow/Workflow.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::child;

// Folders below A and B that cannot be listed, as a user without the right
// to read them meets them.
class Unreadable : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.file("A/fine/new", "a");
        dir.file("A/lockedA/inside", "a");
        dir.file("B/lockedA/inside", "b, older");
        dir.file("A/lockedB/inside", "a");
        dir.file("B/lockedB/mine", "b");
        dir.file("A/onlyA/inside", "a");
        platform::testSeams().failListing = [this](const std::string& folder) {
            for (const char* locked : {"A/lockedA/", "B/lockedB/", "A/onlyA/"})
                if (folder == dir / locked) return EACCES;
            return 0;
        };
        request.folderA = a;
        request.folderB = b;
        request.include = {test::kSep};
        request.options = 0x1F;
    }
    void TearDown() override { platform::testSeams().failListing = nullptr; }

    test::TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    ComparisonRequest request;
};

TEST_F(Unreadable, AFolderThatCannotBeReadEndsTheRunUnlessTheUserSkipsIt)
{
    EXPECT_EQ(compare(request, nullptr)->state, CompareError);

    // Both sides are listed at once. The first question waits until each side
    // has met a folder it cannot read, so the other would ask now if it could.
    std::mutex mutex;
    std::condition_variable changed;
    bool lockedSeenInA = false;
    bool lockedSeenInB = false;
    platform::testSeams().failListing = [&, locked = platform::testSeams().failListing](const std::string& folder) {
        const int code = locked(folder);
        if (code != 0) {
            const std::lock_guard lock(mutex);
            (folder.starts_with(a) ? lockedSeenInA : lockedSeenInB) = true;
            changed.notify_all();
        }
        return code;
    };
    std::vector<std::string> asked;
    RunQuestions questions;
    questions.skipUnreadableFolder = [&](const std::string& folder, const std::string&) {
        std::unique_lock lock(mutex);
        asked.push_back(folder);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return lockedSeenInA && lockedSeenInB; });
        return false;  // Stop
    };
    auto stopped = compare(request, nullptr, questions);
    EXPECT_EQ(stopped->state, CompareError);
    ASSERT_EQ(asked.size(), 1u);
    // The run's error is the folder asked about, whichever side ended first.
    EXPECT_NE(stopped->errorText.find(asked[0]), std::string::npos) << stopped->errorText;

    // The folder compared is never skipped: without it there is no result.
    request.keepGoing = true;
    platform::testSeams().failListing = [this](const std::string& folder) {
        return folder == a + test::kSep ? EACCES : 0;
    };
    EXPECT_EQ(compare(request, nullptr)->state, CompareError);
}

TEST_F(Unreadable, ASkippedFolderIsAnErrorItemWithItsReasonAndTheRestIsCompared)
{
    request.keepGoing = true;
    auto comp = compare(request, nullptr);
    ASSERT_EQ(comp->state, Finished) << comp->errorText;
    result_t& lockedA = child(comp->results, "lockedA");
    result_t& lockedB = child(comp->results, "lockedB");
    result_t& onlyA = child(comp->results, "onlyA");
    for (const result_t* r : {&lockedA, &lockedB, &onlyA}) {
        EXPECT_EQ(stateIndexOf(*r), StateError) << r->name;
        EXPECT_FALSE(r->children) << r->name;  // nothing below is paired
    }
    const std::string reason = platform::systemMessage(EACCES);
    EXPECT_EQ(differenceReason(lockedA), textIn("无法读取 (A): ", "cannot be read (A): ") + reason);
    EXPECT_EQ(whyNotCompared(lockedB), textIn("无法读取 (B): ", "cannot be read (B): ") + reason);
    StringList details;
    comp->details(lockedA, details);
    EXPECT_EQ(details[8], textIn("无法读取: ", "cannot be read: ") + reason);  // A's version row
    EXPECT_EQ(stateIndexOf(child(comp->results, "fine")), StateLacking);
    std::vector<const result_t*> unreadable;
    collectUnreadable(comp->results, unreadable);
    EXPECT_EQ(unreadable.size(), 3u);
}

TEST_F(Unreadable, ASyncNeverWritesIntoOrUnderASkippedFolderAndSaysWhy)
{
    request.keepGoing = true;
    auto comp = compare(request, nullptr);
    ASSERT_EQ(comp->state, Finished);
    const SyncOutcome outcome = synchronize(*comp, *comp->results.children, nullptr, {}, {});
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(dir.read("B/fine/new"), "a");
    EXPECT_EQ(dir.read("B/lockedA/inside"), "b, older");
    EXPECT_EQ(test::entriesIn(dir / "B/lockedB"), 1u);
    EXPECT_FALSE(platform::itemExists(dir / "B/onlyA"));
    EXPECT_EQ(outcome.skipped.size(), 3u);
    for (const SyncItem& skip : outcome.skipped)
        EXPECT_NE(skip.reason.find(platform::systemMessage(EACCES)), std::string::npos) << skip.source;
}

}  // namespace
}  // namespace dm
