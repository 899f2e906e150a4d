// A Qt message handler for programs that run the framework on Qt's offscreen platform or a bare
// X server: without a window manager or a session manager, Qt says so for every window; the rest
// is worth reading.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace test_support
{
inline void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    for (const char* noise :
         {"This plugin does not support", "XDG_RUNTIME_DIR", "session management"})
        if (message.contains(QLatin1String(noise)))
            return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}
} // namespace test_support
