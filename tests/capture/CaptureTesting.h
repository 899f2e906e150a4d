// What the capture tests share: a watchdog that turns a hang into a failure, and the user's
// gestures on a tuner dialog whose capture thread may be running.
#pragma once

#include "TunerTesting.h"
#include "Watchdog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace capture_testing
{
using namespace quintor::testing;

// How long a wait for the capture thread may take before the test gives up on it. Generous: the
// thread runs at idle priority and may get little of a busy machine.
constexpr int kPatienceMs = 60000;

using test_support::Watchdog;

inline std::string CurrentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "a test";
}

// Every capture test runs under a watchdog.
class CaptureTest : public ::testing::Test
{
protected:
    Watchdog m_watchdog{std::chrono::seconds(240), CurrentTestName()};
};

inline void ClickGo(TunerDialog& dlg)
{
    afx::UserClickedButton(dlg.GetDlgItem(IDC_GO)->m_hWnd);
}

inline void ClickStop(TunerDialog& dlg)
{
    afx::UserClickedButton(dlg.GetDlgItem(IDC_STOP)->m_hWnd);
}

inline void ChooseCard(TunerDialog& dlg, int index)
{
    afx::UserSelectedComboItem(dlg.m_Card.m_hWnd, index);
}

inline void ChooseTuning(TunerDialog& dlg, int index)
{
    afx::UserSelectedComboItem(dlg.m_Tuning.m_hWnd, index);
}

inline std::string EntryText(const CComboBox& combo, int index)
{
    CString text;
    combo.GetLBText(index, text);
    return std::string(static_cast<LPCSTR>(text));
}

// Serves the interface thread until done() or the limit; false on the limit. It sleeps between
// looks: a waiting thread that spins takes the processor from the idle-priority capture thread.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = kPatienceMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        afx::ProcessPendingUpdates();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Serves the interface thread for a while, without a condition.
inline void Serve(int ms)
{
    WaitUntil([] { return false; }, ms);
}

// Waits, serving the interface thread, until the devices have seen `count` more buffer
// hand-backs: that many passes of the capture loop have begun since the call.
inline bool WaitForPasses(const afx::testing::FakeWaveIn& fake, int count)
{
    const int target = fake.Counters().addBuffers + count;
    return WaitUntil([&] { return fake.Counters().addBuffers >= target; });
}

inline bool WaitForSlider(TunerDialog& dlg, int position)
{
    return WaitUntil([&] { return dlg.m_Slider.GetPos() == position; });
}

// What the dialog holds once it has let go of the device and the spectrum: checked after every
// way of ending it.
inline void ExpectEverythingReleased(TunerDialog& dlg, const afx::testing::FakeWaveIn& fake)
{
    const afx::testing::FakeCounters c = fake.Counters();
    EXPECT_EQ(c.OpenNow(), 0) << "a device is still open";
    EXPECT_EQ(c.unprepares, c.prepares) << "a prepared header was not unprepared";
    EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
    EXPECT_EQ(dlg.m_bRunning.load(), 0);
    EXPECT_EQ(dlg.m_phWaveIn, nullptr);
    EXPECT_EQ(dlg.m_WaveHdr.lpData, nullptr);
    EXPECT_EQ(dlg.RealIn, nullptr);
    EXPECT_EQ(dlg.ImagIn, nullptr);
    EXPECT_EQ(dlg.RealOut, nullptr);
    EXPECT_EQ(dlg.ImagOut, nullptr);
}

// A card recording a sine as fast as the loop asks.
inline afx::testing::FakeDevice
SineCard(const std::string& name, double hertz,
         afx::testing::FakePacing pacing = afx::testing::FakePacing::AsFastAsPossible)
{
    afx::testing::FakeDevice device = Card(name);
    device.source = afx::testing::FakeSource::Sine(hertz, 8000);
    device.pacing = pacing;
    return device;
}

inline afx::testing::FakeDevice ManualCard(const std::string& name)
{
    afx::testing::FakeDevice device = Card(name);
    device.pacing = afx::testing::FakePacing::Manual;
    return device;
}

} // namespace capture_testing
