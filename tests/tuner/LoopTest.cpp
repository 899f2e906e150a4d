// The capture loop: GO and Stop, what a pass makes of the recorded samples, what it shows, and
// every way the dialog can end while it runs.
#include "CaptureTesting.h"

#include <cstdint>
#include <memory>

using namespace test_support;
using afx::testing::FakeDevice;
using afx::testing::FakePacing;
using afx::testing::FakeSource;

namespace
{

constexpr UINT kBlockSamples = 1u << 18; // the dialog's buffer of 2^19 bytes

using CaptureLoop = CaptureTest;

FakeDevice ManualCard(const std::string& name)
{
    FakeDevice device = Card(name);
    device.pacing = FakePacing::Manual;
    return device;
}

TEST_F(CaptureLoop, GoAndStopInAnyOrderKeepOneThreadOneDeviceAndOneSetOfArrays)
{
    TunerWorld world({ManualCard("Carte test")});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    const int threads = ThreadCount();
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
    // No capture thread outlives Stop, so no pass asks for a block any more.
    const int asked = world.fake.Counters().polls;
    PumpUntil("the capture threads to end", [&] { return ThreadCount() <= threads; });
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

TEST_F(CaptureLoop, EveryWayOfClosingWhileCapturingReleasesEverything)
{
    // The system menu's close and WM_CLOSE go the close box's way, checked in tests/qt.
    struct Way
    {
        const char* what;
        bool capturing;
        void (*close)(TunerDialog&);
        int result;
    };
    const Way ways[] = {
        {"Escape", true, [](TunerDialog& d) { afx::UserPressedDialogKey(d.m_hWnd, VK_ESCAPE); },
         IDCANCEL},
        {"close box", true, [](TunerDialog& d) { afx::UserClosedWindow(d.m_hWnd); }, IDCANCEL},
        {"OK, sent by the framework", true,
         [](TunerDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, IDOK},
        {"Escape, idle", false,
         [](TunerDialog& d) { afx::UserPressedDialogKey(d.m_hWnd, VK_ESCAPE); }, IDCANCEL},
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
        EXPECT_TRUE(afx::Win(dlg.m_hWnd)->endRequested) << "the dialog did not end";
        EXPECT_EQ(afx::Win(dlg.m_hWnd)->modalResult, w.result);
        const afx::testing::FakeCounters c = world.fake.Counters();
        EXPECT_EQ(c.stops, 1) << "the device is stopped once, before it is closed";
        EXPECT_EQ(c.closes, 1);
        EXPECT_EQ(c.OpenNow(), 0);
        EXPECT_EQ(dlg.m_WaveHdr.dwFlags & WHDR_PREPARED, 0u) << "the header was not unprepared";
        EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
        EXPECT_EQ(dlg.m_bRunning.load(), 0);
        EXPECT_EQ(dlg.m_phWaveIn, nullptr);
        EXPECT_EQ(dlg.m_WaveHdr.lpData, nullptr);
        for (const double* array : {dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut})
            EXPECT_EQ(array, nullptr);
    }
}

// A second dialog captures after the first has gone, before the interface thread has carried out
// what the first one's capture thread last asked for.
TEST_F(CaptureLoop, ANewDialogCapturesWhileTheOldOnesRequestsAreStillPending)
{
    TunerWorld world({SineCard("Carte test", 110)});
    auto first = std::make_unique<TunerDialog>();
    ASSERT_TRUE(first->Create(CQuintorDlg::IDD));
    ClickGo(*first);
    const int before = world.fake.Counters().polls;
    // Not serving the interface thread, so that what the worker publishes piles up.
    test_support::WaitUntil("four passes of the first dialog's capture thread",
                            [&] { return world.fake.Counters().polls >= before + 4; });
    afx::UserClosedWindow(first->m_hWnd);
    first.reset();

    TunerDialog second;
    ASSERT_TRUE(second.Create(CQuintorDlg::IDD));
    ClickGo(second);
    const int now = world.fake.Counters().polls;
    test_support::WaitUntil("four passes of the second dialog's capture thread",
                            [&] { return world.fake.Counters().polls >= now + 4; });
    WaitForSlider(second, 293);
    ClickStop(second);
}

} // namespace
