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
    if (out.empty()) return out;
    if (GetACP() != CP_UTF8) {
        CharUpperBuffA(out.data(), DWORD(out.size()));
        return out;
    }
    // UTF-8 goes through UTF-16, where the system knows every letter's case;
    // bytes that are not UTF-8 have only their ASCII letters raised.
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, out.data(), int(out.size()), nullptr, 0);
    if (length <= 0) {
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return out;
    }
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, out.data(), int(out.size()), wide.data(), length);
    CharUpperBuffW(wide.data(), DWORD(wide.size()));
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string upper(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, upper.data(), bytes, nullptr, nullptr);
    return upper;
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

unsigned programCodePage()
{
    return GetACP();
}

unsigned legacyCodePage()
{
    DWORD codePage = 0;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) == 0)
        return 0;
    return codePage == GetACP() ? 0 : codePage;
}

namespace {

// Exactly, or not at all: no character is replaced.
bool toWide(std::string_view bytes, unsigned codePage, std::wstring& wide)
{
    wide.clear();
    if (bytes.empty()) return true;
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    if (length <= 0) return false;
    wide.resize(size_t(length));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), wide.data(), length);
    return true;
}

bool fromWide(const std::wstring& wide, unsigned codePage, std::string& bytes)
{
    bytes.clear();
    if (wide.empty()) return true;
    // UTF-8 holds every character; other code pages say when one was replaced.
    const bool utf8 = codePage == CP_UTF8;
    BOOL replaced = FALSE;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), nullptr, 0, nullptr,
                                           utf8 ? nullptr : &replaced);
    if (length <= 0 || replaced) return false;
    bytes.resize(size_t(length));
    WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), bytes.data(), length, nullptr, nullptr);
    return true;
}

}  // namespace

std::wstring widePath(const std::string& path)
{
    // Folders are refused from MAX_PATH - 12 on (room for a name of 8.3).
    std::wstring wide;
    if (!toWide(path, CP_ACP, wide) || wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring whole(size, L'\0');
    const DWORD n = size ? GetFullPathNameW(wide.c_str(), size, whole.data(), nullptr) : 0;
    if (n == 0 || n >= size) return wide;
    whole.resize(n);
    if (whole.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + whole.substr(2);
    return L"\\\\?\\" + whole;
}

bool wideText(const std::string& text, std::wstring& wide)
{
    return toWide(text, CP_ACP, wide);
}

bool isLongPath(const std::string& path)
{
    return widePath(path).starts_with(L"\\\\?\\");
}

std::string narrowed(const wchar_t* text)
{
    std::string bytes;
    const int wide = int(wcslen(text));
    const int length = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return bytes;
    bytes.resize(size_t(length));
    WideCharToMultiByte(CP_ACP, 0, text, wide, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

bool encodeText(std::string_view text, unsigned codePage, std::string& bytes)
{
    std::wstring wide;
    return toWide(text, GetACP(), wide) && fromWide(wide, codePage, bytes);
}

bool decodeText(std::string_view bytes, unsigned codePage, std::string& text)
{
    std::wstring wide;
    return toWide(bytes, codePage, wide) && fromWide(wide, GetACP(), text);
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
