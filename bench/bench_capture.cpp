// The capture loop under way, on an X server the benchmark starts (Xvfb with openbox): what it
// costs the process while it records a paced device (CPU by thread, resident memory), how soon
// a completed block shows on the slider on screen, and how long Stop and closing take while
// passes run.
//
//   bench_capture --benchmark_counters_tabular=true
#include "BenchSupport.h"
#include "afxalsa.h"
#include "afxqt.h"
#include "CaptureTesting.h"
#include "XSession.h"

#include "FFT.h"

#include <QPaintEvent>
#include <QSlider>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace test_support;
using afx::testing::FakeDevice;
using afx::testing::FakePacing;
using afx::testing::FakeSource;
using Clock = std::chrono::steady_clock;

namespace
{

constexpr std::size_t kBlockSamples = 1u << 18;
constexpr double kBlockSeconds = kBlockSamples / 44100.0;
// Slider positions the alternating source gives: 110 Hz is found as 110 Hz, at string 1's
// position; 196 Hz peaks at bin 1165, found as 195 Hz, just below string 3: 599 / (196 / 195).
constexpr int kFirstPosition = 293;
constexpr int kSecondPosition = 595;

// One block of 110 Hz, then one of 196 Hz, over and over: every block moves the slider.
FakeSource AlternatingStrings()
{
    std::vector<std::int16_t> samples(2 * kBlockSamples);
    for (std::size_t n = 0; n < samples.size(); ++n)
    {
        const double hertz = n < kBlockSamples ? 110.0 : 196.0;
        samples[n] = static_cast<std::int16_t>(
            std::lround(8000 * std::sin(2 * 3.141592653589793 * hertz * n / 44100.0)));
    }
    return FakeSource::Recording(std::move(samples));
}

FakeDevice Device(FakePacing pacing, FakeSource source)
{
    FakeDevice d = Card("Carte banc");
    d.pacing = pacing;
    d.source = std::move(source);
    return d;
}

// Serves the interface thread once, then yields the processor for a moment.
void Serve()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    afx::ProcessPendingUpdates();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Serves the interface thread until done(), within the tests' patience.
bool ServeUntil(const std::function<bool()>& done)
{
    return test_support::WaitFor(done, ServeInterface);
}

// CPU time of each thread of the process, in clock ticks, and whether it runs at idle priority.
struct ThreadTime
{
    long long ticks = 0;
    bool idle = false;
};

std::map<int, ThreadTime> ThreadTimes()
{
    std::map<int, ThreadTime> times;
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr)
        return times;
    while (dirent* entry = readdir(dir))
    {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream in(std::string("/proc/self/task/") + entry->d_name + "/stat");
        std::string line;
        std::getline(in, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        // Fields from the third (state) on: utime and stime are the 14th and 15th, the
        // scheduling policy the 41st.
        std::istringstream rest(line.substr(close + 2));
        std::vector<std::string> fields;
        for (std::string f; rest >> f;)
            fields.push_back(f);
        if (fields.size() < 39)
            continue;
        ThreadTime t;
        t.ticks = std::stoll(fields[14 - 3]) + std::stoll(fields[15 - 3]);
        t.idle = std::stoi(fields[41 - 3]) == SCHED_IDLE;
        times[std::atoi(entry->d_name)] = t;
    }
    closedir(dir);
    return times;
}

// 30 s of capture from a device paced in real time.
void BM_CaptureRealTime(benchmark::State& state)
{
    const double seconds = static_cast<double>(state.range(0));
    for (auto _ : state)
    {
        TunerWorld world({Device(FakePacing::RealTime, AlternatingStrings())});
        TunerDialog dlg;
        if (!dlg.Create(CQuintorDlg::IDD))
        {
            state.SkipWithError("no dialog");
            return;
        }
        const long rssBefore = bench_support::ResidentKilobytes();
        const std::map<int, ThreadTime> before = ThreadTimes();
        const auto start = Clock::now();
        ClickGo(dlg);

        std::vector<double> latencies;
        long rssMax = 0;
        auto nextRss = start;
        int last = dlg.SliderPos();
        while (Clock::now() - start < std::chrono::duration<double>(seconds))
        {
            Serve();
            const int pos = dlg.SliderPos();
            if (pos != last && (pos == kFirstPosition || pos == kSecondPosition))
            {
                // Block k (from 0) is complete (k + 1) block lengths after the start.
                const double due = (latencies.size() + 1) * kBlockSeconds;
                const double now = std::chrono::duration<double>(Clock::now() - start).count();
                latencies.push_back(now - due);
            }
            last = pos;
            if (Clock::now() >= nextRss)
            {
                rssMax = std::max(rssMax, bench_support::ResidentKilobytes());
                nextRss += std::chrono::milliseconds(250);
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const std::map<int, ThreadTime> after = ThreadTimes();

        const auto stopStart = Clock::now();
        ClickStop(dlg);
        const double stopSeconds = std::chrono::duration<double>(Clock::now() - stopStart).count();
        ClickGo(dlg);
        ServeUntil([&] { return world.fake.Counters().polls > 0; });
        const auto closeStart = Clock::now();
        afx::UserClosedWindow(dlg.m_hWnd);
        const double closeSeconds =
            std::chrono::duration<double>(Clock::now() - closeStart).count();

        const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
        double capture = 0, ui = 0, other = 0;
        for (const auto& [tid, t] : after)
        {
            const auto was = before.find(tid);
            const double used = (t.ticks - (was != before.end() ? was->second.ticks : 0)) / tick;
            if (t.idle)
                capture += used;
            else if (tid == getpid())
                ui += used;
            else
                other += used;
        }
        state.counters["capture_cpu_%"] = 100 * capture / elapsed;
        state.counters["ui_cpu_%"] = 100 * ui / elapsed;
        state.counters["other_cpu_%"] = 100 * other / elapsed;
        state.counters["rss_MB"] = rssMax / 1024.0;
        state.counters["rss_growth_MB"] = (rssMax - rssBefore) / 1024.0;
        state.counters["blocks"] = static_cast<double>(latencies.size());
        if (!latencies.empty())
        {
            double sum = 0;
            for (double l : latencies)
                sum += l;
            state.counters["latency_mean_ms"] = 1000 * sum / latencies.size();
            state.counters["latency_max_ms"] =
                1000 * *std::max_element(latencies.begin(), latencies.end());
        }
        state.counters["stop_ms"] = 1000 * stopSeconds;
        state.counters["close_ms"] = 1000 * closeSeconds;
    }
}
BENCHMARK(BM_CaptureRealTime)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

// The same serving loop with no capture: what the interface thread costs on its own, to set
// against the figures above.
void BM_IdleDialog(benchmark::State& state)
{
    const double seconds = static_cast<double>(state.range(0));
    for (auto _ : state)
    {
        TunerWorld world({Device(FakePacing::RealTime, AlternatingStrings())});
        TunerDialog dlg;
        if (!dlg.Create(CQuintorDlg::IDD))
        {
            state.SkipWithError("no dialog");
            return;
        }
        const std::map<int, ThreadTime> before = ThreadTimes();
        const auto start = Clock::now();
        while (Clock::now() - start < std::chrono::duration<double>(seconds))
            Serve();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const std::map<int, ThreadTime> after = ThreadTimes();
        const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
        const auto ui = after.find(getpid());
        const auto was = before.find(getpid());
        if (ui != after.end() && was != before.end())
            state.counters["ui_cpu_%"] =
                100 * (ui->second.ticks - was->second.ticks) / tick / elapsed;
        state.counters["rss_MB"] = bench_support::ResidentKilobytes() / 1024.0;
    }
}
BENCHMARK(BM_IdleDialog)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

// The value the slider showed at its last paint.
class SliderPaints : public QObject
{
public:
    explicit SliderPaints(QSlider* slider) : m_slider(slider) { slider->installEventFilter(this); }
    int Shown() const { return m_shown; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_shown = m_slider->value();
        return false;
    }

private:
    QSlider* m_slider;
    int m_shown = -1;
};

// One transform of a whole block, as the capture thread makes it: the floor of the latency.
double TransformSeconds()
{
    std::vector<double> realIn(kBlockSamples), imagIn(kBlockSamples, 0.0), realOut(kBlockSamples),
        imagOut(kBlockSamples);
    for (std::size_t n = 0; n < kBlockSamples; ++n)
        realIn[n] = 8000 * std::sin(2 * 3.141592653589793 * 110.0 * n / 44100.0);
    std::vector<double> times;
    for (int i = 0; i < 7; ++i)
    {
        const auto start = Clock::now();
        CFFT fft;
        fft.Transform(kBlockSamples, 0, realIn.data(), imagIn.data(), realOut.data(),
                      imagOut.data());
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// From a block's completion to the slider showing its result on screen (its paint with the new
// value), the block handed over at once. over_transform_ms takes one block's transform away.
void BM_BlockToSlider(benchmark::State& state)
{
    const double transform = TransformSeconds();
    TunerWorld world({Device(FakePacing::Manual, AlternatingStrings())});
    TunerDialog dlg;
    if (!dlg.Create(CQuintorDlg::IDD))
    {
        state.SkipWithError("no dialog");
        return;
    }
    auto* slider = qobject_cast<QSlider*>(dlg.Widget(IDC_SLIDER));
    if (slider == nullptr)
    {
        state.SkipWithError("no slider widget");
        return;
    }
    SliderPaints paints(slider);
    ClickGo(dlg);
    ServeUntil([&] { return world.fake.Counters().polls > 0; });
    int expected = kFirstPosition;
    double total = 0, worst = 0;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        world.fake.CompleteBlock();
        if (!ServeUntil([&] { return paints.Shown() == expected; }))
        {
            state.SkipWithError("the slider never showed the block");
            break;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        worst = std::max(worst, seconds);
        expected = expected == kFirstPosition ? kSecondPosition : kFirstPosition;
    }
    ClickStop(dlg);
    state.counters["transform_ms"] = 1000 * transform;
    state.counters["over_transform_ms"] =
        1000 * (total / static_cast<double>(state.iterations()) - transform);
    state.counters["worst_over_transform_ms"] = 1000 * (worst - transform);
}
BENCHMARK(BM_BlockToSlider)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Stop while passes transform a full block each.
void BM_StopWhilePassesRun(benchmark::State& state)
{
    TunerWorld world({Device(FakePacing::AsFastAsPossible, FakeSource::Sine(110, 8000))});
    TunerDialog dlg;
    if (!dlg.Create(CQuintorDlg::IDD))
    {
        state.SkipWithError("no dialog");
        return;
    }
    for (auto _ : state)
    {
        ClickGo(dlg);
        const int seen = world.fake.Counters().polls;
        ServeUntil([&] { return world.fake.Counters().polls > seen + 1; });
        const auto start = Clock::now();
        ClickStop(dlg);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_StopWhilePassesRun)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Closing the dialog (close box) while passes run: the wait, the device and the buffers.
void BM_CloseWhileCapturing(benchmark::State& state)
{
    TunerWorld world({Device(FakePacing::AsFastAsPossible, FakeSource::Sine(110, 8000))});
    for (auto _ : state)
    {
        TunerDialog dlg;
        if (!dlg.Create(CQuintorDlg::IDD))
        {
            state.SkipWithError("no dialog");
            break;
        }
        ClickGo(dlg);
        const int seen = world.fake.Counters().polls;
        ServeUntil([&] { return world.fake.Counters().polls > seen + 1; });
        const auto start = Clock::now();
        afx::UserClosedWindow(dlg.m_hWnd);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_CloseWhileCapturing)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    test_support::XSession x;
    if (!x.Started())
    {
        std::fprintf(stderr, "%s%s\n", x.Missing().c_str(), x.Problem().c_str());
        return 1;
    }
    setenv("DISPLAY", x.Display().c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    // On the X server the session gives, not offscreen.
    afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
    afx::qt::InitFramework(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
