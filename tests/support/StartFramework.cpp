// The framework as the test programs that show windows start it: as the Linux entry does, Qt's
// windows (offscreen unless QT_QPA_PLATFORM says otherwise) and ALSA's wave input, which the
// tests replace with the double where they want it.
#include "QuietQt.h"
#include "RunTests.h"
#include "afxalsa.h"
#include "afxqt.h"

#include <cstdlib>

namespace test_support
{
void StartFramework(int& argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(QuietQt);
    afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
    afx::qt::InitFramework(argc, argv);
}
} // namespace test_support
