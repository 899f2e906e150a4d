// The device list and the capabilities records, over the test double.
#include "FakeWaveIn.h"
#include "WaveTestSupport.h"

using afx::testing::FakeDevice;
using afx::testing::FakeWaveIn;
using afx::testing::FakeWaveInInstall;
using namespace wave_test;

namespace
{

TEST(WaveDeviceList, CapsReportEachDeviceInItsOwnNumber)
{
    FakeWaveIn fake(
        {{.name = "Carte A", .formats = WAVE_FORMAT_4M16, .channels = 1},
         {.name = "Carte B", .formats = WAVE_FORMAT_1S08 | WAVE_FORMAT_4S16, .channels = 2}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 2u);

    WAVEINCAPSA a{};
    WAVEINCAPSA b{};
    ASSERT_EQ(waveInGetDevCapsA(0, &a, sizeof a), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInGetDevCapsA(1, &b, sizeof b), MMSYSERR_NOERROR);
    EXPECT_STREQ(a.szPname, "Carte A");
    EXPECT_EQ(a.dwFormats, static_cast<DWORD>(WAVE_FORMAT_4M16));
    EXPECT_EQ(a.wChannels, 1);
    EXPECT_STREQ(b.szPname, "Carte B");
    EXPECT_EQ(b.dwFormats, static_cast<DWORD>(WAVE_FORMAT_1S08 | WAVE_FORMAT_4S16));
    EXPECT_EQ(b.wChannels, 2);
}

TEST(WaveDeviceList, LongNamesAreCutToFitWithTheirNul)
{
    const std::string longName = "Périphérique d'entrée numéro 1234567890";
    ASSERT_GT(longName.size(), std::size_t{MAXPNAMELEN});
    FakeWaveIn fake({{.name = longName}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    WAVEINCAPSA caps;
    std::memset(&caps, 0x7f, sizeof caps);
    ASSERT_EQ(waveInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(std::string(caps.szPname), longName.substr(0, MAXPNAMELEN - 1));
    EXPECT_EQ(caps.szPname[MAXPNAMELEN - 1], '\0');
}

TEST(WaveDeviceList, ListStaysAsItWasUntilTheCountIsAskedAgain)
{
    FakeWaveIn fake({{.name = "Ancienne"}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    fake.SetDevices({{.name = "Nouvelle 1"}, {.name = "Nouvelle 2"}});

    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Ancienne");
    EXPECT_EQ(waveInGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_BADDEVICEID);

    ASSERT_EQ(waveInGetNumDevs(), 2u);
    ASSERT_EQ(waveInGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Nouvelle 2");
}

TEST(WaveDeviceList, CapsArgumentsAreChecked)
{
    FakeWaveIn fake({{.name = "Seule"}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    WAVEINCAPSA caps{};
    EXPECT_EQ(waveInGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveInGetDevCapsA(1000, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveInGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInGetDevCapsA(0, nullptr, 0), MMSYSERR_NOERROR);
}

TEST(WaveDeviceList, ShortCapsSizeCopiesOnlyThatMuch)
{
    FakeWaveIn fake({{.name = "Courte"}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    WAVEINCAPSA caps;
    std::memset(&caps, 0x7f, sizeof caps);
    const UINT head = offsetof(WAVEINCAPSA, szPname) + 3; // identifiers, version, "Cou"
    ASSERT_EQ(waveInGetDevCapsA(0, &caps, head), MMSYSERR_NOERROR);
    EXPECT_EQ(std::string(caps.szPname, 3), "Cou");
    EXPECT_EQ(caps.szPname[3], '\x7f');
    EXPECT_EQ(caps.wChannels, 0x7f7f);
}

TEST(WaveDeviceList, MapperCapsAreThoseOfTheDefaultDevice)
{
    FakeWaveIn fake({{.name = "Zéro"}, {.name = "Un", .formats = WAVE_FORMAT_2M08}});
    fake.SetMapperDevice(1);
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 2u);
    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Un");
    EXPECT_EQ(caps.dwFormats, static_cast<DWORD>(WAVE_FORMAT_2M08));

    fake.SetMapperDevice(-1);
    ASSERT_EQ(waveInGetNumDevs(), 2u);
    EXPECT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NODRIVER);
}

TEST(WaveDeviceList, NoDeviceMeansACountOfZero)
{
    FakeWaveIn fake;
    FakeWaveInInstall installed(fake);
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    WAVEINCAPSA caps{};
    EXPECT_EQ(waveInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST(WaveDeviceList, RemovingTheDoubleForgetsItsDevices)
{
    {
        FakeWaveIn fake({{.name = "Éphémère"}});
        FakeWaveInInstall installed(fake);
        ASSERT_EQ(DeviceNames(), std::vector<std::string>{"Éphémère"});
        FakeWaveIn inner({{.name = "Intérieure 1"}, {.name = "Intérieure 2"}});
        {
            FakeWaveInInstall nested(inner);
            EXPECT_EQ(waveInGetNumDevs(), 2u);
        }
        // The outer double is back, not the platform's devices.
        EXPECT_EQ(DeviceNames(), std::vector<std::string>{"Éphémère"});
    }
    // Whatever the machine has, the double's device is gone.
    for (const std::string& name : DeviceNames())
        EXPECT_NE(name, "Éphémère");
}

} // namespace
