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
using sound_fixtures::Utf8;

namespace
{

constexpr DWORD kBlockBytes = 1u << 19; // the dialog's buffer
constexpr std::size_t kBlockSamples = kBlockBytes / 2;
constexpr DWORD k48M16 = WAVE_FORMAT_4M16 << 4; // 48,000 Hz mono 16-bit

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

// The devices every child sees, besides the machine's. The first line of the capture device's
// description is cut before the last word that fits, in code page 1252 with '?' for the note.
const char* const kFileName = "Guitare d\x92\xe9tude \x97 entr\xe9"
                              "e ?\x85";
const char* const kPlugName = "Bouchon 48 kHz";

struct FileDevices
{
    test_support::TempFolder dir;
    std::vector<std::int16_t> samples = Recording(3 * kBlockSamples + 300000);

    FileDevices()
    {
        const std::string raw = dir / "in.raw";
        sound_fixtures::WriteRaw(raw, samples);
        const std::string missing = dir / "missing.raw";
        const std::string extra =
            // Cannot be opened: its file is missing.
            "pcm.quintorbroken { type file slave.pcm \"null\" file \"/dev/null\"\n"
            "    infile \"" +
            missing +
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
            missing + "\" format \"raw\" }\n";
        const std::string config = sound_fixtures::WriteAlsaConfig(
            dir.Path(),
            {{.pcm = "quintorfile",
              .description =
                  Utf8(u8"Guitare d’étude — entrée ♪ très longue description\nDeuxième ligne"),
              .rawPath = raw}},
            extra);
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }
};

// The list's names, by device number.
std::vector<std::string> List(std::vector<DWORD>& formats)
{
    std::vector<std::string> names;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        WAVEINCAPSA caps{};
        names.push_back(waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR
                            ? caps.szPname
                            : "<no capabilities>");
        formats.push_back(caps.dwFormats);
    }
    return names;
}

UINT Find(const std::vector<std::string>& names, const std::string& name)
{
    return static_cast<UINT>(std::find(names.begin(), names.end(), name) - names.begin());
}

TEST(WaveAlsa, FailuresToOpenCarryAlsasOwnText)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            std::vector<DWORD> formats;
            const UINT plug = Find(List(formats), kPlugName);
            p.Expect(plug < formats.size() && (formats[plug] & k48M16) != 0,
                     "the 48 kHz device is not listed with 48 kHz mono 16-bit");
            struct Case
            {
                const char* what;
                UINT device;
                MMRESULT code;
                int error;
            };
            const Case cases[] = {
                {"44.1 kHz on a 48 kHz device", plug, WAVERR_BADFORMAT, EINVAL},
                {"the mapper without a default device", WAVE_MAPPER, MMSYSERR_NODRIVER, ENOENT},
            };
            for (const Case& c : cases)
            {
                HWAVEIN h = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
                const WAVEFORMATEX f = Format();
                p.Expect(waveInOpen(&h, c.device, &f, 0, 0, CALLBACK_NULL) == c.code,
                         std::string(c.what) + ": another result");
                p.Expect(h == nullptr, std::string(c.what) + ": a handle was left");
                p.Expect(EndsWithAlsaText(ErrorText(c.code), c.error),
                         std::string(c.what) + ": " + ErrorText(c.code));
            }
            return p.Text();
        });
}

TEST(WaveAlsa, RecordsTheFileExactlyAndClosesWhileItsThreadRuns)
{
    InFreshProcess(
        []
        {
            FileDevices setup;
            Problems p;
            std::vector<DWORD> formats;
            const std::vector<std::string> names = List(formats);
            const UINT file = Find(names, kFileName);
            if (file == names.size())
                return std::string("the file device is not listed\n");
            HWAVEIN h = nullptr;
            const WAVEFORMATEX f = Format();
            if (const MMRESULT r = waveInOpen(&h, file, &f, 0, 0, CALLBACK_NULL); r != 0)
                return "the file device did not open: " + ErrorText(r) + "\n";
            Buffer b(kBlockBytes);
            p.Expect(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                     "prepare failed");
            p.Expect(waveInStart(h) == MMSYSERR_NOERROR, "start failed");

            // The capture loop's pattern, under a watchdog.
            std::vector<std::int16_t> heard;
            Watchdog watchdog("two blocks from the ALSA file device, then closing it");
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

            // Closing while the thread reads, without stopping first.
            for (int round = 0; round < 5; ++round)
            {
                Buffer small(4096);
                p.Expect(waveInOpen(&h, file, &f, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR &&
                             waveInPrepareHeader(h, &small.header, sizeof(WAVEHDR)) ==
                                 MMSYSERR_NOERROR &&
                             waveInStart(h) == MMSYSERR_NOERROR,
                         "open, prepare or start failed");
                waveInAddBuffer(h, &small.header, sizeof(WAVEHDR));
                p.Expect(waveInClose(h) == MMSYSERR_NOERROR, "close failed");
            }
            return p.Text();
        });
}

} // namespace
