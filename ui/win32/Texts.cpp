#include "ui/win32/Texts.h"

#include <cstring>
#include <cwctype>
#include <string>
#include <unordered_map>

#include "common/Messages.h"
#include "ui/win32/Win32Ui.h"

namespace dm::win32 {

namespace {

struct Translation {
    const char* chinese;
    const char* english;
};

constexpr Translation kTable[] = {
#include "TextTable.inc"
};

}  // namespace

std::wstring wide(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), length);
    return text;
}

std::string narrow(std::wstring_view text)
{
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::wstring tr(const char* chinese)
{
    if (currentLanguage() != English) return wide(chinese);
    static const std::unordered_map<std::string, const char*> english = [] {
        std::unordered_map<std::string, const char*> table;
        for (const Translation& t : kTable) table.emplace(t.chinese, t.english);
        return table;
    }();
    const auto found = english.find(chinese);
    return wide(found != english.end() ? found->second : chinese);
}

std::wstring withKey(const char* chinese, wchar_t key)
{
    return withKey(tr(chinese), key);
}

std::wstring withKey(std::wstring text, wchar_t key)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::towupper(text[i]) == std::towupper(key)) return text.insert(i, 1, L'&');
    }
    return text + L"(&" + wchar_t(std::towupper(key)) + L")";
}

}  // namespace dm::win32
