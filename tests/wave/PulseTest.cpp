// The ALSA back end recording a real sound server in real time: a private PulseAudio server,
// a file played into its null sink, recorded from the sink's monitor through ALSA's `pulse`
// device. Skipped when the server cannot be started here.
#include "SoundFixtures.h"
#include "WaveTestSupport.h"

#include <memory>

using namespace wave_test;
using sound_fixtures::PulseServer;
using sound_fixtures::ScopedEnv;

namespace
{

constexpr DWORD kBlockBytes = 11025 * 2; // a quarter of a second
constexpr std::size_t kLead = 22050;     // half a second of silence before the sound

// Where `played` appears whole in `heard`.
bool Contains(const std::vector<std::int16_t>& heard, const std::vector<std::int16_t>& played)
{
    return std::search(heard.begin(), heard.end(), played.begin(), played.end()) != heard.end();
}

TEST(WavePulse, RecordsAFileSampleForSampleAcrossBlocks)
{
    PulseServer server;
    if (!server.Started())
        GTEST_SKIP() << "no private PulseAudio server: " << server.Problem();
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const auto& [name, value] : server.ClientEnvironment())
        env.push_back(std::make_unique<ScopedEnv>(name, value));
    UINT device = WAVE_MAPPER;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
            std::string(caps.szPname) == "PulseAudio")
        {
            device = i;
            EXPECT_NE(caps.dwFormats & WAVE_FORMAT_4M16, 0u);
        }
    }
    if (device == WAVE_MAPPER)
        GTEST_SKIP() << "ALSA lists no PulseAudio device (libasound2-plugins missing?)";

    // Both signs and never 0, over several blocks, so that a lost, repeated or mangled sample
    // shows.
    std::vector<std::int16_t> ramp(22050);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(i % 2 ? 1 + i : -1 - static_cast<long>(i));
    std::vector<std::int16_t> played(kLead, 0);
    played.insert(played.end(), ramp.begin(), ramp.end());
    played.insert(played.end(), kLead, 0);
    test_support::TempFolder dir;
    const std::string file = dir / "ramp.raw";
    ASSERT_TRUE(sound_fixtures::WriteRaw(file, played));

    HWAVEIN h = nullptr;
    const WAVEFORMATEX f = Format();
    const MMRESULT opened = waveInOpen(&h, device, &f, 0, 0, CALLBACK_NULL);
    ASSERT_EQ(opened, MMSYSERR_NOERROR) << ErrorText(opened);
    Buffer b(kBlockBytes);
    EXPECT_EQ(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInStart(h), MMSYSERR_NOERROR);
    EXPECT_TRUE(server.Play(file));
    // Until the ramp is heard whole, or the lead, the ramp and a margin for latency are past.
    const std::size_t enough = played.size() + 2 * 44100;
    Watchdog watchdog("the played sound to come back from the server");
    std::vector<std::int16_t> heard;
    while (!Contains(heard, ramp) && heard.size() < enough)
    {
        waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
        const auto samples = b.Samples();
        heard.insert(heard.end(), samples.begin(), samples.end());
        if (samples.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(Contains(heard, ramp)) << "the ramp was not heard whole, in order";
    EXPECT_EQ(waveInStop(h), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
    server.WaitPlayed();
}

} // namespace
