// The sound-card list: which devices it offers, which device each entry opens, and what is opened
// when it offers none.
#include "CaptureTesting.h"

using namespace test_support;
using afx::testing::FakeDevice;

namespace
{

using CardList = CaptureTest;

TEST_F(CardList, EachEntryOpensItsOwnDeviceWhateverTheSortedOrder)
{
    // Device numbers 0, 1, 2 against names that sort A, B, C.
    TunerWorld world({Card("Carte C"), Card("Carte A"), Card("Carte B")});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    ASSERT_EQ(dlg.m_Card.GetCount(), 3);

    // The last entry in sorted order is selected and opened at start.
    EXPECT_EQ(dlg.m_Card.GetCurSel(), 2);
    EXPECT_EQ(world.fake.Counters().lastOpenedDevice, 0u);

    struct Entry
    {
        int index;
        const char* name;
        UINT device;
    };
    const Entry entries[] = {
        /* 0 */ {0, "Carte A", 1},
        /* 1 */ {1, "Carte B", 2},
        /* 2 */ {2, "Carte C", 0},
        /* 3 */ {2, "Carte C", 0}, // the selected entry again: its device is opened again
    };
    for (const Entry& e : entries)
    {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(EntryText(dlg.m_Card, e.index), e.name);
        EXPECT_EQ(dlg.m_Card.GetItemData(e.index), e.device);
        ChooseCard(dlg, e.index);
        const afx::testing::FakeCounters c = world.fake.Counters();
        EXPECT_EQ(c.lastOpenedDevice, e.device);
        EXPECT_EQ(c.OpenNow(), 1);
        EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());
    }
    const afx::testing::FakeCounters c = world.fake.Counters();
    EXPECT_EQ(c.opens, 5);
    EXPECT_EQ(c.prepares, 5);
    EXPECT_TRUE(world.boxes.calls.empty());
}

TEST_F(CardList, OffersOnlyDevicesThatRecordFortyFourKilohertzMonoSixteenBit)
{
    const DWORD formats[] = {
        /* 0 */ 0,
        /* 1 */ WAVE_FORMAT_4M16,
        /* 2 */ 0xFFFFFFFFu & ~static_cast<DWORD>(WAVE_FORMAT_4M16),
        /* 3 */ 0x00004C00, // 44.1 kHz mono and stereo, 48 kHz mono
    };
    std::vector<FakeDevice> cards;
    for (size_t i = 0; i < std::size(formats); ++i)
    {
        cards.push_back(Card("Carte " + std::to_string(i)));
        cards.back().formats = formats[i];
    }
    TunerWorld world(cards);
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    std::vector<std::string> listed;
    for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
        listed.push_back(EntryText(dlg.m_Card, i) + " #" +
                         std::to_string(dlg.m_Card.GetItemData(i)));
    EXPECT_EQ(listed, (std::vector<std::string>{"Carte 1 #1", "Carte 3 #3"}));
}

TEST_F(CardList, WithNoDeviceOfferedTheDefaultDeviceIsTried)
{
    // A stereo card, which cannot record the tuner's format either.
    FakeDevice stereo = Card("Carte st\xe9r\xe9o");
    stereo.formats = 0x00000800;
    stereo.openResult = WAVERR_BADFORMAT;
    TunerWorld world({stereo});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    EXPECT_EQ(dlg.m_Card.GetCount(), 0);
    EXPECT_EQ(dlg.m_Card.GetCurSel(), CB_ERR);
    afx::testing::FakeCounters c = world.fake.Counters();
    EXPECT_EQ(c.lastOpenedDevice, WAVE_MAPPER);
    EXPECT_EQ(c.failedOpens, 1) << "the failure is any failed open's";
    EXPECT_EQ(c.OpenNow(), 0);
    EXPECT_FALSE(dlg.m_Go.IsWindowEnabled());
    ASSERT_EQ(world.boxes.calls.size(), 1u);

    // Once the default device can record, opening again succeeds on it.
    world.fake.SetDevices({Card("D\351faut")});
    dlg.OpenSoundCard();
    c = world.fake.Counters();
    EXPECT_EQ(c.lastOpenedDevice, WAVE_MAPPER);
    EXPECT_EQ(c.opens, 1);
    EXPECT_EQ(c.OpenNow(), 1);
    EXPECT_TRUE(dlg.m_Go.IsWindowEnabled());
    EXPECT_EQ(world.boxes.calls.size(), 1u);
}

} // namespace
