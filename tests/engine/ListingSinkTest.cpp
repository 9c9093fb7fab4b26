// The policy every side's listing shares, tried on the sink alone.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "engine/side/ListingSink.h"
#include "engine/side/RunControl.h"
#include "tests/support/Compare.h"

namespace dm {
namespace {

TEST(ListingSink, AFolderThatCannotBeListedIsSkippedOnlyWhereTheAnswerIsYesAndThenHoldsNothing)
{
    for (const bool yes : {false, true}) {
        test::TestSink sink;
        std::string asked;
        sink.skips = [&](const std::string& folder, const std::string& reason) {
            asked = folder + ": " + reason;
            return yes;
        };
        element_t folder;
        folder.path = "/A/sub";
        folder.children = std::make_unique<ElementList>();
        folder.children->push_back(std::make_unique<element_t>());
        folder.count = 3;
        EXPECT_EQ(sink.skip(folder, "Permission denied"), yes);
        EXPECT_EQ(asked, "/A/sub: Permission denied");
        EXPECT_EQ(folder.unreadable != nullptr, yes);
        EXPECT_EQ(folder.children == nullptr, yes);
        EXPECT_EQ(folder.count, yes ? 0 : 3);
    }
}

TEST(ListingSink, EntriesAreCountedAgainstTheLimitAndAStopEndsTheListingWithinAThousand)
{
    RunControl control;
    test::TestSink sink(5000, &control);
    std::string error;
    EXPECT_TRUE(sink.entering("/A/", error));
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(sink.count(1, "/A/", error));
    EXPECT_EQ(control.entriesCounted, 1000);
    EXPECT_FALSE(sink.full());
    control.requestAbort();
    int more = 0;
    while (more < 5000 && sink.count(1, "/A/", error)) ++more;
    EXPECT_LT(more, 1024);
    EXPECT_EQ(error, messageText(msg::UserAbort));
    EXPECT_FALSE(sink.entering("/A/sub/", error));
    EXPECT_TRUE(sink.stopped());

    test::TestSink limited(3);
    EXPECT_TRUE(limited.count(2, "/A/", error));
    EXPECT_FALSE(limited.full());
    EXPECT_TRUE(limited.count(1, "/A/", error));
    EXPECT_TRUE(limited.full());
}

}  // namespace
}  // namespace dm
