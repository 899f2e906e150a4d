// Plucked strings recorded through ALSA from a file, transformed, detected and shown: the whole
// chain as the user sees it, at every string of two tunings and detuned by known amounts.
#include "KnownPlucks.h"

using namespace endtoend;

namespace
{

class FileDevice : public CaptureTest
{
};

TEST_F(FileDevice, ShowsEachPluckedStringAsWorkedOutByHand)
{
    test_support::TempFolder scratch;
    ASSERT_TRUE(scratch.Made());
    for (const KnownPluck& k : KnownPlucks())
    {
        SCOPED_TRACE(k.what);
        const std::vector<std::int16_t> pluck = Pluck(scratch.Path(), Detuned(k.hertz, k.cents));
        ASSERT_FALSE(pluck.empty()) << "sox made no sound";
        // The same block over and over: every block the loop takes holds the whole pluck.
        const std::vector<std::int16_t> block = OneBlock(pluck);
        std::vector<std::int16_t> recorded;
        for (int i = 0; i < 12; ++i)
            recorded.insert(recorded.end(), block.begin(), block.end());
        ASSERT_TRUE(sound_fixtures::WriteRaw(RecordedFile(), recorded));

        RealWorld world;
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        const int card = FindCard(dlg, kFileCardName);
        ASSERT_GE(card, 0) << "the file device is not listed";
        if (dlg.m_Card.GetCurSel() != card)
            ChooseCard(dlg, card);
        if (k.tuning != 0)
            ChooseTuning(dlg, k.tuning);
        ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
        ASSERT_TRUE(world.boxes.calls.empty()) << world.boxes.calls[0].text;

        ClickGo(dlg);
        PumpUntil(std::string(k.what) + " on the slider", [&] { return dlg.SliderPos() != 0; });
        ClickStop(dlg);
        afx::ProcessPendingUpdates();
        const Reading shown = Read(dlg);
        EXPECT_TRUE(Allowed(k, shown)) << shown;
        afx::UserClosedWindow(dlg.m_hWnd);
    }
}

} // namespace
