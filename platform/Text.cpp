#include "platform/Text.h"

#include <algorithm>

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

bool parseInteger(std::string_view text, bool& negative, bool& hexadecimal, uint64_t& magnitude)
{
    size_t i = 0;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    hexadecimal = false;
    if (i < text.size() && text[i] == '$') {
        hexadecimal = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hexadecimal = true;
        i += 2;
    }
    if (i == text.size()) return false;
    const unsigned base = hexadecimal ? 16 : 10;
    magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (hexadecimal && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (hexadecimal && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        if (magnitude > (UINT64_MAX - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    return true;
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

}  // namespace dm::platform
