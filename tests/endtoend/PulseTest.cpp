// Two plucked strings played in real time into a private sound server, PulseAudio or PipeWire,
// and recorded by the tuner through the server's ALSA device: one block of sound after the
// other, each shown as it comes.
#include "KnownPlucks.h"

#include <memory>

using namespace endtoend;

namespace
{

class SoundServer : public CaptureTest
{
protected:
    // Two plucks, each one capture buffer long, played into `Server` and recorded through the
    // card whose name starts with `cardPrefix`: each shows as it comes.
    template <class Server> void ShowsTwoStringsOneAfterTheOther(const char* cardPrefix)
    {
        Server server;
        if (!server.Started())
            GTEST_SKIP() << "no private " << cardPrefix << " server here: " << server.Problem();
        std::vector<std::unique_ptr<sound_fixtures::ScopedEnv>> env;
        for (const auto& [name, value] : server.ClientEnvironment())
            env.push_back(std::make_unique<sound_fixtures::ScopedEnv>(name, value));

        // Each pluck fills one capture buffer's worth of sound; their positions differ.
        const KnownPluck& first = Known("A2");
        const KnownPluck& second = Known("E4 a little sharp");
        test_support::TempFolder scratch;
        ASSERT_TRUE(scratch.Made());
        std::vector<std::int16_t> played =
            OneBlock(Pluck(scratch.Path(), Detuned(first.hertz, first.cents), 2.5));
        const std::vector<std::int16_t> next =
            OneBlock(Pluck(scratch.Path(), Detuned(second.hertz, second.cents), 2.5));
        played.insert(played.end(), next.begin(), next.end());
        ASSERT_EQ(played.size(), 2 * kBlockSamples) << "sox made no sound";
        const std::string file = scratch / "played.raw";
        ASSERT_TRUE(sound_fixtures::WriteRaw(file, played));

        RealWorld world;
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        const int card = FindCard(dlg, cardPrefix);
        ASSERT_GE(card, 0) << "ALSA lists no " << cardPrefix << " device";
        if (dlg.m_Card.GetCurSel() != card)
            ChooseCard(dlg, card);
        ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
        world.boxes.calls.clear();

        ClickGo(dlg);
        ASSERT_TRUE(server.Play(file));
        // Nothing until the first buffer is full, about six seconds of sound later.
        PumpUntil("the first block on the screen", [&] { return dlg.SliderPos() != 0; });
        const Reading one = Read(dlg);
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
