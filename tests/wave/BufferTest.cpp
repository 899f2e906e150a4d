// Headers and blocks: what waveInAddBuffer hands back pass after pass, over the test double.
#include "FakeWaveIn.h"
#include "WaveTestSupport.h"

using afx::testing::FakeDevice;
using afx::testing::FakePacing;
using afx::testing::FakeSource;
using afx::testing::FakeWaveIn;
using afx::testing::FakeWaveInInstall;
using namespace wave_test;

namespace
{

constexpr DWORD kBlockBytes = 4410; // 2,205 samples
constexpr DWORD kBlockSamples = kBlockBytes / 2;
constexpr std::int16_t kFirst = -100;

// The samples a counter source records from index `from` on.
std::vector<std::int16_t> CounterRun(std::uint64_t from, std::size_t count)
{
    std::vector<std::int16_t> run(count);
    for (std::size_t i = 0; i < count; ++i)
        run[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(kFirst + from + i));
    return run;
}

constexpr DWORD kDoneOrQueued = WHDR_DONE | WHDR_INQUEUE;

DWORD State(const WAVEHDR& h)
{
    return h.dwFlags & kDoneOrQueued;
}

// One opened, prepared device with one header, as the dialog sets it up.
class WaveBuffer : public ::testing::Test
{
protected:
    explicit WaveBuffer(FakePacing pacing = FakePacing::Manual)
        : fake_({{.name = "Compteur", .source = FakeSource::Counter(kFirst), .pacing = pacing}}),
          installed_(fake_), buffer_(kBlockBytes)
    {
        EXPECT_EQ(waveInGetNumDevs(), 1u);
        const WAVEFORMATEX f = Format();
        EXPECT_EQ(waveInOpen(&h_, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    }
    ~WaveBuffer() override { waveInClose(h_); }

    MMRESULT Prepare() { return waveInPrepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)); }
    MMRESULT Add() { return waveInAddBuffer(h_, &buffer_.header, sizeof(WAVEHDR)); }

    FakeWaveIn fake_;
    FakeWaveInInstall installed_;
    Buffer buffer_;
    HWAVEIN h_ = nullptr;
};

class WaveBufferFast : public WaveBuffer
{
protected:
    WaveBufferFast() : WaveBuffer(FakePacing::AsFastAsPossible) {}
};

TEST_F(WaveBuffer, FreshHeaderIsQueuedEmptyBeforeTheFirstBlock)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    buffer_.header.dwBytesRecorded = 1234; // whatever was there
    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, 0u);
    EXPECT_EQ(buffer_.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED | WHDR_INQUEUE));
}

TEST_F(WaveBuffer, QueuedHeaderWithoutANewBlockIsLeftUntouched)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    const WAVEHDR before = buffer_.header;
    const std::vector<char> data = buffer_.data;

    EXPECT_EQ(Add(), WAVERR_STILLPLAYING);
    EXPECT_EQ(Add(), WAVERR_STILLPLAYING);
    EXPECT_EQ(std::memcmp(&before, &buffer_.header, sizeof before), 0);
    EXPECT_EQ(buffer_.data, data);
}

TEST_F(WaveBuffer, CompleteBlockFillsTheQueuedHeaderWhole)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());

    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    EXPECT_EQ(State(buffer_.header), static_cast<DWORD>(WHDR_DONE));
    EXPECT_TRUE(buffer_.header.dwFlags & WHDR_PREPARED);
    EXPECT_EQ(buffer_.Samples(), CounterRun(0, kBlockSamples));
}

TEST_F(WaveBuffer, PassAfterABlockSeesZeroEvenWithTheNextBlockReady)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    ASSERT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    const std::vector<char> first = buffer_.data;

    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, 0u);
    EXPECT_EQ(State(buffer_.header), static_cast<DWORD>(WHDR_INQUEUE));
    EXPECT_EQ(buffer_.data, first) << "handing back must not write the buffer";

    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    EXPECT_EQ(buffer_.Samples(), CounterRun(kBlockSamples, kBlockSamples));
}

TEST_F(WaveBuffer, FreshHeaderWithABlockReadyIsFilledAtOnce)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());
    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    EXPECT_EQ(State(buffer_.header), static_cast<DWORD>(WHDR_DONE));
}

TEST_F(WaveBufferFast, CaptureLoopSeesWholeBlocksThenZeroWithNoSampleLost)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    std::vector<std::int16_t> heard;
    std::vector<DWORD> seen;
    for (int pass = 0; pass < 10; ++pass)
    {
        Add(); // as the capture loop: the result is not looked at
        seen.push_back(buffer_.header.dwBytesRecorded);
        const auto samples = buffer_.Samples();
        heard.insert(heard.end(), samples.begin(), samples.end());
    }
    const std::vector<DWORD> expected = {kBlockBytes, 0, kBlockBytes, 0, kBlockBytes, 0,
                                         kBlockBytes, 0, kBlockBytes, 0};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(heard, CounterRun(0, 5 * kBlockSamples));
}

TEST_F(WaveBufferFast, NothingIsRecordedBeforeStart)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, 0u);
    EXPECT_EQ(Add(), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    EXPECT_EQ(buffer_.Samples(), CounterRun(0, kBlockSamples));
}

TEST_F(WaveBuffer, UnpreparedHeaderIsRefused)
{
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    EXPECT_EQ(Add(), WAVERR_UNPREPARED);
    EXPECT_EQ(buffer_.header.dwFlags, 0u);

    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInUnprepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwFlags & WHDR_PREPARED, 0u);
    EXPECT_EQ(Add(), WAVERR_UNPREPARED);
}

TEST_F(WaveBuffer, HeaderArgumentsAreChecked)
{
    using Call = MMRESULT (*)(HWAVEIN, LPWAVEHDR, UINT);
    const struct
    {
        const char* name;
        Call call;
    } calls[] = {{"prepare", waveInPrepareHeader},
                 {"unprepare", waveInUnprepareHeader},
                 {"add", waveInAddBuffer}};
    const UINT badSizes[] = {0, sizeof(WAVEHDR) - 1, sizeof(WAVEHDR) + 1};
    for (const auto& c : calls)
    {
        EXPECT_EQ(c.call(h_, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM) << c.name;
        for (const UINT size : badSizes)
            EXPECT_EQ(c.call(h_, &buffer_.header, size), MMSYSERR_INVALPARAM)
                << c.name << " with cbwh " << size;
    }
    EXPECT_EQ(buffer_.header.dwFlags, 0u);
}

TEST_F(WaveBuffer, PrepareChecksTheBufferAgainstTheFormat)
{
    Buffer stereo(64);
    HWAVEIN h = nullptr;
    fake_.SetDevices({{.name = "Stéréo", .formats = WAVE_FORMAT_4S16}});
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    const WAVEFORMATEX f = Format(44100, 2, 16); // 4 bytes a frame
    ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);

    struct Case
    {
        bool nullData;
        DWORD length;
        MMRESULT expected;
    };
    const Case cases[] = {
        /* 0 */ {true, 64, MMSYSERR_INVALPARAM},
        /* 1 */ {false, 0, MMSYSERR_INVALPARAM},
        /* 2 */ {false, 2, MMSYSERR_INVALPARAM},
        /* 3 */ {false, 62, MMSYSERR_INVALPARAM},
        /* 4 */ {false, 4, MMSYSERR_NOERROR},
        /* 5 */ {false, 64, MMSYSERR_NOERROR},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        WAVEHDR header{};
        header.lpData = cases[i].nullData ? nullptr : stereo.data.data();
        header.dwBufferLength = cases[i].length;
        EXPECT_EQ(waveInPrepareHeader(h, &header, sizeof header), cases[i].expected)
            << "case " << i;
        EXPECT_EQ((header.dwFlags & WHDR_PREPARED) != 0, cases[i].expected == MMSYSERR_NOERROR)
            << "case " << i;
        waveInUnprepareHeader(h, &header, sizeof header);
    }
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
}

TEST_F(WaveBuffer, PreparingAPreparedHeaderDoesNothing)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED));
    EXPECT_EQ(fake_.Counters().prepares, 1);
}

TEST_F(WaveBuffer, PrepareClearsStaleDoneAndQueuedFlags)
{
    buffer_.header.dwFlags = WHDR_DONE | WHDR_INQUEUE;
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED));
}

TEST(WaveBufferFailure, InjectedPrepareFailureLeavesTheHeaderUnprepared)
{
    FakeWaveIn fake({{.name = "Fragile", .prepareResult = MMSYSERR_NOMEM}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    HWAVEIN h = nullptr;
    const WAVEFORMATEX f = Format();
    ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    Buffer b(kBlockBytes);
    EXPECT_EQ(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOMEM);
    EXPECT_EQ(b.header.dwFlags, 0u);
    EXPECT_EQ(waveInAddBuffer(h, &b.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
    const auto c = fake.Counters();
    EXPECT_EQ(c.failedPrepares, 1);
    EXPECT_EQ(c.prepares, 0);
}

TEST_F(WaveBuffer, QueuedHeaderCannotBeUnpreparedUntilStopped)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_TRUE(buffer_.header.dwFlags & WHDR_PREPARED);

    ASSERT_EQ(waveInStop(h_), MMSYSERR_NOERROR);
    EXPECT_EQ(State(buffer_.header), static_cast<DWORD>(WHDR_DONE));
    EXPECT_EQ(buffer_.header.dwBytesRecorded, 0u);
    EXPECT_EQ(waveInUnprepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwFlags & WHDR_PREPARED, 0u);
    // Unpreparing again does nothing.
    EXPECT_EQ(waveInUnprepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(fake_.Counters().unprepares, 1);
}

TEST_F(WaveBuffer, StoppedDeviceRecordsNothingUntilStartedAgain)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStop(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStop(h_), MMSYSERR_NOERROR); // stopping twice is harmless
    EXPECT_FALSE(fake_.CompleteBlock());
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(Add(), WAVERR_STILLPLAYING);

    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());
    EXPECT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.header.dwBytesRecorded, kBlockBytes);
    EXPECT_EQ(buffer_.Samples(), CounterRun(0, kBlockSamples));
}

TEST_F(WaveBuffer, StopKeepsTheCompleteBlocks)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_EQ(waveInStop(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.Samples(), CounterRun(0, kBlockSamples));
    ASSERT_EQ(Add(), MMSYSERR_NOERROR); // handed back
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.Samples(), CounterRun(kBlockSamples, kBlockSamples));
}

TEST_F(WaveBuffer, ResetDropsEverythingAndReturnsTheHeader)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_EQ(waveInReset(h_), MMSYSERR_NOERROR);
    EXPECT_EQ(State(buffer_.header), static_cast<DWORD>(WHDR_DONE));
    EXPECT_EQ(buffer_.header.dwBytesRecorded, 0u);

    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(Add(), WAVERR_STILLPLAYING) << "the two blocks recorded before are gone";
    ASSERT_TRUE(fake_.CompleteBlock());
    ASSERT_EQ(Add(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer_.Samples(), CounterRun(2 * kBlockSamples, kBlockSamples));
}

// Takes every block held, with the capture loop's pattern; returns them in order.
std::vector<std::vector<std::int16_t>> Drain(HWAVEIN h, Buffer& b)
{
    std::vector<std::vector<std::int16_t>> blocks;
    for (int pass = 0; pass < 20; ++pass)
    {
        waveInAddBuffer(h, &b.header, sizeof(WAVEHDR));
        if (b.header.dwBytesRecorded != 0)
            blocks.push_back(b.Samples());
    }
    return blocks;
}

TEST_F(WaveBuffer, ThreeBlocksWaitForASlowClient)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(fake_.CompleteBlock());
    const auto blocks = Drain(h_, buffer_);
    ASSERT_EQ(blocks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(blocks[i], CounterRun(i * kBlockSamples, kBlockSamples)) << "block " << i;
}

TEST_F(WaveBuffer, ClientTooFarBehindGetsFreshSoundOnly)
{
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(fake_.CompleteBlock());
    const auto blocks = Drain(h_, buffer_);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], CounterRun(3 * kBlockSamples, kBlockSamples));
}

TEST_F(WaveBuffer, EveryAddBufferCallIsCounted)
{
    Add(); // unprepared
    ASSERT_EQ(Prepare(), MMSYSERR_NOERROR);
    Add();
    Add();
    waveInAddBuffer(h_, nullptr, sizeof(WAVEHDR)); // refused before reaching the device
    EXPECT_EQ(fake_.Counters().addBuffers, 3);
}

} // namespace
