// A Qt message handler for programs on the offscreen platform: it has no window manager and says
// so for every window; the rest is worth reading.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace test_support
{
inline void QuietOffscreen(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}
} // namespace test_support
