// windows.h for the Win32 sources of this layer. Some of its macros carry the
// names of our own records and constants (WIN32_FIND_DATA, FILE_ATTRIBUTE_*);
// they are removed so that ours keep their names, and the system's records are
// used by their "A" names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#undef WIN32_FIND_DATA
#undef FILE_ATTRIBUTE_READONLY
#undef FILE_ATTRIBUTE_HIDDEN
#undef FILE_ATTRIBUTE_DIRECTORY
#undef FILE_ATTRIBUTE_ARCHIVE
#undef FILE_ATTRIBUTE_REPARSE_POINT

#include <string>

namespace dm::platform {

// A path as the wide calls take it: in UTF-16, and where it is longer than
// the old limit of the "A" calls and the shell, absolute with the "\\?\"
// prefix that lifts the limit (the system then reads the path as it stands,
// so it is made whole first). Empty where the path is no text of the
// program's code page.
std::wstring widePath(const std::string& path);
// Whether a path is past the limit the shell's copy and the "A" calls keep.
bool isLongPath(const std::string& path);
// Text of the program's code page in UTF-16; false where it is none.
bool wideText(const std::string& text, std::wstring& wide);
// A name the wide calls gave, in the program's code page.
std::string narrowed(const wchar_t* text);

}  // namespace dm::platform
