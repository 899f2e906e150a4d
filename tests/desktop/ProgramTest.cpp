// The program itself, started as a user starts it, under the window manager: its message box and
// its window carry the application's name, and Escape ends it.
#include "DesktopSession.h"

#include <fstream>

using namespace test_support;

TEST(Program, ABoxThenTheTunerCarryTheApplicationsNameAndEscapeEndsIt)
{
    REQUIRE_DESKTOP();
    TempFolder dir;
    std::ifstream shipped(std::string(std::getenv("QUINTOR_SOURCE_DIR")) + "/data/Accords.ini",
                          std::ios::binary);
    std::ofstream(dir / "Accords.ini", std::ios::binary) << shipped.rdbuf();
    // ALSA's whole configuration: one card that cannot open, so the card's message comes first.
    std::ofstream(dir / "alsa.conf") << "pcm.broken {\n type file\n slave.pcm { type null }\n"
                                        " file \"/dev/null\"\n infile \"/nonexistent.raw\"\n"
                                        " format \"raw\"\n"
                                        " hint { show on description \"Panne|IOIDInput\" }\n}\n";
    const pid_t program =
        Spawn({"sh", "-c", "cd \"$1\" && exec \"$2\"", "sh", dir.Path(), QUINTOR_PROGRAM},
              {"DISPLAY=" + TheSession()->Display(), "QT_QPA_PLATFORM=xcb",
               "ALSA_CONFIG_PATH=" + (dir / "alsa.conf"), "XDG_RUNTIME_DIR=" + dir.Path()},
              dir / "program.log");
    ASSERT_GT(program, 0);

    // The message box is up before the tuner shows: the one window of that name.
    std::vector<unsigned long> windows;
    ASSERT_TRUE(Await([&] { return !(windows = FindWindows("Quintor")).empty(); }))
        << "no window named Quintor";
    ASSERT_EQ(windows.size(), 1u);
    const unsigned long box = windows[0];
    Output("xdotool windowactivate --sync " + std::to_string(box) + " key Return");

    // Then the tuner, with the class the desktop entry names.
    unsigned long tuner = 0;
    ASSERT_TRUE(Await(
        [&]
        {
            windows = FindWindows("Quintor");
            tuner = windows.size() == 1 && windows[0] != box ? windows[0] : 0;
            return tuner != 0;
        }))
        << "the tuner never showed";
    EXPECT_NE(Output("xprop -id " + std::to_string(tuner) + " WM_CLASS").find("\"Quintor\""),
              std::string::npos);

    // Escape ends it, with the framework's status.
    Output("xdotool windowactivate --sync " + std::to_string(tuner) + " key Escape");
    int status = -1;
    pid_t running = program;
    const bool ended = WaitFor([&] { return Ended(program, &status); });
    if (!ended)
        EndGroup(running);
    ASSERT_TRUE(ended) << "Escape did not end the tuner";
    EXPECT_TRUE(WIFEXITED(status)) << Output("cat '" + (dir / "program.log") + "'");
}
