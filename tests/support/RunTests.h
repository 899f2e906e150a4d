// What every test program's main does: the framework on a Qt platform for programs that show
// windows, and a run in which a skip fails when CI=true, as a skipped check on the build machine
// is a check lost.
#pragma once

namespace test_support
{
// Starts the framework on the platform QT_QPA_PLATFORM names, offscreen unless set, with ALSA's
// wave input (StartFramework.cpp, in the programs built FRAMEWORK). Qt keeps `argc` by
// reference: it must outlive the run.
void StartFramework(int& argc, char** argv);

// Runs the tests InitGoogleTest chose; the process's exit status.
int RunAllTests();
} // namespace test_support
