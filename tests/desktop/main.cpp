// The main of the desktop tests: a private X server with a real window manager, and the
// framework on it through Qt's X11 platform. Without them every test skips, saying why.
#include "DesktopTesting.h"

#include <afxwin.h>
#include "afxalsa.h"
#include "afxqt.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace
{
x_session::Session* g_session = nullptr;

// Qt's X11 platform reports what it cannot do without a session manager; nothing here needs one.
void QuietPlatform(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (message.contains(QStringLiteral("XDG_RUNTIME_DIR")) ||
        message.contains(QStringLiteral("session management")))
        return;
    fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        abort();
}
} // namespace

const x_session::Session* TheSession()
{
    return g_session;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests))
        g_session = new x_session::Session;
    if (g_session != nullptr && g_session->Started())
    {
        setenv("DISPLAY", g_session->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    else
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QuietPlatform);
    afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
    afx::qt::InitFramework(argc, argv);
    const int result = RUN_ALL_TESTS();
    delete g_session;
    // The X server is gone: leave before anything of Qt's tries to talk to it.
    std::fflush(nullptr);
    _exit(result);
}
