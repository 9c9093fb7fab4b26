// The Win32 headers the windows of the program need, in the order they need
// them: windows.h (through the platform layer, which keeps our own records'
// names) before the common controls, the shell and OLE.
#pragma once

// clang-format off
#include "platform/Win32.h"
#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>
// clang-format on
