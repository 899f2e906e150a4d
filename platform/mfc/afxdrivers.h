// The back ends a program is built with, handed to the framework by the program's entry.
//
// Each service has a table of drivers, tried in order at start (windows) or at first use (wave
// input, platform/wavein/afxwavein.h): the first that can run here serves the whole process. The
// portable core knows no driver by name, so it links without any of them; the entry of each
// platform (platform/entry/) lists the drivers that platform has, and a test lists the double it
// wants.
#pragma once

#include <afxwin.h>

namespace afx
{
// Who the program is, as its entry knows it from the build. Null fields are left to the
// framework's defaults.
struct ProgramIdentity
{
    // The desktop's name for the program (on Linux, the .desktop file's name without the
    // extension), so that the desktop ties the window to its menu entry and icon.
    const char* desktopId = nullptr;
};

struct WindowDriver
{
    const char* name;
    // On the thread that is to be the interface thread: installs the window back end
    // (SetWindowBackend) and the presenters of message boxes and file dialogs. Returns false,
    // having installed nothing, when it cannot show windows here.
    bool (*start)(int& argc, char* argv[]);
    // Once the application object has its names: the display name (code page 1252) and the
    // program's identity, for the desktop. May be null.
    void (*identify)(const char* appName, const ProgramIdentity& program);
};

// Starts the first driver of `drivers` (null-terminated) that can run; false when none can.
// Calling it again once a driver runs does nothing and returns true.
bool StartWindows(const WindowDriver* const* drivers, int& argc, char* argv[]);

// The framework's main routine over these drivers: sets the application's names (the module's
// file name, as Windows gives it, and the string AFX_IDS_APP_TITLE when the resources have it),
// starts the windows, runs InitInstance and returns what the application returns.
int RunApplication(const WindowDriver* const* drivers, const ProgramIdentity& program, int argc,
                   char* argv[]);
} // namespace afx
