// Byte-string rules that depend on the platform's code page and separator.
#pragma once

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

// Text of the system's code page as UTF-8, and back; the same bytes where the
// code page is UTF-8. Characters the target cannot hold become "?".
std::string toUtf8(std::string_view text);
std::string fromUtf8(std::string_view text);

}  // namespace dm::platform
