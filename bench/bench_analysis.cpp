// Cost of the analysis that ends every capture pass, on the offscreen window with a fake card:
//   - one Analyse on the spectrum of a plucked low E (82 Hz, in tune: the slider moves and the
//     first label is framed), on the interface thread and on a worker;
//   - one capture pass that finds no new samples (manual card: waveInAddBuffer hands back 0
//     bytes, the transform ignores the empty block) followed by Analyse;
//   - what the interface thread spends serving a worker that analyses in a tight loop, while it
//     pumps events as the dialog's loop does: its CPU time over the wall time (one core = 1.0);
//   - the interface thread's one pump after a worker made N passes it never served: it stays flat
//     in N because requests are coalesced, not queued.
//
//     build/d/bench/bench_analysis [--benchmark_filter=...]
#include "TunerTesting.h"
#include "RunTests.h"

#include "FFT.h"

#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <time.h>
#include <vector>

using namespace test_support;

namespace
{
constexpr UINT kSamples = 262144;

// A plucked string as a sum of decaying harmonics, quantised to 16 bits: the fundamental at
// 82.41 Hz, harmonic h at 8000 / h, dying away faster the higher it is.
std::vector<double> PluckSamples(double fundamental)
{
    std::vector<double> samples(kSamples);
    for (UINT n = 0; n < kSamples; ++n)
    {
        const double t = n / 44100.0;
        double x = 0;
        for (int h = 1; h <= 12; ++h)
            x += 8000.0 / h * std::exp(-t * h / 1.5) *
                 std::sin(2 * std::numbers::pi * h * fundamental * t);
        samples[n] = static_cast<short>(std::lround(x));
    }
    return samples;
}

// The tuner on a fake card with the pluck's spectrum in arrays of its own (the dialog frees
// them when it goes, as it would its own).
struct Tuner
{
    explicit Tuner(afx::testing::FakePacing pacing = afx::testing::FakePacing::AsFastAsPossible)
        : world({Device(pacing)})
    {
        ok = dlg.Create(CQuintorDlg::IDD) != FALSE && dlg.m_phWaveIn != NULL;
        const UINT n = dlg.m_WaveHdr.dwBufferLength;
        dlg.RealIn = new double[n]();
        dlg.ImagIn = new double[n]();
        dlg.RealOut = new double[n]();
        dlg.ImagOut = new double[n]();
        std::vector<double> samples = PluckSamples(82.41);
        std::copy(samples.begin(), samples.end(), dlg.RealIn);
        CFFT fft;
        fft.Transform(kSamples, 0, dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut);
        ok = ok && dlg.FindPitch() == 82;
        ServeInterface();
    }
    ~Tuner() { dlg.DestroyWindow(); }

    static afx::testing::FakeDevice Device(afx::testing::FakePacing pacing)
    {
        afx::testing::FakeDevice device = Card("Carte test");
        device.pacing = pacing;
        return device;
    }

    TunerWorld world;
    TunerDialog dlg;
    bool ok = false;
};

double ThreadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double WallSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void BM_AnalyseOnInterfaceThread(benchmark::State& state)
{
    Tuner tuner;
    if (!tuner.ok)
        return state.SkipWithError("no tuner, or the pluck does not read 82 Hz");
    for (auto _ : state)
        tuner.dlg.Analyse();
}

// The iterations run on a thread of their own, as the capture thread's would; nobody serves
// its requests meanwhile, so every publication merges into the one waiting batch.
void BM_AnalyseOnWorker(benchmark::State& state)
{
    Tuner tuner;
    if (!tuner.ok)
        return state.SkipWithError("no tuner, or the pluck does not read 82 Hz");
    std::thread worker(
        [&]
        {
            for (auto _ : state)
                tuner.dlg.Analyse();
        });
    worker.join();
    afx::ProcessPendingUpdates();
}

// One pass of the capture loop that finds nothing new: the manual card completes no block.
void BM_IdleCapturePass(benchmark::State& state)
{
    Tuner tuner(afx::testing::FakePacing::Manual);
    if (!tuner.ok)
        return state.SkipWithError("no tuner, or the pluck does not read 82 Hz");
    TunerDialog& dlg = tuner.dlg;
    waveInStart(*dlg.m_phWaveIn);
    std::atomic<bool> empty{true};
    std::thread worker(
        [&]
        {
            for (auto _ : state)
            {
                waveInAddBuffer(*dlg.m_phWaveIn, &dlg.m_WaveHdr, sizeof(WAVEHDR));
                const UINT n = dlg.m_WaveHdr.dwBytesRecorded / 2;
                const short* samples = (const short*)dlg.m_WaveHdr.lpData;
                for (UINT k = 0; k < n; k++)
                {
                    dlg.RealIn[k] = (double)samples[k];
                    dlg.ImagIn[k] = 0;
                }
                if (n != 0)
                    empty.store(false);
                CFFT fft;
                fft.Transform(n, 0, dlg.RealIn, dlg.ImagIn, dlg.RealOut, dlg.ImagOut);
                dlg.Analyse();
            }
        });
    worker.join();
    afx::ProcessPendingUpdates();
    waveInStop(*dlg.m_phWaveIn);
    if (!empty.load())
        state.SkipWithError("the manual card delivered samples");
}

// Ten seconds of a worker analysing in a tight loop while the interface thread runs its event
// loop. Argument: 0 the worker at normal priority, 1 at idle priority as the capture thread is.
void BM_InterfaceShareWhileAnalysing(benchmark::State& state)
{
    Tuner tuner;
    if (!tuner.ok)
        return state.SkipWithError("no tuner, or the pluck does not read 82 Hz");
    const bool idle = state.range(0) != 0;
    for (auto _ : state)
    {
        std::atomic<bool> stop{false};
        std::atomic<long> passes{0};
        std::atomic<double> workerCpu{0};
        std::thread worker(
            [&]
            {
                if (idle)
                {
                    sched_param param{};
                    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
                }
                const double cpu0 = ThreadCpuSeconds();
                while (!stop.load(std::memory_order_relaxed))
                {
                    tuner.dlg.Analyse();
                    passes.fetch_add(1, std::memory_order_relaxed);
                }
                workerCpu.store(ThreadCpuSeconds() - cpu0);
            });
        const double cpu0 = ThreadCpuSeconds();
        const double wall0 = WallSeconds();
        QEventLoop loop;
        QTimer::singleShot(10000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = ThreadCpuSeconds() - cpu0;
        const double wall = WallSeconds() - wall0;
        stop.store(true);
        worker.join();
        afx::ProcessPendingUpdates();
        state.counters["ui_core_share"] = cpu / wall;
        state.counters["worker_core_share"] = workerCpu.load() / wall;
        state.counters["passes_per_s"] = passes.load() / wall;
        state.SetIterationTime(wall);
    }
}

// The interface thread's pump after N passes it did not serve; manual time: the pump alone.
void BM_PumpAfterUnservedPasses(benchmark::State& state)
{
    Tuner tuner;
    if (!tuner.ok)
        return state.SkipWithError("no tuner, or the pluck does not read 82 Hz");
    const long n = state.range(0);
    for (auto _ : state)
    {
        std::thread worker(
            [&]
            {
                for (long i = 0; i < n; ++i)
                    tuner.dlg.Analyse();
            });
        worker.join();
        const auto start = std::chrono::steady_clock::now();
        afx::ProcessPendingUpdates();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

BENCHMARK(BM_AnalyseOnInterfaceThread)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AnalyseOnWorker)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_IdleCapturePass)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PumpAfterUnservedPasses)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK(BM_InterfaceShareWhileAnalysing)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen platform's notes on every window shown are no figures.
    setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 0);
    test_support::StartFramework(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
