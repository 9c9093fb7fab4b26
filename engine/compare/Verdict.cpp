#include "engine/compare/Verdict.h"

#include <vector>

#include "platform/Time.h"

namespace dm {

bool sameTime(const platform::FILETIME& a, const platform::FILETIME& b, const VerdictRules& rules)
{
    constexpr int64_t kMs = 10000;
    constexpr int64_t kHour = int64_t(3600) * 10000000;
    const int64_t step = int64_t(rules.timeStep);
    const int64_t window = int64_t(rules.timeWindow) * 10000000;
    // Both times move by the same local offset, so comparing whole milliseconds
    // of the file times is comparing the local calendar fields.
    const auto ms = [](int64_t t) { return t >= 0 ? t / kMs : -((-t + kMs - 1) / kMs); };
    const auto same = [&](int64_t ta, int64_t tb) {
        if (ms(ta) == ms(tb)) return true;
        const int64_t distance = ta > tb ? ta - tb : tb - ta;
        return (step > kMs && distance < step) || distance <= window;
    };
    const int64_t ta = platform::signedTicks(a);
    const int64_t tb = platform::signedTicks(b);
    // The shift is taken off before the milliseconds are compared, so a pair
    // an hour apart is judged as the same pair without the hour.
    return same(ta, tb) || (rules.ignoreHourShift && (same(ta - kHour, tb) || same(ta + kHour, tb)));
}

namespace {

// The numbers of a version "1.2.3.4"; empty where the text is no such version.
std::vector<uint64_t> versionNumbers(const std::string& text)
{
    std::vector<uint64_t> numbers;
    uint64_t number = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9' && number < UINT32_MAX) {
            number = number * 10 + uint64_t(c - '0');
            digits = true;
        } else if (c == '.' && digits) {
            numbers.push_back(number);
            number = 0;
            digits = false;
        } else {
            return {};
        }
    }
    if (!digits) return {};
    numbers.push_back(number);
    return numbers;
}

}  // namespace

bool newerInB(const element_t& a, const element_t& b, const VerdictRules& rules)
{
    if (rules.options & optVersion) {
        const std::vector<uint64_t> va = versionNumbers(a.version);
        const std::vector<uint64_t> vb = versionNumbers(b.version);
        if (!va.empty() && !vb.empty() && va != vb) return vb > va;
    }
    const platform::FILETIME& ta = a.findData.ftLastWriteTime;
    const platform::FILETIME& tb = b.findData.ftLastWriteTime;
    return !sameTime(ta, tb, rules) && platform::signedTicks(tb) > platform::signedTicks(ta);
}

PairVerdict verdictOf(const element_t& a, const element_t& b, const VerdictRules& rules)
{
    PairVerdict v;
    const uint8_t options = rules.options;
    v.sameSize = !(options & optSize) || a.size() == b.size();
    v.sameTime = !(options & optTime) || sameTime(a.findData.ftLastWriteTime, b.findData.ftLastWriteTime, rules);
    const auto read = [](const element_t& e) { return e.isFolder || !e.version.empty(); };
    v.sameVersion = !(options & optVersion) ? 1 : read(a) && read(b) ? a.version == b.version : kVersionNotRead;
    if (a.isFolder && b.isFolder)
        v.identical = isLinkedFolder(a) == isLinkedFolder(b) && !a.unreadable && !b.unreadable;
    else
        v.identical = !a.isFolder && !b.isFolder && v.sameSize && v.sameTime && v.sameVersion;
    return v;
}

}  // namespace dm
