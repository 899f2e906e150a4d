// What the benchmarks that run the tuner share: its resident memory, and a capture started on a
// card as the user starts one.
#pragma once

#include "TunerTesting.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace bench_support
{
// This process's resident memory in kB (VmRSS), or -1.
inline long ResidentKilobytes()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Creates the tuner, chooses the card whose name starts with `prefix` and presses GO, as the user
// does. Returns why it could not, or an empty text.
inline std::string StartOnCard(test_support::TunerDialog& dlg, std::string_view prefix)
{
    if (!dlg.Create(CQuintorDlg::IDD))
        return "no dialog";
    const int card = test_support::FindCard(dlg, prefix);
    if (card < 0)
        return "ALSA lists no " + std::string(prefix) + " device";
    afx::UserSelectedComboItem(dlg.m_Card.m_hWnd, card);
    afx::UserClickedButton(dlg.GetDlgItem(IDC_GO)->m_hWnd);
    return {};
}
} // namespace bench_support
