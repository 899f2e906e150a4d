// Opening the selected sound card: the message when it fails, the GO button, and what a change
// of card does to a running capture.
#include "CaptureTesting.h"

using namespace test_support;
using afx::testing::FakeDevice;

namespace
{

const std::string kCannotOpen = "Impossibilit\xe9 d'initialiser la carte son\n"
                                "Arr\xeatez tous les logiciels utilisant la carte son.\n";
const std::string kChooseAnother = "Ou choisissez en une autre\n";

using OpenCard = CaptureTest;

TEST_F(OpenCard, AFailureShowsOneMessageAndLeavesNoDeviceOpen)
{
    struct Case
    {
        const char* what;
        int cards; // the failing card sorts last, so it is the one opened at start
        bool failsToPrepare;
        MMRESULT code;
        bool offersAnother;
    };
    const Case cases[] = {
        /* 0 */ {"open, two cards", 2, false, MMSYSERR_ALLOCATED, true},
        /* 1 */ {"open, one card", 1, false, MMSYSERR_NODRIVER, false},
        /* 2 */ {"prepare, two cards", 2, true, MMSYSERR_NOMEM, true},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.what);
        std::vector<FakeDevice> cards;
        for (int i = 0; i < k.cards - 1; ++i)
            cards.push_back(Card("Carte " + std::string(1, static_cast<char>('A' + i))));
        FakeDevice failing = Card("Carte Z");
        (k.failsToPrepare ? failing.prepareResult : failing.openResult) = k.code;
        failing.failureDetail = "Test : occup\xe9";
        cards.insert(cards.begin(), failing);
        TunerWorld world(cards);
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        ASSERT_EQ(EntryText(dlg.m_Card, dlg.m_Card.GetCurSel()), "Carte Z");

        char library[MAXERRORLENGTH] = {};
        ASSERT_EQ(waveInGetErrorTextA(k.code, library, sizeof library), MMSYSERR_NOERROR);
        const std::string expected =
            kCannotOpen + (k.offersAnother ? kChooseAnother : "") + library;
        ASSERT_EQ(world.boxes.calls.size(), 1u);
        EXPECT_EQ(world.boxes.calls[0].text, expected);
        EXPECT_NE(world.boxes.calls[0].text.find("(Test : occup\xe9)"), std::string::npos);
        EXPECT_EQ(world.boxes.calls[0].type, static_cast<UINT>(MB_OK));

        EXPECT_FALSE(dlg.m_Go.IsWindowEnabled());
        EXPECT_EQ(dlg.m_phWaveIn, nullptr);
        EXPECT_EQ(dlg.m_WaveHdr.lpData, nullptr);
        const afx::testing::FakeCounters c = world.fake.Counters();
        EXPECT_EQ(c.OpenNow(), 0);
        EXPECT_EQ(c.lastOpenedDevice, 0u);
        EXPECT_EQ(c.failedPrepares, k.failsToPrepare ? 1 : 0);
    }
}

TEST_F(OpenCard, GoFollowsTheLastOpenWhateverTheTuning)
{
    FakeDevice busy = Card("Carte occup\351e");
    busy.openResult = MMSYSERR_ALLOCATED;
    FakeDevice unpreparable = Card("Carte sans tampon");
    unpreparable.prepareResult = MMSYSERR_NOMEM;
    // Sorted: "Carte libre" 0, "Carte occupée" 1, "Carte sans tampon" 2.
    TunerWorld world({Card("Carte libre"), busy, unpreparable});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    ASSERT_EQ(EntryText(dlg.m_Card, 1), "Carte occup\351e");
    EXPECT_FALSE(dlg.m_Go.IsWindowEnabled()) << "the last entry cannot be prepared";

    struct Step
    {
        const char* what;
        bool card; // else a tuning
        int index;
        bool goEnabled;
        size_t boxes; // shown so far
    };
    const Step steps[] = {
        /* 0 */ {"a card that opens", true, 0, true, 1},
        /* 1 */ {"a tuning that is not valid", false, 2, false, 2},
        /* 2 */ {"the same card again, tuning still not valid", true, 0, true, 2},
        /* 3 */ {"a busy card", true, 1, false, 3},
        /* 4 */ {"a valid tuning after the failed open", false, 0, false, 3},
        /* 5 */ {"a card that opens, valid tuning", true, 0, true, 3},
        /* 6 */ {"a card whose buffer cannot be prepared", true, 2, false, 4},
        /* 7 */ {"a card that opens", true, 0, true, 4},
    };
    for (const Step& s : steps)
    {
        SCOPED_TRACE(s.what);
        if (s.card)
            ChooseCard(dlg, s.index);
        else
            ChooseTuning(dlg, s.index);
        EXPECT_EQ(dlg.m_Go.IsWindowEnabled() != FALSE, s.goEnabled);
        EXPECT_EQ(world.boxes.calls.size(), s.boxes);
        EXPECT_EQ(world.fake.Counters().OpenNow(), dlg.m_phWaveIn != nullptr ? 1 : 0);
    }
}

TEST_F(OpenCard, ChangingCardWhileCapturingEndsTheCaptureAndOpensTheNewCardStopped)
{
    TunerWorld world({SineCard("Carte A", 110), SineCard("Carte B", 196)});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    ClickGo(dlg);
    WaitForPasses(world.fake, 3);
    double* const arrays[] = {dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut};

    ChooseCard(dlg, 0);
    EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
    EXPECT_EQ(dlg.m_bRunning.load(), 0);
    afx::testing::FakeCounters c = world.fake.Counters();
    EXPECT_EQ(c.lastOpenedDevice, 0u);
    EXPECT_EQ(c.opens, 2);
    EXPECT_EQ(c.closes, 1);
    EXPECT_EQ(c.starts, 1) << "the new card must not record until GO";
    EXPECT_GE(c.stops, 1) << "the old card is stopped before it is closed";
    EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());

    // GO again records from the new card into the same arrays.
    ClickGo(dlg);
    WaitForPasses(world.fake, 3);
    ClickStop(dlg);
    const double* const now[] = {dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(now[i], arrays[i]) << "array " << i;
    EXPECT_EQ(world.fake.Counters().starts, 2);
}

} // namespace
