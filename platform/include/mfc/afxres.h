// The names the resource script uses beside the program's own identifiers (resource.h): window
// and control styles, IDOK and IDC_STATIC, the French language and the version block's flags.
// The resource compiler reads this file, so it holds definitions only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#define IDC_STATIC (-1)
// The framework's string for the application's name, shown on its message boxes.
#define AFX_IDS_APP_TITLE 0xE000
