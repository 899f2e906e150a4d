// Plucked strings recorded through ALSA from a file, transformed, detected and shown: the whole
// chain as the user sees it, at every string of two tunings and detuned by known amounts.
#include "EndToEnd.h"

using namespace endtoend;

namespace
{

class FileDevice : public CaptureTest
{
};

TEST_F(FileDevice, ShowsEachPluckedStringAsTheRulesGiveForThePitchFound)
{
    struct Case
    {
        const char* what;
        int tuning; // 0 standard, 1 drop D
        double hertz;
        double cents;
    };
    const Case cases[] = {
        /* 0 */ {"E2", 0, 82.41, 0},
        /* 1 */ {"A2", 0, 110.0, 0},
        /* 2 */ {"D3", 0, 146.83, 0},
        /* 3 */ {"G3", 0, 196.0, 0},
        /* 4 */ {"B3", 0, 246.94, 0},
        /* 5 */ {"E4", 0, 329.63, 0},
        /* 6 */ {"A2 sharp", 0, 110.0, +25},
        /* 7 */ {"A2 flat", 0, 110.0, -40},
        /* 8 */ {"E2 flat", 0, 82.41, -30},
        /* 9 */ {"E4 sharp, above the sixth string", 0, 329.63, +40},
        /* 10 */ {"G3 a little sharp", 0, 196.0, +10},
        /* 11 */ {"D2 in drop D", 1, 73.42, 0},
        /* 12 */ {"D2 flat in drop D", 1, 73.42, -20},
    };
    sound_fixtures::TempDir scratch;
    ASSERT_TRUE(scratch.Made());
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.what);
        const double hertz = Detuned(k.hertz, k.cents);
        const std::vector<std::int16_t> pluck = Pluck(scratch.Path(), hertz);
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
        ASSERT_TRUE(WaitUntil([&] { return dlg.m_Slider.GetPos() != 0; })) << "nothing detected";
        ClickStop(dlg);
        afx::ProcessPendingUpdates();

        const double found = dlg.FindPitch();
        const Window window = DetectableHertz(hertz);
        EXPECT_GE(found, window.low);
        EXPECT_LE(found, window.high);
        ExpectShown(dlg, RulesFor(found, k.tuning == 0 ? StandardTargets() : DropDTargets()));
        afx::UserClosedWindow(dlg.m_hWnd);
    }
}

} // namespace
