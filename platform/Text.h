// Byte-string rules that depend on the platform's code page and separator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dm::platform {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// Upper-casing as the locale does it: letters of the code page change, bytes of
// multi-byte characters stay.
std::string upperCase(std::string_view text);

// Whether the last whole character of the text is the path separator.
bool endsWithSeparator(std::string_view text);

// The text after the last separator (the whole text when there is none).
std::string_view lastComponent(std::string_view path);

// Whether the name is one component of a path: not empty, not "." or "..",
// and without a separator or a zero byte.
bool isPlainName(std::string_view name);

// An integer as the runtime's conversions read it: an optional sign, then
// decimal digits, or hexadecimal ones after "$" or "0x"; nothing else. The
// magnitude must fit 64 bits. False for any other text.
bool parseInteger(std::string_view text, bool& negative, bool& hexadecimal, uint64_t& magnitude);

// Order of names in a folder listing: by upper-cased bytes, ties by raw bytes.
bool listingOrderLess(std::string_view a, std::string_view b);

// The length of the well-formed UTF-8 sequence that starts at `at` (a lead
// byte of 0x80 or more), or 0 where none does: overlong forms, surrogates and
// code points past U+10FFFF are not well-formed.
inline size_t utf8SequenceLength(std::string_view text, size_t at)
{
    const auto c = static_cast<unsigned char>(text[at]);
    const size_t length = c >= 0xF5 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

// Whether the bytes are well-formed UTF-8 throughout.
inline bool isUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

constexpr unsigned kUtf8CodePage = 65001;

// The code page of the program's own text (65001: UTF-8).
unsigned programCodePage();
// The code page the user's system keeps older text in (936, 1252…), where
// it differs from the program's; 0 where there is none.
unsigned legacyCodePage();

// The program's text in the code page, and back; false where a character
// has no exact counterpart (nothing is replaced by "?").
bool encodeText(std::string_view text, unsigned codePage, std::string& bytes);
bool decodeText(std::string_view bytes, unsigned codePage, std::string& text);

// Text of the system's code page as UTF-8, and back; the same bytes where the
// code page is UTF-8. Characters the target cannot hold become "?".
std::string toUtf8(std::string_view text);
std::string fromUtf8(std::string_view text);

}  // namespace dm::platform
