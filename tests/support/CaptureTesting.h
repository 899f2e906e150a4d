// What the capture tests share: a watchdog over each test, waits for the capture thread, the user's
// gestures on a tuner dialog whose capture thread may be running.
#pragma once

#include "TunerTesting.h"

#include <gtest/gtest.h>

#include <string>

namespace test_support
{

// Every capture test runs under a watchdog.
class CaptureTest : public ::testing::Test
{
protected:
    TestWatchdog m_watchdog{::testing::UnitTest::GetInstance()->current_test_info()->name()};
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
    return std::string(static_cast<LPCSTR>(afx::Win(combo.m_hWnd)->items.at(index).text));
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

// A card recording a sine as fast as the loop asks.
inline afx::testing::FakeDevice SineCard(const std::string& name, double hertz)
{
    afx::testing::FakeDevice device = Card(name);
    device.source = afx::testing::FakeSource::Sine(hertz, 8000);
    device.pacing = afx::testing::FakePacing::AsFastAsPossible;
    return device;
}

} // namespace test_support
