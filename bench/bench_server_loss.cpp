// The sound server killed under a running capture: how long Stop and closing the window take,
// right after the kill or once the recording thread has seen the server go, and how soon it
// sees it. Target: Stop and close within 100 ms.
//
//   bench_server_loss --benchmark_counters_tabular=true
#include "SoundFixtures.h"
#include "RunTests.h"
#include "QuietQt.h"
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

using namespace test_support;
using Clock = std::chrono::steady_clock;

namespace
{

// Serves the interface thread until done(), within the tests' patience.
bool ServeUntil(const std::function<bool()>& done)
{
    return WaitFor(done, ServeInterface);
}

double Milliseconds(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// range(0): 0 ends the capture with Stop, 1 by closing the window; range(1): 0 ends it right
// after the kill, 1 once the recording thread has ended.
void BM_EndAfterServerKilled(benchmark::State& state)
{
    const bool close = state.range(0) == 1;
    const bool afterNoticed = state.range(1) == 1;
    test_support::PulseServer server;
    if (!server.Started())
    {
        state.SkipWithError(
            ("no PulseAudio server: " + server.Missing() + server.Problem()).c_str());
        return;
    }
    test_support::ScopedEnv env(server.ClientEnvironment());
    RealWorld world;
    double noticedSum = 0;
    int noticed = 0;
    for (auto _ : state)
    {
        if (!server.Started() && !server.Restart())
        {
            state.SkipWithError(("the server did not start again: " + server.Problem()).c_str());
            break;
        }
        TunerDialog dlg;
        if (const std::string problem = bench_support::StartOnCard(dlg, "PulseAudio");
            !problem.empty())
        {
            state.SkipWithError(problem.c_str());
            break;
        }
        ServeUntil(test_support::RecordingThreadRuns);
        // A moment of recording, so that the device is well under way when the server goes.
        const auto recording = Clock::now();
        ServeUntil([&] { return Milliseconds(recording) > 300; });

        const auto killed = Clock::now();
        server.Kill();
        if (afterNoticed)
        {
            if (!ServeUntil([] { return !test_support::RecordingThreadRuns(); }))
            {
                state.SkipWithError("the recording thread never ended");
                break;
            }
            noticedSum += Milliseconds(killed);
            ++noticed;
        }
        const auto start = Clock::now();
        if (close)
            afx::UserClosedWindow(dlg.m_hWnd);
        else
            afx::UserClickedButton(dlg.GetDlgItem(IDC_STOP)->m_hWnd);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!close)
            afx::UserClosedWindow(dlg.m_hWnd);
    }
    if (noticed > 0)
        state.counters["noticed_ms"] = noticedSum / noticed;
}
BENCHMARK(BM_EndAfterServerKilled)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"close", "noticed"})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(test_support::QuietQt);
    test_support::StartFramework(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
