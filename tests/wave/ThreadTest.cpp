// Threads: a device recording in real time on its own thread, a client spinning on
// waveInAddBuffer, and stop/close from another thread. No timing is asserted: a watchdog only
// turns a hang into a failure.
#include "WaveTestSupport.h"

#include <atomic>

using namespace wave_test;

namespace
{

constexpr DWORD kBlockBytes = 8820 * 2; // 200 ms: a loaded machine does not starve the client

class WaveThreads : public ::testing::Test
{
protected:
    WaveThreads() : installed_(fake_), buffer_(kBlockBytes)
    {
        EXPECT_EQ(waveInGetNumDevs(), 1u);
        const WAVEFORMATEX f = Format();
        EXPECT_EQ(waveInOpen(&h_, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInPrepareHeader(h_, &buffer_.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ~WaveThreads() override { waveInClose(h_); } // INVALHANDLE when the test closed it

    FakeWaveIn fake_{
        {{.name = "Temps réel", .source = FakeSource::Counter(0), .pacing = FakePacing::RealTime}}};
    FakeWaveInInstall installed_;
    Buffer buffer_;
    HWAVEIN h_ = nullptr;
};

TEST_F(WaveThreads, RealTimeBlocksFollowEachOtherWithoutAGap)
{
    Watchdog watchdog("real-time capture");
    ASSERT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
    std::vector<std::int16_t> heard;
    while (heard.size() < 4 * kBlockBytes / 2)
    {
        waveInAddBuffer(h_, &buffer_.header, sizeof(WAVEHDR));
        const auto samples = buffer_.Samples();
        heard.insert(heard.end(), samples.begin(), samples.end());
        std::this_thread::yield();
    }
    ASSERT_EQ(waveInStop(h_), MMSYSERR_NOERROR);
    for (std::size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], static_cast<std::int16_t>(static_cast<std::uint16_t>(i)))
            << "sample " << i;
}

// The client thread: spins as the capture loop does until its handle is gone.
struct Spinner
{
    Spinner(HWAVEIN h, WAVEHDR& header)
        : thread(
              [this, h, &header]
              {
                  while (waveInAddBuffer(h, &header, sizeof(WAVEHDR)) != MMSYSERR_INVALHANDLE)
                  {
                      if (header.dwBytesRecorded != 0)
                          blocks.fetch_add(1);
                      calls.fetch_add(1);
                  }
              })
    {
    }
    ~Spinner()
    {
        if (thread.joinable())
            thread.join();
    }

    std::atomic<int> blocks{0};
    std::atomic<long> calls{0};
    std::thread thread;
};

// Stop (or not) and close from this thread while the client spins on its own.
void EndBesideASpinningClient(HWAVEIN h, WAVEHDR& header, const FakeWaveIn& fake, bool stop)
{
    Watchdog watchdog("stop and close beside a spinning client");
    ASSERT_EQ(waveInStart(h), MMSYSERR_NOERROR);
    Spinner spinner(h, header);
    test_support::WaitUntil("two blocks on the spinning client",
                            [&] { return spinner.blocks.load() >= 2; });
    if (stop)
    {
        EXPECT_EQ(waveInStop(h), MMSYSERR_NOERROR);
        const long afterStop = spinner.calls.load();
        test_support::WaitUntil("ten calls against the stopped device",
                                [&] { return spinner.calls.load() >= afterStop + 10; });
    }
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
    spinner.thread.join(); // ends once it sees the handle invalid
    const auto c = fake.Counters();
    EXPECT_EQ(c.OpenNow(), 0);
    EXPECT_EQ(c.stops, stop ? 1 : 0) << "close alone ends the recording";
}

TEST_F(WaveThreads, StopThenCloseWhileAClientSpins)
{
    EndBesideASpinningClient(h_, buffer_.header, fake_, true);
}

TEST_F(WaveThreads, CloseWhileAClientSpins)
{
    EndBesideASpinningClient(h_, buffer_.header, fake_, false);
}

TEST_F(WaveThreads, StartStopCyclesFromAnotherThreadWhileTheClientSpins)
{
    Watchdog watchdog("start/stop cycles");
    Spinner spinner(h_, buffer_.header);
    for (int cycle = 0; cycle < 20; ++cycle)
    {
        EXPECT_EQ(waveInStart(h_), MMSYSERR_NOERROR);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(waveInStop(h_), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveInClose(h_), MMSYSERR_NOERROR);
    spinner.thread.join();
    EXPECT_EQ(fake_.Counters().starts, 20);
}

} // namespace
