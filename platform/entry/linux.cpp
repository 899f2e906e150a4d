// The process entry of a framework program on Linux: the back ends this platform has, in the
// order to try them, and the program's identity from its build.
#include "afxalsa.h"
#include "afxdrivers.h"
#include "afxqt.h"

#ifndef AFX_DESKTOP_ID
#define AFX_DESKTOP_ID nullptr
#endif

namespace
{
const afx::WindowDriver* const kWindowDrivers[] = {&afx::qt::kWindowDriver, nullptr};
const afx::wavein::Driver* const kWaveInDrivers[] = {&afx::wavein::kAlsaDriver, nullptr};
} // namespace

int main(int argc, char* argv[])
{
    afx::wavein::SetDrivers(kWaveInDrivers);
    afx::ProgramIdentity program;
    program.desktopId = AFX_DESKTOP_ID;
    return afx::RunApplication(kWindowDrivers, program, argc, argv);
}
