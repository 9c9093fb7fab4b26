// What the trees show of a result, the same in both front ends.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "engine/compare/ResultView.h"

namespace dm {
namespace {

std::unique_ptr<result_t> pair(const std::string& name, bool included)
{
    auto r = std::make_unique<result_t>();
    r->kind = InBoth;
    r->name = name;
    r->included = included;
    return r;
}

TEST(ResultView, AFolderLeftOutByTheFiltersIsNeverShownForAChildThatMatches)
{
    for (const bool included : {true, false}) {
        auto folder = pair("folder", included);
        folder->folderA = folder->folderB = 1;
        folder->children = std::make_unique<ResultList>();
        folder->children->push_back(pair("match.txt", true));
        ShowFilter filter;
        filter.text = "match";
        EXPECT_EQ(isShownBy(*folder, filter), included) << (included ? "included" : "left out");
    }
}

TEST(ResultView, TheReasonNamesWhatDiffersAndNothingElse)
{
    setLanguage(English);
    struct Case {
        uint8_t size, time, version, content;
        const char* reason;
    };
    const Case cases[] = {
        {1, 0, 1, 1, "time"},    {0, 1, 1, 1, "size"},    {0, 0, 1, 1, "size, time"},
        {1, 1, 0, 1, "version"}, {1, 1, 1, 0, "content"},
    };
    for (const Case& c : cases) {
        auto r = pair("f", true);
        r->sameSize = c.size;
        r->sameTime = c.time;
        r->sameVersion = c.version;
        r->sameContent = c.content;
        EXPECT_EQ(differenceReason(*r), c.reason);
    }
    setLanguage(Chinese);
}

}  // namespace
}  // namespace dm
