// The Win32 back end of the windows, as the Windows entry names it, and what its files share.
#pragma once

#include "afxdrivers.h"

#include <string>

namespace afx::win32
{
// Windows' own dialogs, controls, message boxes and file dialog.
extern const WindowDriver kWindowDriver;

// The system's window that shows a window of the layer, once it is shown; null before.
HWND SystemWindowOf(HWND layer);

// Installs the message-box and file-dialog presenters over MessageBoxW and GetOpenFileNameW.
void InstallPresenters();

// The layer's strings are code page 1252 whatever the system's code page: the back end speaks
// to Windows in UTF-16.
std::wstring Widen(const char* text);
std::string Narrow(const wchar_t* text);
} // namespace afx::win32
