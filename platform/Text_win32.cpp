#include <algorithm>

#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {
// Where the character that starts at `i` ends: a lead byte of the code page
// takes the next byte with it.
size_t characterEnd(std::string_view text, size_t i)
{
    const size_t next = i + (IsDBCSLeadByte(BYTE(text[i])) ? 2 : 1);
    return std::min(next, text.size());
}

// Position of the last whole separator character, or npos.
size_t lastSeparator(std::string_view text)
{
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i = characterEnd(text, i))
        if (text[i] == kSeparator) found = i;
    return found;
}

std::string convert(std::string_view text, UINT from, UINT to)
{
    if (text.empty()) return {};
    const int wideLength = MultiByteToWideChar(from, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), int(text.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}
}  // namespace

std::string upperCase(std::string_view text)
{
    std::string out(text);
    if (!out.empty()) CharUpperBuffA(out.data(), DWORD(out.size()));
    return out;
}

bool endsWithSeparator(std::string_view text)
{
    // A trail byte of a double-byte character may have the separator's value.
    const size_t pos = lastSeparator(text);
    return pos != std::string_view::npos && pos + 1 == text.size();
}

std::string_view lastComponent(std::string_view path)
{
    const size_t pos = lastSeparator(path);
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

bool listingOrderLess(std::string_view a, std::string_view b)
{
    const std::string ua = upperCase(a);
    const std::string ub = upperCase(b);
    const int order = ua.compare(ub);  // char_traits<char> compares bytes unsigned
    if (order != 0) return order < 0;
    return a < b;
}

std::string toUtf8(std::string_view text)
{
    return convert(text, CP_ACP, CP_UTF8);
}

std::string fromUtf8(std::string_view text)
{
    return convert(text, CP_UTF8, CP_ACP);
}

}  // namespace dm::platform
