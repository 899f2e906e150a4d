// The capture loop: GO and Stop, what a pass makes of the recorded samples, what it shows, and
// every way the dialog can end while it runs.
#include "CaptureTesting.h"

#include <cstdint>

using namespace capture_testing;
using afx::testing::FakeDevice;
using afx::testing::FakePacing;
using afx::testing::FakeSource;

namespace
{

constexpr UINT kBufferBytes = 1u << 19;
constexpr UINT kBlockSamples = kBufferBytes / 2;

class CaptureLoop : public CaptureTest
{
};

TEST_F(CaptureLoop, GoAndStopInAnyOrderKeepOneThreadOneDeviceAndOneSetOfArrays)
{
    TunerWorld world({ManualCard("Carte test")});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    const HWAVEIN device = *dlg.m_phWaveIn;
    struct Step
    {
        const char* what;
        void (*act)(TunerDialog&);
        bool running;
        int starts;
    };
    const Step steps[] = {
        {"Stop before any capture", ClickStop, false, 0},
        {"Stop again", ClickStop, false, 0},
        {"GO", ClickGo, true, 1},
        {"GO while capturing", ClickGo, true, 1},
        {"OnGo while capturing", [](TunerDialog& d) { d.OnGo(); }, true, 1},
        {"Stop", ClickStop, false, 1},
        {"GO after Stop", ClickGo, true, 2},
        {"Stop, last", ClickStop, false, 2},
    };
    CWinThread* thread = nullptr;
    std::vector<double*> arrays;
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.what);
        step.act(dlg);
        EXPECT_TRUE(!step.running || thread == nullptr || dlg.m_pCaptureThread == thread)
            << "a second capture thread";
        thread = dlg.m_pCaptureThread;
        EXPECT_EQ(thread != nullptr, step.running);
        if (step.running)
            WaitForPasses(world.fake, 1);
        const std::vector<double*> now = {dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut};
        if (arrays.empty() && now[0] != nullptr)
            arrays = now;
        EXPECT_EQ(now, arrays.empty() ? std::vector<double*>(4) : arrays) << "the arrays";
        const afx::testing::FakeCounters c = world.fake.Counters();
        EXPECT_EQ(c.starts, step.starts);
        EXPECT_EQ(c.stops, 0) << "Stop leaves the device recording";
        EXPECT_EQ(c.opens, 1);
        EXPECT_EQ(c.prepares, 1);
        EXPECT_EQ(*dlg.m_phWaveIn, device);
        EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());
    }
    // Passes with nothing recorded transform nothing.
    std::size_t nonZero = 0;
    for (UINT k = 0; k < kBufferBytes; ++k)
        nonZero += (dlg.RealOut[k] != 0.0) + (dlg.ImagOut[k] != 0.0);
    EXPECT_EQ(nonZero, 0u);
    EXPECT_EQ(dlg.SliderPos(), 0);
    // With the only thread gone, no pass asks for a block any more.
    const int asked = world.fake.Counters().polls;
    Pump(100);
    EXPECT_EQ(world.fake.Counters().polls, asked);
}

TEST_F(CaptureLoop, EachRecordedSampleBecomesOneRealInputAndTheBlockIsTransformed)
{
    // Every 16-bit value four times over, negative ones included.
    FakeDevice card = ManualCard("Carte test");
    card.source = FakeSource::Counter(-32768);
    TunerWorld world({card});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    ClickGo(dlg);
    WaitForPasses(world.fake, 1);
    ASSERT_TRUE(world.fake.CompleteBlock());
    PumpUntil("the block delivered", [&] { return world.fake.Counters().blocksDelivered == 1; });
    // The pass after the block's has begun, so the block's pass has ended.
    WaitForPasses(world.fake, 1);
    ClickStop(dlg);

    size_t wrong = 0;
    for (UINT k = 0; k < kBlockSamples; ++k)
    {
        const double sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(k) ^ 0x8000u);
        wrong += dlg.RealIn[k] != sample || dlg.ImagIn[k] != 0.0;
    }
    EXPECT_EQ(wrong, 0u);
    // Bin 0 is the sum of the samples: each full turn of 65,536 values sums to -32,768.
    EXPECT_NEAR(dlg.RealOut[0], -4.0 * 32768, 1e-3);
    EXPECT_NEAR(dlg.ImagOut[0], 0.0, 1e-3);
}

TEST_F(CaptureLoop, APassWithNothingRecordedAnalysesThePreviousSpectrum)
{
    FakeDevice card = ManualCard("Carte test");
    card.source = FakeSource::Sine(110, 8000);
    TunerWorld world({card});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    // Before the first block the spectrum holds no peak: the slider goes to 0.
    dlg.m_Slider.SetPos(500);
    ClickGo(dlg);
    WaitForSlider(dlg, 0);

    ASSERT_TRUE(world.fake.CompleteBlock());
    WaitForSlider(dlg, 293);

    // No more blocks: every later pass shows the last result again.
    for (int round = 0; round < 3; ++round)
    {
        dlg.m_Slider.SetPos(500);
        WaitForSlider(dlg, 293);
    }
    ClickStop(dlg);
    EXPECT_EQ(world.fake.Counters().blocksDelivered, 1);
}

// The ways the user ends the dialog.
void PressEscape(TunerDialog& d)
{
    afx::UserPressedDialogKey(d.m_hWnd, VK_ESCAPE);
}
void ClickCloseBox(TunerDialog& d)
{
    afx::UserClosedWindow(d.m_hWnd);
}
void ChooseCloseInSystemMenu(TunerDialog& d)
{
    afx::UserChoseSystemMenu(d.m_hWnd, SC_CLOSE, {0, 0});
}
void SendClose(TunerDialog& d)
{
    d.SendMessage(WM_CLOSE);
}
// The dialog's OK command, which no key of the tuner sends but the framework may.
void SendOk(TunerDialog& d)
{
    d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(CaptureLoop, EveryWayOfClosingWhileCapturingReleasesEverything)
{
    struct Way
    {
        const char* what;
        bool capturing;
        void (*close)(TunerDialog&);
        int result;
    };
    const Way ways[] = {
        /* 0 */ {"Escape", true, PressEscape, IDCANCEL},
        /* 1 */ {"close box", true, ClickCloseBox, IDCANCEL},
        /* 2 */ {"system menu's close", true, ChooseCloseInSystemMenu, IDCANCEL},
        /* 3 */ {"WM_CLOSE", true, SendClose, IDCANCEL},
        /* 4 */ {"OK", true, SendOk, IDOK},
        /* 5 */ {"Escape, idle", false, PressEscape, IDCANCEL},
        /* 6 */ {"close box, idle", false, ClickCloseBox, IDCANCEL},
    };
    for (const Way& w : ways)
    {
        SCOPED_TRACE(w.what);
        TunerWorld world({SineCard("Carte test", 110)});
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        if (w.capturing)
        {
            ClickGo(dlg);
            WaitForPasses(world.fake, 3);
        }
        w.close(dlg);
        ASSERT_NE(dlg.m_hWnd, nullptr);
        EXPECT_TRUE(dlg.m_hWnd->endRequested) << "the dialog did not end";
        EXPECT_EQ(dlg.m_hWnd->modalResult, w.result);
        ExpectEverythingReleased(dlg, world.fake);
        const afx::testing::FakeCounters c = world.fake.Counters();
        EXPECT_EQ(c.stops, 1) << "the device is stopped once, before it is closed";
        EXPECT_EQ(c.closes, 1);
    }
}

} // namespace
