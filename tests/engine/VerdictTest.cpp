#include <gtest/gtest.h>

#include "engine/compare/Verdict.h"

namespace dm {
namespace {

constexpr uint64_t kSecond = 10000000;
constexpr uint64_t kBase = 130000000000000000;  // a file time in 100-ns units

struct Item {
    bool folder = false;
    uint64_t size = 10;
    double secondsLater = 0;
    const char* version = "1.0.0.1";
    bool link = false;
    bool unreadable = false;
};

element_t made(const Item& item)
{
    element_t e;
    e.isFolder = item.folder;
    e.version = item.version;
    e.findData.nFileSizeLow = uint32_t(item.size);
    e.findData.ftLastWriteTime = platform::makeFileTime(kBase + uint64_t(item.secondsLater * double(kSecond) + 0.5));
    if (item.link) e.findData.dwFileAttributes |= platform::FILE_ATTRIBUTE_REPARSE_POINT;
    if (item.unreadable) e.unreadable = std::make_unique<std::string>("denied");
    return e;
}

TEST(Verdict, APairIsIdenticalOnlyWhereEveryRuleItAppliesAgreesAndSaysWhichDoNot)
{
    const VerdictRules all;
    VerdictRules fat;
    fat.timeStep = 2 * kSecond;
    VerdictRules shifted;
    shifted.ignoreHourShift = true;
    VerdictRules sizeOnly;
    sizeOnly.options = optValid | optSize;
    const struct Case {
        const char* what;
        Item a, b;
        VerdictRules rules;
        PairVerdict expected;
    } cases[] = {
        {"alike", {}, {}, all, {true, 1, 1, 1}},
        {"sizes differ", {}, {.size = 11}, all, {false, 0, 1, 1}},
        {"a sub-millisecond apart", {}, {.secondsLater = 0.0004}, all, {true, 1, 1, 1}},
        {"a millisecond apart", {}, {.secondsLater = 0.0015}, all, {false, 1, 0, 1}},
        {"versions differ", {}, {.version = "1.0.0.2"}, all, {false, 1, 1, 0}},
        {"a version left unread, the sizes telling",
         {},
         {.size = 11, .version = ""},
         all,
         {false, 0, 1, kVersionNotRead}},
        {"only the size is a rule", {}, {.secondsLater = 60, .version = "2"}, sizeOnly, {true, 1, 1, 1}},
        {"within a FAT step", {}, {.secondsLater = 1.99}, fat, {true, 1, 1, 1}},
        {"a whole FAT step apart", {}, {.secondsLater = 2}, fat, {false, 1, 0, 1}},
        {"an hour shift and half a millisecond", {}, {.secondsLater = 3600.0005}, shifted, {true, 1, 1, 1}},
        {"an hour shift and a millisecond and a half", {}, {.secondsLater = 3600.0015}, shifted, {false, 1, 0, 1}},
        {"a folder facing a file", {.folder = true}, {}, all, {false, 1, 1, 1}},
        {"two folders", {.folder = true, .version = ""}, {.folder = true, .version = ""}, all, {true, 1, 1, 1}},
        {"a folder facing a link", {.folder = true}, {.folder = true, .link = true}, all, {false, 1, 1, 1}},
        {"an unreadable folder", {.folder = true}, {.folder = true, .unreadable = true}, all, {false, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        const PairVerdict v = verdictOf(made(c.a), made(c.b), c.rules);
        EXPECT_EQ(v.identical, c.expected.identical) << c.what;
        EXPECT_EQ(v.sameSize, c.expected.sameSize) << c.what;
        EXPECT_EQ(v.sameTime, c.expected.sameTime) << c.what;
        EXPECT_EQ(v.sameVersion, c.expected.sameVersion) << c.what;
    }
}

}  // namespace
}  // namespace dm
