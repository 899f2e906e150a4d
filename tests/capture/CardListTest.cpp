// The sound-card list: which devices it offers, which device each entry opens, and what is opened
// when it offers none.
#include "CaptureTesting.h"

using namespace capture_testing;
using afx::testing::FakeDevice;

namespace
{

class CardList : public CaptureTest
{
};

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
        /* 3 */ {0, "Carte A", 1},
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
    EXPECT_TRUE(world.boxes.calls.empty());
}

TEST_F(CardList, OffersOnlyDevicesThatRecordFortyFourKilohertzMonoSixteenBit)
{
    struct Device
    {
        DWORD formats;
        bool offered;
    };
    const Device devices[] = {
        /* 0 */ {WAVE_FORMAT_4M16, true},
        /* 1 */ {0x00000800, false}, // 44.1 kHz stereo 16-bit
        /* 2 */ {0x00000100, false}, // 44.1 kHz mono 8-bit
        /* 3 */ {0x00000040, false}, // 22,050 Hz mono 16-bit
        /* 4 */ {0x00044004, false}, // mono 16-bit at 96, 48 and 11 kHz
        /* 5 */ {0x00004C00, true},  // 44.1 kHz mono and stereo, 48 kHz mono
        /* 6 */ {0, false},
        /* 7 */ {0xFFFFFFFFu & ~static_cast<DWORD>(WAVE_FORMAT_4M16), false},
    };
    std::vector<FakeDevice> cards;
    for (size_t i = 0; i < std::size(devices); ++i)
    {
        cards.push_back(Card("Carte " + std::to_string(i)));
        cards.back().formats = devices[i].formats;
    }
    TunerWorld world(cards);
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    std::vector<UINT> listed;
    for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
    {
        listed.push_back(static_cast<UINT>(dlg.m_Card.GetItemData(i)));
        EXPECT_EQ(EntryText(dlg.m_Card, i), "Carte " + std::to_string(listed.back()));
    }
    std::vector<UINT> offered;
    for (size_t i = 0; i < std::size(devices); ++i)
        if (devices[i].offered)
            offered.push_back(static_cast<UINT>(i));
    EXPECT_EQ(listed, offered);
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
