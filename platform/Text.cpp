#include "platform/Text.h"

namespace dm::platform {

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

bool isPlainName(std::string_view name)
{
    // Windows takes either slash for a separator; elsewhere a backslash is a character.
    constexpr std::string_view kNotInName =
        kSeparator == '\\' ? std::string_view("/\\\0", 3) : std::string_view("/\0", 2);
    return !name.empty() && name != "." && name != ".." && name.find_first_of(kNotInName) == std::string_view::npos;
}

}  // namespace dm::platform
