// Text as the Win32 program shows it: UTF-16 for the windows, and its own
// words from the one table of translations the Qt program keeps.
#pragma once

#include <string>
#include <string_view>

namespace dm::win32 {

std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view text);

// The program's words: the Chinese text as written, or its English from the
// translations (the Chinese where there is none).
std::wstring tr(const char* chinese);
// The same with a mnemonic: the first `key` of the English text underlined,
// or "(&K)" after a text that holds no such letter (the Chinese).
std::wstring withKey(const char* chinese, wchar_t key);
std::wstring withKey(std::wstring text, wchar_t key);
// An engine text (the message table, textIn) as the window shows it.
inline std::wstring shown(const std::string& text)
{
    return wide(text);
}

}  // namespace dm::win32
