#include "engine/Verdict.h"

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
