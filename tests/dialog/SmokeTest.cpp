#include "TunerTesting.h"

#include <gtest/gtest.h>

using namespace quintor::testing;

TEST(TunerSmoke, OpensWithTheFirstTuningsLabels)
{
    TunerWorld world;
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    CString label;
    dlg.GetDlgItem(IDC_STRING1)->GetWindowText(label);
    EXPECT_EQ(label, "MI1");
    EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());
    dlg.DestroyWindow();
}
