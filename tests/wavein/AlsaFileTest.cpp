// The ALSA back end for real, on capture devices defined by a configuration file this test writes.
// ALSA reads its configuration once a process, so the test runs in a fresh one (the test program
// started again, death-test style) that sets ALSA_CONFIG_PATH first.
#include "FreshProcess.h"
#include "afxalsa.h"
#include "SoundFixtures.h"
#include "WaveTestSupport.h"

#include <cerrno>
#include <chrono>

using namespace wave_test;
using test_support::InFreshProcess;
using test_support::Problems;

namespace
{

constexpr DWORD kBlockBytes = 1u << 19; // the dialog's buffer
constexpr std::size_t kBlockSamples = kBlockBytes / 2;
constexpr DWORD k48M16 = WAVE_FORMAT_4M16 << 4; // 48,000 Hz mono 16-bit

const char* const kFileName = "Micro de test";
const char* const kPlugName = "Bouchon 48 kHz";

// The devices every child sees besides the machine's; the dialog's listing of such devices is
// checked in tests/tuner.
struct FileDevices
{
    test_support::TempFolder dir;
    std::vector<std::int16_t> samples = std::vector<std::int16_t>(3 * kBlockSamples + 300000);

    FileDevices()
    {
        // No two neighbours alike, no period near a block's length.
        std::uint32_t state = 12345;
        for (auto& s : samples)
            s = static_cast<std::int16_t>((state = state * 1103515245u + 12345u) >> 16);
        const std::string raw = dir / "in.raw";
        test_support::WriteRaw(raw, samples);
        const std::string extra =
            // Takes 48 kHz only unless a rate converter is let in.
            "pcm.quintor48 { type plug slave { pcm { type null } rate 48000 }\n"
            "    hint { show on description \"" +
            std::string(kPlugName) +
            "|IOIDInput\" } }\n"
            // A default that cannot be opened, whatever this machine has.
            "pcm.!default { type file slave.pcm \"null\" file \"/dev/null\"\n"
            "    infile \"" +
            dir / "missing.raw" + "\" format \"raw\" }\n";
        const std::string config = test_support::WriteAlsaConfig(
            dir.Path(), {{.pcm = "quintorfile", .description = kFileName, .rawPath = raw}}, extra);
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }
};

// Whether `text` ends with ALSA's words for errno `error`, as the layer adds them.
bool EndsWithAlsaText(const std::string& text, int error)
{
    const std::string alsa = std::string(" (ALSA : ") + std::strerror(error) + ")";
    return text.size() > alsa.size() &&
           text.compare(text.size() - alsa.size(), alsa.size(), alsa) == 0;
}

// The number of the device named `name` and its formats, or WAVE_MAPPER when none is.
UINT Find(const std::string& name, DWORD& formats)
{
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR && caps.szPname == name)
        {
            formats = caps.dwFormats;
            return i;
        }
    }
    return WAVE_MAPPER;
}

TEST(WaveAlsa, RecordsTheFileExactlyAndFailuresCarryAlsasOwnText)
{
    InFreshProcess(
        []
        {
            afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
            FileDevices setup;
            Problems p;
            DWORD formats = 0;
            const UINT plug = Find(kPlugName, formats);
            p.Expect(plug != WAVE_MAPPER && (formats & k48M16) != 0,
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
            const WAVEFORMATEX f = Format();
            HWAVEIN h = nullptr;
            for (const Case& c : cases)
            {
                h = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
                p.Expect(waveInOpen(&h, c.device, &f, 0, 0, CALLBACK_NULL) == c.code,
                         std::string(c.what) + ": another result");
                p.Expect(h == nullptr, std::string(c.what) + ": a handle was left");
                p.Expect(EndsWithAlsaText(ErrorText(c.code), c.error),
                         std::string(c.what) + ": " + ErrorText(c.code));
            }

            const UINT file = Find(kFileName, formats);
            if (const MMRESULT r = waveInOpen(&h, file, &f, 0, 0, CALLBACK_NULL); r != 0)
                return p.Text() + "the file device did not open: " + ErrorText(r) + "\n";
            Buffer b(kBlockBytes);
            p.Expect(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                     "prepare failed");
            p.Expect(waveInStart(h) == MMSYSERR_NOERROR, "start failed");
            // The capture loop's pattern, then closing, under one watchdog.
            test_support::TestWatchdog watchdog("the ALSA file device, then closing it");
            std::vector<std::int16_t> heard;
            test_support::WaitUntil("two blocks from the ALSA file device",
                                    [&]
                                    {
                                        waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
                                        const auto samples = b.Samples();
                                        heard.insert(heard.end(), samples.begin(), samples.end());
                                        return heard.size() >= 2 * kBlockSamples;
                                    });
            p.Expect(std::equal(heard.begin(), heard.end(), setup.samples.begin()),
                     "the blocks differ from the file");
            // Its thread is waiting for room now (the file outruns us): stop and close wake it.
            p.Expect(waveInStop(h) == MMSYSERR_NOERROR, "stop failed");
            p.Expect(waveInUnprepareHeader(h, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR,
                     "unprepare failed");
            p.Expect(waveInClose(h) == MMSYSERR_NOERROR, "close failed");

            // Closing while the thread reads, without stopping first.
            Buffer small(4096);
            p.Expect(waveInOpen(&h, file, &f, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR &&
                         waveInPrepareHeader(h, &small.header, sizeof(WAVEHDR)) ==
                             MMSYSERR_NOERROR &&
                         waveInStart(h) == MMSYSERR_NOERROR,
                     "open, prepare or start failed");
            waveInAddBuffer(h, &small.header, sizeof(WAVEHDR));
            p.Expect(waveInClose(h) == MMSYSERR_NOERROR, "close failed");
            return p.Text();
        });
}

} // namespace
