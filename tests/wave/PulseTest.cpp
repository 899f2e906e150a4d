// The ALSA back end recording a real sound server in real time: a private PulseAudio server,
// a file played into its null sink, recorded from the sink's monitor through ALSA's `pulse`
// device. Skipped when the server cannot be started here.
#include "SoundFixtures.h"
#include "WaveTestSupport.h"

#include <fstream>
#include <memory>

using namespace wave_test;
using sound_fixtures::PulseServer;
using sound_fixtures::ScopedEnv;
using test_support::TempFolder;

namespace
{

constexpr DWORD kBlockBytes = 11025 * 2; // a quarter of a second
constexpr std::size_t kLead = 22050;     // half a second of silence before the sound

class WavePulse : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server_.Started())
            GTEST_SKIP() << "no private PulseAudio server: " << server_.Problem();
        for (const auto& [name, value] : server_.ClientEnvironment())
            env_.push_back(std::make_unique<ScopedEnv>(name, value));
        const UINT count = waveInGetNumDevs();
        for (UINT i = 0; i < count; ++i)
        {
            WAVEINCAPSA caps{};
            if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
                std::string(caps.szPname).rfind("PulseAudio", 0) == 0)
            {
                device_ = i;
                formats_ = caps.dwFormats;
            }
        }
        if (device_ == WAVE_MAPPER)
            GTEST_SKIP() << "ALSA lists no PulseAudio device (libasound2-plugins missing?)";
    }

    // Records while `file` plays until `played` has been heard whole, or the lead, the sound
    // and a margin for latency have gone by; returns where it was heard, or -1.
    long RecordUntilHeard(const std::string& file, const std::vector<std::int16_t>& played)
    {
        std::vector<std::int16_t> heard;
        HWAVEIN h = nullptr;
        const WAVEFORMATEX f = Format();
        const MMRESULT opened = waveInOpen(&h, device_, &f, 0, 0, CALLBACK_NULL);
        EXPECT_EQ(opened, MMSYSERR_NOERROR) << ErrorText(opened);
        if (h == nullptr)
            return -1;
        Buffer b(kBlockBytes);
        EXPECT_EQ(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInStart(h), MMSYSERR_NOERROR);
        EXPECT_TRUE(server_.Play(file));
        const std::size_t enough = kLead + played.size() + 2 * 44100;
        Watchdog watchdog("the played sound to come back from the server");
        long at = -1;
        while (at < 0 && heard.size() < enough)
        {
            waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
            const auto samples = b.Samples();
            if (samples.empty())
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            heard.insert(heard.end(), samples.begin(), samples.end());
            at = Find(heard, played);
        }
        EXPECT_EQ(waveInStop(h), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInUnprepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
        server_.WaitPlayed();
        return at;
    }

    // Where `played` appears whole in `heard`, or -1.
    static long Find(const std::vector<std::int16_t>& heard,
                     const std::vector<std::int16_t>& played)
    {
        if (played.empty() || heard.size() < played.size())
            return -1;
        for (std::size_t at = 0; at + played.size() <= heard.size(); ++at)
            if (std::equal(played.begin(), played.end(), heard.begin() + static_cast<long>(at)))
                return static_cast<long>(at);
        return -1;
    }

    PulseServer server_;
    test_support::TempFolder dir_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
    UINT device_ = WAVE_MAPPER;
    DWORD formats_ = 0;
};

TEST_F(WavePulse, RecordsARawFileSampleForSampleAcrossBlocks)
{
    EXPECT_NE(formats_ & WAVE_FORMAT_4M16, 0u);
    // A ramp that never passes 0, over several blocks, so a lost or repeated sample shows.
    std::vector<std::int16_t> ramp(22050);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(1 + i);
    std::vector<std::int16_t> played(kLead, 0);
    played.insert(played.end(), ramp.begin(), ramp.end());
    played.insert(played.end(), kLead, 0);
    const std::string file = dir_ / "ramp.raw";
    ASSERT_TRUE(sound_fixtures::WriteRaw(file, played));

    EXPECT_GE(RecordUntilHeard(file, ramp), 0) << "the ramp was not heard whole, in order";
}

TEST_F(WavePulse, RecordsAPluckedStringPlayedFromAWaveFile)
{
    const std::string wav = dir_ / "pluck.wav";
    const std::string raw = dir_ / "pluck.raw";
    // The sound after its lead, as the recording should hold it, comes from the file itself.
    ASSERT_EQ(
        std::system(
            ("sox -R -n -r 44100 -c 1 -b 16 '" + wav + "' synth 0.5 pluck 110 pad 0.5").c_str()),
        0);
    ASSERT_EQ(
        std::system(("sox '" + wav + "' -t raw -e signed -b 16 '" + raw + "' trim 0.5").c_str()),
        0);
    std::vector<std::int16_t> pluck;
    {
        std::ifstream in(raw, std::ios::binary);
        char bytes[2];
        while (in.read(bytes, 2))
            pluck.push_back(static_cast<std::int16_t>(
                static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                           (static_cast<unsigned char>(bytes[1]) << 8))));
    }
    ASSERT_EQ(pluck.size(), 22050u);

    EXPECT_GE(RecordUntilHeard(wav, pluck), 0) << "the pluck was not heard whole";
}

} // namespace
