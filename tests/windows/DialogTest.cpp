// The tuner's dialog as Windows' dialog manager makes it from the executable's own template, seen
// through the layer's classes: every control the layer knows stands for the system's control made
// from the same template entry, and what the program sets through the layer reaches it.
#include "StdAfx.h"
#include "afxwin32.h"
#include "afxwndimpl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <functional>
#include <string>

namespace
{
std::wstring ClassOf(HWND w)
{
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

std::wstring TextOf(HWND w)
{
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    return text;
}

// Runs `check` from the dialog's initialisation, with the dialog made and not yet shown.
class Probe : public CDialog
{
public:
    explicit Probe(std::function<void(Probe&)> check)
        : CDialog(IDD_QUINTOR_DIALOG), m_check(std::move(check))
    {
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_check(*this);
        EndDialog(IDOK);
        return TRUE;
    }
    HWND System(int id) { return afx::win32::SystemWindowOf(GetDlgItem(id)->m_hWnd); }

private:
    std::function<void(Probe&)> m_check;
};

TEST(Win32Dialog, EveryControlIsTheSystemsOwnFromTheSameTemplateEntry)
{
    struct Case
    {
        int id;
        const wchar_t* systemClass;
        const wchar_t* text;
        bool enabled;
    };
    const Case cases[] = {
        {IDC_GO, L"Button", L"&GO", false},
        {IDC_STOP, L"Button", L"&Stop", true},
        {IDC_CARD, L"ComboBox", L"", true},
        {IDC_TUNING, L"ComboBox", L"", true},
        {IDC_SLIDER, L"msctls_trackbar32", nullptr, false},
        {IDC_STRING1, L"Static", L"", true},
        {IDC_STRING6, L"Static", L"", true},
        {IDC_CAPTION_CARD, L"Static", L"Carte Son", true},
        {IDC_CAPTION_TUNING, L"Static", L"Nom de l'accord", true},
    };
    Probe dlg(
        [&](Probe& d)
        {
            HWND dialog = afx::win32::SystemWindowOf(d.m_hWnd);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(TextOf(dialog), L"Quintor");
            // Shown by the modal run, not by its creation.
            EXPECT_FALSE(IsWindowVisible(dialog));
            for (const Case& c : cases)
            {
                SCOPED_TRACE(c.id);
                HWND system = d.System(c.id);
                ASSERT_NE(system, nullptr);
                EXPECT_EQ(system, GetDlgItem(dialog, c.id));
                EXPECT_EQ(_wcsicmp(ClassOf(system).c_str(), c.systemClass), 0) << ClassOf(system);
                if (c.text != nullptr)
                {
                    EXPECT_EQ(TextOf(system), c.text);
                }
                EXPECT_EQ(IsWindowEnabled(system) != FALSE, c.enabled);
                EXPECT_EQ(d.GetDlgItem(c.id)->IsWindowEnabled() != FALSE, c.enabled);
                // The layer's style is the template's: the system's control has all of it, but the
                // scroll bar a combo box gives its list.
                const DWORD systemStyle = static_cast<DWORD>(GetWindowLongW(system, GWL_STYLE));
                EXPECT_EQ(
                    d.GetDlgItem(c.id)->GetStyle() & ~systemStyle & ~(WS_VISIBLE | WS_VSCROLL), 0u);
            }
            // The marks have no id of their own: they are matched by their place in the template.
            int layerChildren = static_cast<int>(afx::Win(d.m_hWnd)->children.size());
            int systemChildren = 0;
            for (HWND w = GetWindow(dialog, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
            {
                EXPECT_EQ(afx::win32::SystemWindowOf(
                              afx::ToHwnd(afx::Win(d.m_hWnd)->children[systemChildren].get())),
                          w);
                ++systemChildren;
            }
            EXPECT_EQ(systemChildren, layerChildren);
            // The layer measures dialog units as the dialog manager does.
            RECT client{};
            GetClientRect(dialog, &client);
            CRect layer;
            d.GetClientRect(&layer);
            EXPECT_EQ(layer.Width(), client.right);
            EXPECT_EQ(layer.Height(), client.bottom);
        });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(Win32Dialog, WhatTheProgramSetsReachesTheSystemsControls)
{
    Probe dlg(
        [](Probe& d)
        {
            auto* slider = static_cast<CSliderCtrl*>(d.GetDlgItem(IDC_SLIDER));
            slider->SetRange(0, 1000);
            slider->SetPos(293);
            EXPECT_EQ(SendMessageW(d.System(IDC_SLIDER), TBM_GETRANGEMAX, 0, 0), 1000);
            EXPECT_EQ(SendMessageW(d.System(IDC_SLIDER), TBM_GETPOS, 0, 0), 293);

            // The sorted list keeps the layer's order and item data, whatever the system's
            // sorting makes of accents.
            auto* card = static_cast<CComboBox*>(d.GetDlgItem(IDC_CARD));
            const char* names[] = {"Zoom", "\xC9lite", "Audio"};
            for (int i = 0; i < 3; ++i)
                card->SetItemData(card->AddString(names[i]), static_cast<DWORD_PTR>(i));
            card->SetCurSel(2);
            HWND system = d.System(IDC_CARD);
            ASSERT_EQ(SendMessageW(system, CB_GETCOUNT, 0, 0), 3);
            const wchar_t* expected[] = {L"Audio", L"Zoom", L"\u00C9lite"};
            for (int i = 0; i < 3; ++i)
            {
                wchar_t text[64] = {};
                SendMessageW(system, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, expected[i]) << i;
            }
            EXPECT_EQ(SendMessageW(system, CB_GETCURSEL, 0, 0), 2);
            EXPECT_EQ(card->GetItemData(2), 1u);

            d.GetDlgItem(IDC_GO)->EnableWindow(TRUE);
            EXPECT_TRUE(IsWindowEnabled(d.System(IDC_GO)));
            d.GetDlgItem(IDC_STRING2)
                ->SetWindowText("R\xC9"
                                "2");
            EXPECT_EQ(TextOf(d.System(IDC_STRING2)), L"R\u00C92");
        });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    static const afx::WindowDriver* const drivers[] = {&afx::win32::kWindowDriver, nullptr};
    if (!afx::StartWindows(drivers, argc, argv))
    {
        std::fprintf(stderr, "Windows' dialogs cannot start here\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
