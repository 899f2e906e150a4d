// The sound-card list: which devices it offers, which device each entry opens, and what is opened
// when it offers none.
#include "CaptureTesting.h"
#include "alsanames.h"

using namespace capture_testing;
using afx::testing::FakeDevice;
using afx::wavein::DeviceHint;

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
        /* 1 */ {WAVE_FORMAT_4S16, false},
        /* 2 */ {WAVE_FORMAT_4M08, false},
        /* 3 */ {WAVE_FORMAT_2M16, false},
        /* 4 */ {WAVE_FORMAT_48M16 | WAVE_FORMAT_96M16 | WAVE_FORMAT_1M16, false},
        /* 5 */ {WAVE_FORMAT_4S16 | WAVE_FORMAT_4M16 | WAVE_FORMAT_48M16, true},
        /* 6 */ {WAVE_INVALIDFORMAT, false},
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
    FakeDevice stereo = Card("Carte st\xe9r\xe9o");
    stereo.formats = WAVE_FORMAT_4S16;
    TunerWorld world({stereo});
    world.fake.SetMapperDevice(0);
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));

    EXPECT_EQ(dlg.m_Card.GetCount(), 0);
    EXPECT_EQ(dlg.m_Card.GetCurSel(), CB_ERR);
    afx::testing::FakeCounters c = world.fake.Counters();
    EXPECT_TRUE(c.anyOpened);
    EXPECT_EQ(c.lastOpenedDevice, WAVE_MAPPER);
    // The default device cannot record mono either: the open fails as any other would.
    EXPECT_EQ(c.failedOpens, 1);
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

TEST_F(CardList, TheDefaultDeviceIsLastAndOpenedWhereverItIsReported)
{
    // Cards named as the ALSA back end names them, among them names that sort after the
    // server's; the default device at each place in the order the devices are reported.
    const DeviceHint server{
        "default", {"Playback/recording through the PulseAudio sound server"}, true};
    const DeviceHint plain{"default", {"Default Audio Device"}, true};
    const std::vector<DeviceHint> cards = {
        {"pulse", {"PulseAudio Sound Server"}},
        {"sysdefault:CARD=PCH", {"HDA Intel PCH, ALC892 Analog"}},
        {"plughw:CARD=PCH,DEV=0", {"HDA Intel PCH, ALC892 Analog"}},
        {"plughw:CARD=USB,DEV=0", {"Scarlett 2i2 USB, USB Audio"}},
        {"plughw:CARD=H4n,DEV=0", {"Zoom H4n, USB Audio"}},
        {"quintorfile", {"~ Micro virtuel"}},
    };
    for (const DeviceHint& fallback : {server, plain})
        for (std::size_t at = 0; at <= cards.size(); ++at)
        {
            std::vector<DeviceHint> hints = cards;
            hints.insert(hints.begin() + static_cast<long>(at), fallback);
            SCOPED_TRACE(fallback.description.front() + ", reported " + std::to_string(at));
            const std::vector<std::string> names = afx::wavein::DeviceNames(hints);
            std::vector<FakeDevice> devices;
            for (const std::string& name : names)
                devices.push_back(Card(name));
            TunerWorld world(devices);
            TunerDialog dlg;
            ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
            ASSERT_EQ(dlg.m_Card.GetCount(), static_cast<int>(hints.size()));

            const int last = dlg.m_Card.GetCount() - 1;
            EXPECT_EQ(dlg.m_Card.GetCurSel(), last);
            EXPECT_EQ(dlg.m_Card.GetItemData(last), at) << EntryText(dlg.m_Card, last);
            EXPECT_EQ(world.fake.Counters().lastOpenedDevice, at);
        }
}

} // namespace
