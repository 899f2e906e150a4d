// The main of the desktop tests: a private X server with a real window manager, and the
// framework on it through Qt's X11 platform.
#include "DesktopSession.h"
#include "RunTests.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{
test_support::XSession* g_session = nullptr;
} // namespace

const test_support::XSession* TheSession()
{
    return g_session;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests))
        g_session = new test_support::XSession;
    if (g_session != nullptr && g_session->Started())
    {
        setenv("DISPLAY", g_session->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    test_support::StartFramework(argc, argv);
    const int result = test_support::RunAllTests();
    delete g_session;
    // The X server is gone: leave before anything of Qt's tries to talk to it.
    std::fflush(nullptr);
    _exit(result);
}
