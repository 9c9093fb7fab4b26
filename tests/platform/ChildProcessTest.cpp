#include <gtest/gtest.h>

#include "platform/ChildProcess.h"

namespace dm::platform {
namespace {

// A program run to its end gives its exit code and all it wrote on either
// output; one that cannot be started gives -1.
TEST(ChildProcess, AProgramRunToItsEndGivesItsCodeAndAllItSaid)
{
#ifdef _WIN32
    const std::vector<std::string> talker{"cmd", "/c", "echo to out& echo to err 1>&2& exit 3"};
#else
    const std::vector<std::string> talker{"sh", "-c", "echo to out; echo to err >&2; exit 3"};
#endif
    std::string said;
    EXPECT_EQ(runToEnd(talker, said), 3);
    EXPECT_NE(said.find("to out"), std::string::npos) << said;
    EXPECT_NE(said.find("to err"), std::string::npos) << said;
    EXPECT_LT(runToEnd({"dirmatch-no-such-program"}, said), 0);
}

}  // namespace
}  // namespace dm::platform
