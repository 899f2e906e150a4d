// Two plucked strings played in real time into a private PipeWire server and recorded by the
// tuner through the server's ALSA device: one block of sound after the other, each shown as it
// comes. (The same over PulseAudio is part of the server-loss test.)
#include "KnownPlucks.h"

#include <filesystem>

using namespace endtoend;

namespace
{

using SoundServer = EndToEndTest;

TEST_F(SoundServer, PipeWireShowsTwoStringsPlayedOneAfterTheOtherInRealTime)
{
    test_support::PipeWireServer server;
    REQUIRE_STARTED(server);
    if (!std::filesystem::exists(QUINTOR_PIPEWIRE_ALSA "/usr/share/alsa/alsa.conf.d"))
        GTEST_SKIP() << "PipeWire's ALSA plugin is not unpacked in " QUINTOR_PIPEWIRE_ALSA
                        " (tools/install-deps.sh does it)";
    test_support::ScopedEnv env(server.ClientEnvironment());

    // Each pluck fills one capture buffer's worth of sound; their positions differ.
    const KnownPluck& first = Known("A2");
    const KnownPluck& second = Known("E4 a little sharp");
    const std::string file = m_scratch / "played.raw";
    ASSERT_TRUE(test_support::WriteRaw(file, Plucks({first.Sounding(), second.Sounding()})));

    RealWorld world;
    TunerDialog dlg;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, "PipeWire"));
    ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
    world.boxes.calls.clear();

    // Nothing until the first buffer is full, about six seconds of sound later.
    const Reading one = Show(dlg, [&] { ASSERT_TRUE(server.Play(file)); });
    PumpUntil("the second block on the screen", [&] { return dlg.SliderPos() != one.position; });
    const Reading two = Read(dlg);
    ClickStop(dlg);
    server.WaitPlayed();

    EXPECT_TRUE(Allowed(first, one)) << "first: " << one;
    EXPECT_TRUE(Allowed(second, two)) << "second: " << two;
    EXPECT_TRUE(world.boxes.calls.empty());
    afx::UserClosedWindow(dlg.m_hWnd);
}

} // namespace
