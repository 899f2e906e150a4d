// Finding and reading the tuning file, and the GO rules of applying a tuning.
#include "TunerTesting.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <cstdio>

using namespace test_support;

namespace
{
// The tunings the dialog listed, name and notes.
std::vector<Tuning> Listed(TunerDialog& dlg)
{
    std::vector<Tuning> listed;
    EXPECT_EQ(dlg.m_Tuning.GetCount(), dlg.m_Names.GetSize());
    for (int i = 0; i < dlg.m_Names.GetSize(); ++i)
    {
        EXPECT_EQ(afx::Win(dlg.m_Tuning.m_hWnd)->items[i].text, dlg.m_Names[i]);
        listed.push_back({std::string(dlg.m_Names[i]), std::string(dlg.m_Notes[i])});
    }
    return listed;
}

std::string Labels(TunerDialog& dlg)
{
    std::string all;
    for (int k = 0; k < 6; ++k)
        all += std::string(afx::Win(dlg.GetDlgItem(IDC_STRING1 + k)->m_hWnd)->text) +
               (k < 5 ? " " : "");
    return all;
}
} // namespace

TEST(TuningFile, ReadsTheNumberedKeysUntilTheFirstMissingNotes)
{
    struct Case
    {
        std::string file;
        std::vector<Tuning> expected;
    };
    const std::string longNotes = "MI1LA1RE2SOL2SI2MI3" + std::string(81, 'X');
    const std::string longName(100, 'N');
    std::vector<Tuning> many;
    for (int i = 1; i <= 120; ++i)
        many.push_back({"Accord " + std::to_string(i), "MI1LA1RE2SOL2SI2MI3"});
    const Case cases[] = {
        /* 0: a tuning without its name is listed with an empty one */
        {"[NOTES]\nNotes1=DO1SOL1DO2FA2LA2RE3\n", {{"", "DO1SOL1DO2FA2LA2RE3"}}},
        /* 1: the first name without notes ends the list, whatever follows */
        {"[NOM]\nAccord1=Un\nAccord2=Deux\nAccord3=Trois\n[NOTES]\nNotes1=MI1LA1RE2SOL2SI2MI3\n"
         "Notes3=MI1LA1RE2SOL2SI2MI3\n",
         {{"Un", "MI1LA1RE2SOL2SI2MI3"}}},
        /* 2: values are cut to 79 characters */
        {TuningFile({{longName, longNotes}}), {{longName.substr(0, 79), longNotes.substr(0, 79)}}},
        /* 3: at most 99 tunings are read */
        {TuningFile(many), std::vector<Tuning>(many.begin(), many.begin() + 99)},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(i);
        TunerWorld world;
        world.folder.Write("Accords.ini", cases[i].file);
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        EXPECT_EQ(Listed(dlg), cases[i].expected);
        EXPECT_EQ(dlg.m_Tuning.GetCurSel(), 0);
        EXPECT_TRUE(world.files.Requests().empty());
    }
}

TEST(TuningFile, AFileWithoutTuningsIsSaidSoAndNothingIsApplied)
{
    TunerWorld world({Card("Carte test")}, {});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    EXPECT_EQ(dlg.m_Tuning.GetCount(), 0);
    EXPECT_EQ(dlg.m_Tuning.GetCurSel(), CB_ERR);
    EXPECT_EQ(dlg.m_Accord.GetName(), "");
    EXPECT_EQ(Labels(dlg), "     ");
    ASSERT_EQ(world.boxes.calls.size(), 1u);
    EXPECT_EQ(world.boxes.calls[0].text,
              "Le fichier d'accords ne contient aucun accord.\nAucun accord ne peut être choisi.");
    EXPECT_EQ(world.boxes.calls[0].type, static_cast<UINT>(MB_OK));
    // GO stays as the card left it: no tuning could take it away.
    EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());
}

TEST(TuningFile, WithoutTheFileHereTheUserIsAskedUntilAFileNamedAccordsIni)
{
    TunerWorld world;
    std::filesystem::remove(world.folder / "Accords.ini");
    std::string wrong = world.folder.Write("ailleurs/accords.ini",
                                           TuningFile({{"Mauvais", "MI1LA1RE2SOL2SI2MI3"}}));
    std::string right =
        world.folder.Write("ailleurs/Accords.ini", TuningFile({{"Bon", "RE1LA1RE2SOL2SI2MI3"}}));
    world.files.Answer(CString(wrong.c_str()));
    world.files.Answer(CString(right.c_str()));
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    std::vector<afx::FileDialogRequest> requests = world.files.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].open);
    EXPECT_EQ(requests[0].defaultExtension, "ini");
    EXPECT_EQ(requests[0].initialPath, "Accords.ini");
    EXPECT_EQ(requests[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    // Shown again, the same dialog starts from the user's last choice.
    EXPECT_EQ(std::string(requests[1].initialPath), wrong);
    EXPECT_EQ(Listed(dlg), (std::vector<Tuning>{{"Bon", "RE1LA1RE2SOL2SI2MI3"}}));
}

TEST(TuningFile, ADirectoryTooLongForThePathCountsAsNoFileHere)
{
    TunerWorld world;
    std::filesystem::path deep = world.folder.Path();
    while (deep.string().size() < MAX_PATH)
        deep /= std::string(40, 'd');
    std::filesystem::create_directories(deep);
    std::ofstream(deep / "Accords.ini", std::ios::binary) << TuningFile(StandardTunings());
    std::filesystem::current_path(deep);
    std::string chosen =
        world.folder.Write("court/Accords.ini", TuningFile({{"Choisi", "MI1LA1RE2SOL2SI2MI3"}}));
    world.files.Answer(CString(chosen.c_str()));
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    EXPECT_EQ(world.files.Requests().size(), 1u);
    EXPECT_EQ(Listed(dlg), (std::vector<Tuning>{{"Choisi", "MI1LA1RE2SOL2SI2MI3"}}));
}

namespace
{
// Writes each message box to stderr, where a death test can read it.
struct StderrMessageBox : afx::MessageBoxPresenter
{
    int Show(const char* text, const char*, UINT type) override
    {
        fprintf(stderr, "[box %u] %s\n", type, text);
        return IDOK;
    }
};
} // namespace

TEST(TuningFileDeathTest, CancellingTheSearchSaysSoAndEndsWithStatusZero)
{
    auto run = []
    {
        TunerWorld world;
        std::filesystem::remove(world.folder / "Accords.ini");
        StderrMessageBox box;
        afx::SetMessageBoxPresenter(&box);
        world.files.Answer(std::nullopt);
        TunerDialog dlg;
        dlg.Create(CQuintorDlg::IDD);
        fprintf(stderr, "still running\n");
        std::_Exit(3);
    };
    // The regex library reads UTF-8: the match stops before the CP1252 byte.
    EXPECT_EXIT(
        run(), ::testing::ExitedWithCode(0),
        "\\[box 0\\] Il n'est pas possible de localiser le fichier d'accords\nCe programme va "
        "s'arr");
}

// GO's rules across cards and tunings are the capture tests' (OpenCardTest); here, what a tuning
// choice leaves on the labels.
TEST(TuningSelection, AWrongTuningKeepsTheLabelsAndCodeOrTypedTextAppliesNothing)
{
    TunerWorld world;
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    afx::UserSelectedComboItem(dlg.m_Tuning.m_hWnd, 2); // "Faux"
    EXPECT_EQ(Labels(dlg), "MI1 LA1 RE2 SOL2 SI2 MI3");
    EXPECT_EQ(world.boxes.calls.size(), 1u); // its text is the tuning's tests'

    afx::UserSelectedComboItem(dlg.m_Tuning.m_hWnd, 1);
    EXPECT_EQ(Labels(dlg), "RE1 LA1 RE2 SOL2 SI2 MI3");
    // The same choice made by code sends nothing.
    dlg.m_Tuning.SetCurSel(0);
    EXPECT_EQ(dlg.m_Accord.GetName(), "Drop D");
    afx::UserEditedComboText(dlg.m_Tuning.m_hWnd, "n'importe quoi");
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TUNING, CBN_SELCHANGE), 0);
    EXPECT_EQ(dlg.m_Accord.GetName(), "Drop D");
    EXPECT_EQ(world.boxes.calls.size(), 1u);
}
