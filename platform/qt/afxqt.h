// The Qt 6 back end of the windows, as a program's entry or a test's main names it.
#pragma once

#include "afxdrivers.h"

namespace afx::qt
{
// Qt Widgets on the platform Qt chooses (xcb, Wayland, offscreen), with Qt's own French texts.
extern const WindowDriver kWindowDriver;

// Starts this driver alone, for programs that drive windows themselves (tests, benchmarks).
void InitFramework(int& argc, char* argv[]);
} // namespace afx::qt
