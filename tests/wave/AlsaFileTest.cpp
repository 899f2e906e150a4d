// The ALSA back end for real, on capture devices defined only by a configuration file this test
// writes. ALSA reads its configuration once per process, so each check runs in a fresh process
// (the test program started again, death-test style) that sets ALSA_CONFIG_PATH first.
#include "FreshProcess.h"
#include "SoundFixtures.h"
#include "WaveTestSupport.h"

#include <cerrno>
#include <chrono>

using namespace wave_test;
using fresh_process::InFreshProcess;
using fresh_process::Problems;
using sound_fixtures::AlsaFileDevice;
using sound_fixtures::Utf8;
using test_support::TempFolder;

namespace
{

constexpr DWORD kBlockBytes = 1u << 19; // the dialog's buffer
constexpr std::size_t kBlockSamples = kBlockBytes / 2;

// What the file device plays: no two neighbours alike, no period near a block's length.
std::vector<std::int16_t> Recording(std::size_t count)
{
    std::vector<std::int16_t> samples(count);
    std::uint32_t state = 12345;
    for (auto& s : samples)
    {
        state = state * 1103515245u + 12345u;
        s = static_cast<std::int16_t>(state >> 16);
    }
    return samples;
}

// The devices every child sees. The first line of the capture device's description is cut
// before the last word that does not fit, "Guitare d’étude — entrée ♪…", in code page 1252 with '?'
// for the note sign.
const char* const kFileName = "Guitare d\x92\xe9tude \x97 entr\xe9"
                              "e ?\x85";
const char* const kPlugName = "Bouchon 48 kHz";

struct FileDevices
{
    TempFolder dir;
    std::vector<std::int16_t> samples = Recording(3 * kBlockSamples + 300000);
    std::string configPath;

    FileDevices()
    {
        const std::string raw = dir / "in.raw";
        sound_fixtures::WriteRaw(raw, samples);
        const std::string extra =
            // Cannot be opened: its file is missing.
            "pcm.quintorbroken { type file slave.pcm \"null\" file \"/dev/null\"\n"
            "    infile \"" +
            dir / "missing.raw" +
            "\" format \"raw\"\n"
            "    hint { show on description \"Appareil cass\xc3\xa9|IOIDInput\" } }\n"
            // Playback only, by its hint.
            "pcm.quintorout { type null\n"
            "    hint { show on description \"Sortie seule|IOIDOutput\" } }\n"
            // Takes 48 kHz only unless a rate converter is let in.
            "pcm.quintor48 { type plug slave { pcm { type null } rate 48000 }\n"
            "    hint { show on description \"" +
            std::string(kPlugName) +
            "|IOIDInput\" } }\n"
            // A default that cannot be opened, whatever this machine has.
            "pcm.!default { type file slave.pcm \"null\" file \"/dev/null\"\n"
            "    infile \"" +
            dir / "missing.raw" + "\" format \"raw\" }\n";
        configPath = sound_fixtures::WriteAlsaConfig(
            dir.Path(),
            {{.pcm = "quintorfile",
              .description =
                  Utf8(u8"Guitare d’étude — entrée ♪ très longue description\nDeuxième ligne"),
              .rawPath = raw}},
            extra);
        setenv("ALSA_CONFIG_PATH", configPath.c_str(), 1);
    }
};

struct Listed
{
    UINT id;
    WAVEINCAPSA caps;
};

std::vector<Listed> List()
{
    std::vector<Listed> list;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        Listed entry{i, {}};
        if (waveInGetDevCapsA(i, &entry.caps, sizeof entry.caps) == MMSYSERR_NOERROR)
            list.push_back(entry);
    }
    return list;
}

const Listed* Named(const std::vector<Listed>& list, const std::string& name)
{
    for (const Listed& entry : list)
        if (name == entry.caps.szPname)
            return &entry;
    return nullptr;
}

TEST(WaveAlsa, FileDeviceIsListedByTheFirstLineOfItsDescription)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            const auto list = List();
            const Listed* file = Named(list, kFileName);
            p.Expect(file != nullptr, "the file device is not listed under its converted name");
            if (file)
            {
                p.Expect((file->caps.dwFormats & WAVE_FORMAT_4M16) != 0, "no WAVE_FORMAT_4M16");
                p.Expect(file->caps.wChannels >= 1, "no channel");
            }
            return p.Text();
        });
}

TEST(WaveAlsa, DevicesThatCannotRecordAreLeftOut)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            const auto list = List();
            // What this machine's ALSA helper entries are called, when it has them.
            const char* const helpers[] = {"Discard all samples", "Rate Converter Plugin",
                                           "Plugin for channel upmix", "Plugin for channel downmix",
                                           "Plugin using Speex DSP"};
            for (const Listed& entry : list)
            {
                const std::string name = entry.caps.szPname;
                for (const char* helper : helpers)
                    p.Expect(name.rfind(helper, 0) != 0, "helper entry listed: " + name);
                p.Expect(name != "Appareil cass\xe9", "a device that cannot be opened is listed");
                p.Expect(name != "Sortie seule", "a playback-only device is listed");
                p.Expect(name != "\xbb P\xe9riph\xe9rique par d\xe9"
                                 "faut",
                         "a broken default is listed");
            }
            WAVEINCAPSA caps{};
            p.Expect(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NODRIVER,
                     "the mapper has capabilities without a default device");
            p.Expect(waveInGetDevCapsA(static_cast<UINT>(list.size()), &caps, sizeof caps) ==
                         MMSYSERR_BADDEVICEID,
                     "the count and the capabilities disagree");
            return p.Text();
        });
}

TEST(WaveAlsa, FormatBitsMeanExactlyThatFormatWithNoRateConverter)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            const auto list = List();
            const Listed* plug = Named(list, kPlugName);
            p.Expect(plug != nullptr, "the 48 kHz device is not listed");
            if (!plug)
                return p.Text();
            p.Expect((plug->caps.dwFormats & WAVE_FORMAT_4M16) == 0,
                     "WAVE_FORMAT_4M16 claimed through a rate converter");
            p.Expect((plug->caps.dwFormats & WAVE_FORMAT_48M16) != 0, "WAVE_FORMAT_48M16 missing");

            HWAVEIN h = nullptr;
            const WAVEFORMATEX f = Format();
            const MMRESULT r = waveInOpen(&h, plug->id, &f, 0, 0, CALLBACK_NULL);
            p.Expect(r == WAVERR_BADFORMAT, "44.1 kHz opened on a 48 kHz device");
            const std::string expected = std::string(" (ALSA : ") + std::strerror(EINVAL) + ")";
            const std::string text = ErrorText(WAVERR_BADFORMAT);
            p.Expect(text.size() > expected.size() && text.compare(text.size() - expected.size(),
                                                                   expected.size(), expected) == 0,
                     "the text does not end with ALSA's: " + text);

            const WAVEFORMATEX f48 = Format(48000);
            p.Expect(waveInOpen(&h, plug->id, &f48, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR,
                     "48 kHz refused");
            return p.Text();
        });
}

TEST(WaveAlsa, MapperWithoutADefaultDeviceReportsNoDriverWithAlsasText)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            HWAVEIN h = nullptr;
            const WAVEFORMATEX f = Format();
            p.Expect(waveInOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) == MMSYSERR_NODRIVER,
                     "WAVE_MAPPER did not fail with MMSYSERR_NODRIVER");
            p.Expect(h == nullptr, "a handle was left");
            const std::string text = ErrorText(MMSYSERR_NODRIVER);
            const std::string alsa = std::string(" (ALSA : ") + std::strerror(ENOENT) + ")";
            p.Expect(text.size() > alsa.size() && text.substr(text.size() - alsa.size()) == alsa,
                     "unexpected text: " + text);
            return p.Text();
        });
}

TEST(WaveAlsa, TwoConsecutiveBlocksAreExactlyTheFile)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            const Listed* file = nullptr;
            const auto list = List();
            file = Named(list, kFileName);
            if (!file)
                return std::string("the file device is not listed\n");
            HWAVEIN h = nullptr;
            const WAVEFORMATEX f = Format();
            if (const MMRESULT r = waveInOpen(&h, file->id, &f, 0, 0, CALLBACK_NULL); r != 0)
                return "the file device did not open: " + ErrorText(r) + "\n";
            Buffer b(kBlockBytes);
            p.Expect(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                     "prepare failed");
            p.Expect(waveInStart(h) == MMSYSERR_NOERROR, "start failed");

            // The capture loop's pattern, under a watchdog.
            std::vector<std::int16_t> heard;
            Watchdog watchdog("two blocks from the ALSA file device");
            while (heard.size() < 2 * kBlockSamples)
            {
                waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
                const auto samples = b.Samples();
                heard.insert(heard.end(), samples.begin(), samples.end());
                if (samples.empty())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            p.Expect(std::equal(heard.begin(), heard.end(), setup.samples.begin()),
                     "the blocks differ from the file");

            // Its thread is waiting for room now (the file outruns us): stop and close wake it.
            p.Expect(waveInStop(h) == MMSYSERR_NOERROR, "stop failed");
            p.Expect(waveInUnprepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                     "unprepare failed");
            p.Expect(waveInClose(h) == MMSYSERR_NOERROR, "close failed");
            return p.Text();
        });
}

TEST(WaveAlsa, CloseWhileTheReaderThreadRunsReturns)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            const auto list = List();
            const Listed* file = Named(list, kFileName);
            if (!file)
                return std::string("the file device is not listed\n");
            Watchdog watchdog("closing an ALSA device while it records");
            for (int round = 0; round < 5; ++round)
            {
                HWAVEIN h = nullptr;
                const WAVEFORMATEX f = Format();
                if (waveInOpen(&h, file->id, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
                    return std::string("the file device did not open\n");
                Buffer b(4096);
                p.Expect(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                         "prepare failed");
                p.Expect(waveInStart(h) == MMSYSERR_NOERROR, "start failed");
                waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
                p.Expect(waveInClose(h) == MMSYSERR_NOERROR, "close failed");
            }
            return p.Text();
        });
}

} // namespace
