// Two plucked strings played in real time into a private sound server and recorded by the tuner
// through ALSA's `pulse` device: one block of sound after the other, each shown as it comes.
#include "EndToEnd.h"

#include <memory>

using namespace endtoend;

namespace
{

class SoundServer : public CaptureTest
{
};

// The screen's reading at one moment.
struct Reading
{
    int position;
    int framed; // -1 for none
    COLORREF colour;
};

Reading Read(const TunerDialog& dlg)
{
    Reading r{dlg.m_Slider.GetPos(), -1, 0};
    for (int s = 0; s < 6; ++s)
        for (COLORREF colour : {kGreen, kYellow})
            if (FramePixels(dlg, s, colour) > 0)
                r = {r.position, s, colour};
    return r;
}

// Whether some pitch the detector may find for `hertz` shows as `r`.
bool Explains(double hertz, const Reading& r)
{
    const Window window = DetectableHertz(hertz);
    for (int f = window.low; f <= window.high; ++f)
    {
        const Indication d = RulesFor(f, StandardTargets());
        if (d.position == r.position && d.string == r.framed &&
            (d.string < 0 || d.colour == r.colour))
            return true;
    }
    return false;
}

TEST_F(SoundServer, ShowsTwoStringsPlayedOneAfterTheOtherInRealTime)
{
    sound_fixtures::PulseServer server;
    if (!server.Started())
        GTEST_SKIP() << "no private PulseAudio server here: " << server.Problem();
    std::vector<std::unique_ptr<sound_fixtures::ScopedEnv>> env;
    for (const auto& [name, value] : server.ClientEnvironment())
        env.push_back(std::make_unique<sound_fixtures::ScopedEnv>(name, value));

    // Each pluck fills one capture buffer's worth of sound; their positions differ.
    const double first = 110.0;                 // A2, in tune
    const double second = Detuned(329.63, +12); // E4, a little sharp
    sound_fixtures::TempDir scratch;
    ASSERT_TRUE(scratch.Made());
    std::vector<std::int16_t> played = OneBlock(Pluck(scratch.Path(), first, 2.5));
    const std::vector<std::int16_t> next = OneBlock(Pluck(scratch.Path(), second, 2.5));
    played.insert(played.end(), next.begin(), next.end());
    ASSERT_EQ(played.size(), 2 * kBlockSamples) << "sox made no sound";
    const std::string file = scratch / "played.raw";
    ASSERT_TRUE(sound_fixtures::WriteRaw(file, played));

    RealWorld world;
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    const int card = FindCard(dlg, "PulseAudio");
    ASSERT_GE(card, 0) << "ALSA lists no PulseAudio device";
    if (dlg.m_Card.GetCurSel() != card)
        ChooseCard(dlg, card);
    ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
    world.boxes.calls.clear();

    ClickGo(dlg);
    ASSERT_TRUE(server.Play(file));
    // Nothing until the first buffer is full, about six seconds of sound later.
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_Slider.GetPos() != 0; }, 12000))
        << "nothing detected in the first block";
    const Reading one = Read(dlg);
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_Slider.GetPos() != one.position; }, 9000))
        << "the second block changed nothing";
    const Reading two = Read(dlg);
    ClickStop(dlg);
    server.WaitPlayed();

    EXPECT_TRUE(Explains(first, one)) << "first: slider " << one.position << ", frame on "
                                      << one.framed << " colour " << std::hex << one.colour;
    EXPECT_TRUE(Explains(second, two)) << "second: slider " << two.position << ", frame on "
                                       << two.framed << " colour " << std::hex << two.colour;
    EXPECT_TRUE(world.boxes.calls.empty());
    afx::UserClosedWindow(dlg.m_hWnd);
}

} // namespace
