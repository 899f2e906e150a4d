// The process entry of a framework program on Windows: the system's own windows, and the
// program's identity from its build.
#include "afxdrivers.h"
#include "afxwin32.h"

#include <cstdlib>

#ifndef AFX_DESKTOP_ID
#define AFX_DESKTOP_ID nullptr
#endif

namespace
{
const afx::WindowDriver* const kWindowDrivers[] = {&afx::win32::kWindowDriver, nullptr};
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    afx::ProgramIdentity program;
    program.desktopId = AFX_DESKTOP_ID;
    return afx::RunApplication(kWindowDrivers, program, __argc, __argv);
}
