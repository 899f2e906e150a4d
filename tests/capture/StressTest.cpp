// Capture started and ended, over and over, every way the user can end it, while passes run:
// no wait between the two threads may hang, and every end leaves nothing behind.
#include "CaptureTesting.h"

#include <memory>

using namespace capture_testing;

namespace
{

class CaptureStress : public CaptureTest
{
};

afx::testing::FakeDevice ManualSine(const std::string& name, double hertz)
{
    afx::testing::FakeDevice device = ManualCard(name);
    device.source = afx::testing::FakeSource::Sine(hertz, 8000);
    return device;
}

TEST_F(CaptureStress, AThousandStartsEndedByStopCardTuningOrCloseNeverHang)
{
    TunerWorld world({ManualSine("Carte A", 110), ManualSine("Carte B", 196)});
    auto dlg = std::make_unique<TunerDialog>();
    ASSERT_TRUE(dlg->Create(CQuintorDlg::IDD));

    // The ways a dialog ends, taken in turn.
    const std::function<void(TunerDialog&)> closes[] = {
        /* 0 */ [](TunerDialog& d) { afx::UserPressedDialogKey(d.m_hWnd, VK_ESCAPE); },
        /* 1 */ [](TunerDialog& d) { afx::UserClosedWindow(d.m_hWnd); },
        /* 2 */ [](TunerDialog& d) { d.SendMessage(WM_CLOSE); },
    };
    int closed = 0;
    for (int cycle = 0; cycle < 1000; ++cycle)
    {
        SCOPED_TRACE(cycle);
        ClickGo(*dlg);
        ASSERT_NE(dlg->m_pCaptureThread, nullptr);
        // Now and then a whole block, so that some passes transform while they are ended.
        if (cycle % 20 == 0)
            world.fake.CompleteBlock();
        if (cycle % 5 == 0)
            WaitForPasses(world.fake, 1);
        else
            QCoreApplication::processEvents();

        switch (cycle % 4)
        {
            case 0:
                ClickStop(*dlg);
                break;
            case 1:
                ChooseCard(*dlg, (cycle / 4) % 2);
                break;
            case 2:
                // A tuning applied while a pass may be reading the targets, then Stop.
                ChooseTuning(*dlg, (cycle / 4) % 2);
                ClickStop(*dlg);
                break;
            default:
                if (cycle % 40 == 3)
                {
                    closes[closed % 3](*dlg);
                    ++closed;
                    ExpectEverythingReleased(*dlg, world.fake);
                    dlg = std::make_unique<TunerDialog>();
                    ASSERT_TRUE(dlg->Create(CQuintorDlg::IDD));
                }
                else
                    ClickStop(*dlg);
                break;
        }
        ASSERT_EQ(dlg->m_pCaptureThread, nullptr);
        ASSERT_EQ(world.fake.Counters().OpenNow(), 1);
        ASSERT_TRUE(dlg->m_Go.IsWindowEnabled());
    }
    closes[closed % 3](*dlg);
    ExpectEverythingReleased(*dlg, world.fake);
    EXPECT_TRUE(world.boxes.calls.empty());
}

} // namespace
