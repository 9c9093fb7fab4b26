// The helper thread lent to a run: work split between it and the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/compare/HelperThread.h"

namespace dm {
namespace {

TEST(HelperThread, EveryPieceIsDoneOnceByOneOfTheTwoThreadsRunAfterRun)
{
    HelperThread helper;
    for (int run = 0; run < 50; ++run) {
        std::vector<std::atomic<int>> done(200);
        std::atomic<size_t> next{0};
        helper.runOnBoth([&] {
            for (size_t k = next++; k < done.size(); k = next++) ++done[k];
        });
        for (const auto& d : done) ASSERT_EQ(d.load(), 1) << "run " << run;
    }
}

TEST(HelperThread, AFailureOnEitherThreadReachesTheCallerOnceBothHaveReturned)
{
    HelperThread helper;
    for (const bool onCaller : {true, false}) {
        const auto caller = std::this_thread::get_id();
        std::atomic<int> returned{0};
        EXPECT_THROW(helper.runOnBoth([&] {
            const bool here = std::this_thread::get_id() == caller;
            ++returned;
            if (here == onCaller) throw std::runtime_error("failed");
        }),
                     std::runtime_error);
        EXPECT_EQ(returned, 2);
    }
    std::atomic<int> ranAfter{0};
    helper.runOnBoth([&] { ++ranAfter; });
    EXPECT_EQ(ranAfter, 2) << "the helper serves again after a failure";
}

}  // namespace
}  // namespace dm
