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
