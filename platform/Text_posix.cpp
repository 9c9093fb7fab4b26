#include <algorithm>

#include "platform/Text.h"

namespace dm::platform {

namespace {
char upperByte(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
}  // namespace

std::string upperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = upperByte(c);
    return out;
}

bool endsWithSeparator(std::string_view text)
{
    // In UTF-8 the separator byte never occurs inside a multi-byte character,
    // so the last byte is the last whole character's test.
    return !text.empty() && text.back() == kSeparator;
}

std::string_view lastComponent(std::string_view path)
{
    const auto pos = path.find_last_of(kSeparator);
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

bool listingOrderLess(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ua = static_cast<unsigned char>(upperByte(a[i]));
        const auto ub = static_cast<unsigned char>(upperByte(b[i]));
        if (ua != ub) return ua < ub;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string toUtf8(std::string_view text)
{
    return std::string(text);
}

std::string fromUtf8(std::string_view text)
{
    return std::string(text);
}

}  // namespace dm::platform
