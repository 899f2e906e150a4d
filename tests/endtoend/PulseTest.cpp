// Two plucked strings played in real time into a private sound server, PulseAudio or PipeWire,
// and recorded by the tuner through the server's ALSA device: one block of sound after the
// other, each shown as it comes.
#include "KnownPlucks.h"

using namespace endtoend;

namespace
{

class SoundServer : public EndToEndTest
{
protected:
    template <class Server> void ShowsTwoStringsOneAfterTheOther(const char* cardPrefix)
    {
        Server server;
        if (!server.Started())
            GTEST_SKIP() << "no private " << cardPrefix << " server here: " << server.Problem();
        sound_fixtures::ScopedEnv env(server.ClientEnvironment());

        // Each pluck fills one capture buffer's worth of sound; their positions differ.
        const KnownPluck& first = Known("A2");
        const KnownPluck& second = Known("E4 a little sharp");
        std::vector<std::int16_t> played = PluckBlock(m_scratch.Path(), first.Sounding(), 2.5);
        const std::vector<std::int16_t> next = PluckBlock(m_scratch.Path(), second.Sounding(), 2.5);
        played.insert(played.end(), next.begin(), next.end());
        ASSERT_EQ(played.size(), 2 * kBlockSamples) << "sox made no sound";
        const std::string file = m_scratch / "played.raw";
        ASSERT_TRUE(sound_fixtures::WriteRaw(file, played));

        RealWorld world;
        TunerDialog dlg;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, cardPrefix));
        ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
        world.boxes.calls.clear();

        // Nothing until the first buffer is full, about six seconds of sound later.
        const Reading one = Show(dlg, [&] { ASSERT_TRUE(server.Play(file)); });
        PumpUntil("the second block on the screen",
                  [&] { return dlg.SliderPos() != one.position; });
        const Reading two = Read(dlg);
        ClickStop(dlg);
        server.WaitPlayed();

        EXPECT_TRUE(Allowed(first, one)) << "first: " << one;
        EXPECT_TRUE(Allowed(second, two)) << "second: " << two;
        EXPECT_TRUE(world.boxes.calls.empty());
        afx::UserClosedWindow(dlg.m_hWnd);
    }
};

TEST_F(SoundServer, PulseAudioShowsTwoStringsPlayedOneAfterTheOtherInRealTime)
{
    ShowsTwoStringsOneAfterTheOther<sound_fixtures::PulseServer>("PulseAudio");
}

TEST_F(SoundServer, PipeWireShowsTwoStringsPlayedOneAfterTheOtherInRealTime)
{
    ShowsTwoStringsOneAfterTheOther<sound_fixtures::PipeWireServer>("PipeWire");
}

} // namespace
