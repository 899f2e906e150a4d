// What the capture tests share: a watchdog over each test, waits for the capture thread, the user's
// gestures on a tuner dialog whose capture thread may be running.
#pragma once

#include "TunerTesting.h"

#include <gtest/gtest.h>

#include <string>

namespace capture_testing
{
using namespace quintor::testing;

inline std::string CurrentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "a test";
}

// Every capture test runs under a watchdog.
class CaptureTest : public ::testing::Test
{
protected:
    test_support::TestWatchdog m_watchdog{CurrentTestName()};
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
    return std::string(static_cast<LPCSTR>(combo.m_hWnd->items.at(index).text));
}

// Waits, serving the interface thread, until the devices have been asked `count` more times for
// a block: at least that many passes of the capture loop have begun since the call (a pass that
// hands a block back asks for none, the next one does).
inline void WaitForPasses(const afx::testing::FakeWaveIn& fake, int count)
{
    const int target = fake.Counters().polls + count;
    PumpUntil(std::to_string(count) + " more passes of the capture thread",
              [&] { return fake.Counters().polls >= target; });
}

inline void WaitForSlider(TunerDialog& dlg, int position)
{
    PumpUntil("the slider at " + std::to_string(position),
              [&] { return dlg.SliderPos() == position; });
}

// What the dialog holds once it has let go of the device and the spectrum: checked after every
// way of ending it.
inline void ExpectEverythingReleased(TunerDialog& dlg, const afx::testing::FakeWaveIn& fake)
{
    const afx::testing::FakeCounters c = fake.Counters();
    EXPECT_EQ(c.OpenNow(), 0) << "a device is still open";
    EXPECT_EQ(dlg.m_WaveHdr.dwFlags & WHDR_PREPARED, 0u) << "the header was not unprepared";
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
