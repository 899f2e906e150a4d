// The main of the test programs that show windows: the framework on Qt's offscreen platform.
#include <afxwin.h>
#include "afxalsa.h"
#include "afxqt.h"

#include "QuietOffscreen.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the program rather than fork a process that holds a Qt application.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(test_support::QuietOffscreen);
    afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
    afx::qt::InitFramework(argc, argv);
    return RUN_ALL_TESTS();
}
