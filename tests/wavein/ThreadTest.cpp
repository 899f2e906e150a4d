// A device recording in real time on its own thread, a client spinning on waveInAddBuffer as the
// capture loop does, and stop and close from another thread. No timing is asserted: a watchdog only
// turns a hang into a failure.
#include "WaveTestSupport.h"

#include <atomic>

using namespace wave_test;

namespace
{

TEST(WaveThreads, StopAndCloseReturnBesideASpinningClient)
{
    for (const bool stop : {true, false})
    {
        SCOPED_TRACE(stop ? "stop, then close" : "close alone");
        FakeWaveIn fake({{.name = "Temps réel",
                          .source = FakeSource::Counter(0),
                          .pacing = FakePacing::RealTime}});
        FakeWaveInInstall installed(fake);
        ASSERT_EQ(waveInGetNumDevs(), 1u);
        HWAVEIN h = nullptr;
        const WAVEFORMATEX f = Format();
        ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        Buffer buffer(8820 * 2); // 200 ms: a loaded machine does not starve the client
        ASSERT_EQ(waveInPrepareHeader(h, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        Watchdog watchdog("stop and close beside a spinning client");
        ASSERT_EQ(waveInStart(h), MMSYSERR_NOERROR);
        std::atomic<int> blocks{0};
        std::atomic<long> calls{0};
        std::thread client(
            [&]
            {
                while (waveInAddBuffer(h, &buffer.header, sizeof(WAVEHDR)) != MMSYSERR_INVALHANDLE)
                {
                    blocks += buffer.header.dwBytesRecorded != 0;
                    ++calls;
                }
            });
        test_support::WaitUntil("two blocks on the spinning client",
                                [&] { return blocks.load() >= 2; });
        if (stop)
        {
            EXPECT_EQ(waveInStop(h), MMSYSERR_NOERROR);
            const long afterStop = calls.load();
            test_support::WaitUntil("ten calls against the stopped device",
                                    [&] { return calls.load() >= afterStop + 10; });
        }
        EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
        client.join(); // ends once it sees the handle invalid
        const auto c = fake.Counters();
        EXPECT_EQ(c.OpenNow(), 0);
        EXPECT_EQ(c.stops, stop ? 1 : 0) << "close alone ends the recording";
    }
}

} // namespace
