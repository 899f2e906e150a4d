// Long capture from a private PulseAudio server: the tuning changed every second, Stop and GO
// every five, plucked strings played all along. A capture buffer holds 5.9 s of sound and Stop
// drops the one being filled, so the slider seldom if ever moves: what runs is the opening,
// starting, stopping and handing back of the device, again and again. Prints the resident memory
// each minute; fails when it grows by more than 1 MB after the first minute, or when a step hangs
// (watchdog).
//
//   bench_soak --minutes=30
#include "SoundFixtures.h"
#include "RunTests.h"
#include "QuietQt.h"
#include "BenchSupport.h"
#include "Wait.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace test_support;
using Clock = std::chrono::steady_clock;

namespace
{

int g_minutes = 1;
bool g_failed = false;

constexpr long kAllowedGrowthKb = 1024;

void Serve()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    afx::ProcessPendingUpdates();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Four strings plucked one after the other, six seconds each (a capture buffer's worth).
bool MakePlucks(const test_support::TempFolder& dir, const std::string& wav)
{
    std::string parts;
    for (const char* hertz : {"110", "146.83", "196", "82.41"})
    {
        const std::string part = dir / (std::string(hertz) + ".wav");
        if (!test_support::MakePluck(part, std::atof(hertz), 6))
            return false;
        parts += " '" + part + "'";
    }
    const std::string join = "timeout " + test_support::PatienceSeconds() + " sox" + parts + " '" +
                             wav + "' 2>/dev/null";
    return std::system(join.c_str()) == 0;
}

void BM_Soak(benchmark::State& state)
{
    for (auto _ : state)
    {
        test_support::PulseServer server;
        if (!server.Started())
        {
            state.SkipWithError(
                ("no PulseAudio server: " + server.Missing() + server.Problem()).c_str());
            return;
        }
        test_support::ScopedEnv env(server.ClientEnvironment());
        test_support::TempFolder scratch;
        const std::string plucks = scratch / "plucks.wav";
        if (!MakePlucks(scratch, plucks))
        {
            state.SkipWithError("sox made no plucks");
            return;
        }

        test_support::Watchdog watchdog("soak");
        RealWorld world;
        TunerDialog dlg;
        watchdog.Waiting("the dialog");
        if (const std::string problem = bench_support::StartOnCard(dlg, "PulseAudio");
            !problem.empty())
        {
            state.SkipWithError(problem.c_str());
            return;
        }
        const int tunings = dlg.m_Tuning.GetCount();

        const auto start = Clock::now();
        const auto end = start + std::chrono::minutes(g_minutes);
        long firstMinuteKb = -1;
        long highestKb = 0;
        int seconds = 0;
        int moves = 0;
        int lastPosition = dlg.SliderPos();
        while (Clock::now() < end)
        {
            watchdog.Waiting("the interface thread");
            if (!server.Playing())
                server.Play(plucks);
            const auto nextSecond = start + std::chrono::seconds(seconds + 1);
            while (Clock::now() < nextSecond)
            {
                Serve();
                const int position = dlg.SliderPos();
                moves += position != lastPosition;
                lastPosition = position;
            }
            ++seconds;
            watchdog.Waiting("a change of tuning at " + std::to_string(seconds) + " s");
            afx::UserSelectedComboItem(dlg.m_Tuning.m_hWnd, seconds % tunings);
            if (seconds % 5 == 0)
            {
                watchdog.Waiting("Stop at " + std::to_string(seconds) + " s");
                afx::UserClickedButton(dlg.GetDlgItem(IDC_STOP)->m_hWnd);
                watchdog.Waiting("GO at " + std::to_string(seconds) + " s");
                afx::UserClickedButton(dlg.GetDlgItem(IDC_GO)->m_hWnd);
            }
            if (seconds % 60 == 0)
            {
                const long kb = bench_support::ResidentKilobytes();
                if (firstMinuteKb < 0)
                    firstMinuteKb = kb;
                highestKb = std::max(highestKb, kb);
                std::printf("minute %d: resident %ld kB (%+ld kB since minute 1), slider moved "
                            "%d times\n",
                            seconds / 60, kb, kb - firstMinuteKb, moves);
                std::fflush(stdout);
            }
        }
        watchdog.Waiting("closing the window");
        afx::UserClosedWindow(dlg.m_hWnd);
        server.WaitPlayed();

        const long growth = highestKb - firstMinuteKb;
        state.counters["minutes"] = g_minutes;
        state.counters["rss_minute1_MB"] = firstMinuteKb / 1024.0;
        state.counters["rss_growth_kB"] = static_cast<double>(growth);
        state.counters["slider_moves"] = moves;
        if (firstMinuteKb < 0)
            state.SkipWithError("ran less than a minute: no figure");
        else if (growth > kAllowedGrowthKb)
        {
            g_failed = true;
            state.SkipWithError("resident memory grew by more than 1 MB after the first minute");
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // --minutes=N is ours; everything else is Google Benchmark's.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--minutes=", 10) == 0)
            g_minutes = std::max(1, std::atoi(argv[i] + 10));
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(test_support::QuietQt);
    test_support::StartFramework(count, rest.data());
    benchmark::Initialize(&count, rest.data());
    benchmark::RegisterBenchmark("BM_Soak", BM_Soak)->Iterations(1)->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_failed ? 1 : 0;
}
