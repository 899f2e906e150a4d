// The main of the test programs that show windows: the framework on Qt's offscreen platform.
#include <afxwin.h>

#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// The offscreen platform has no window manager and says so; the rest is worth reading.
void QuietOffscreen(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        abort();
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the program rather than fork a process that holds a Qt application.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(QuietOffscreen);
    afx::InitFramework(argc, argv);
    return RUN_ALL_TESTS();
}
