// Speed of CFFT::Transform beside FFTW's complex double transform, when available, on the same
// data in the same run. The system transforms real
// samples with a zero imaginary part, so that is the input here too. At the end, a table gives
// each size's time ratio to FFTW (CPU time per transform; with repetitions, their median).
#include "StdAfx.h"
#include "FFT.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef QUINTOR_HAVE_FFTW
#include <fftw3.h>
#endif

namespace
{
const int kSizes[] = {4096, 65536, 262144};

struct Block
{
    std::vector<double> realIn, imagIn, realOut, imagOut;
};

Block MakeBlock(std::size_t n)
{
    std::mt19937 random(static_cast<unsigned>(n));
    std::uniform_int_distribution<int> sample(-32768, 32767); // 16-bit samples, as captured
    Block b{std::vector<double>(n), std::vector<double>(n, 0.0), std::vector<double>(n),
            std::vector<double>(n)};
    for (double& x : b.realIn)
        x = sample(random);
    return b;
}

void BM_CFFT(benchmark::State& state)
{
    const UINT n = static_cast<UINT>(state.range(0));
    Block b = MakeBlock(n);
    CFFT fft;
    for (auto _ : state)
    {
        fft.Transform(n, 0, b.realIn.data(), b.imagIn.data(), b.realOut.data(), b.imagOut.data());
        benchmark::DoNotOptimize(b.realOut.data());
        benchmark::ClobberMemory();
    }
}

#ifdef QUINTOR_HAVE_FFTW
void BM_FFTW(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    fftw_complex* in = fftw_alloc_complex(static_cast<std::size_t>(n));
    fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n));
    // The positive exponent, as CFFT's forward direction. Planning may overwrite the arrays, so
    // the data goes in afterwards.
    fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_BACKWARD, FFTW_MEASURE);
    const Block b = MakeBlock(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        in[i][0] = b.realIn[static_cast<std::size_t>(i)];
        in[i][1] = b.imagIn[static_cast<std::size_t>(i)];
    }
    for (auto _ : state)
    {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
#endif

// Prints as usual and keeps each benchmark's CPU time per transform, by name and size.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const std::string name = run.run_name.function_name;
            const int size = std::stoi(run.run_name.args);
            const double seconds =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            Entry& entry = m_times[name][size];
            // A median replaces the single runs; otherwise the fastest run stands.
            if (median || (!entry.fromMedian && (entry.seconds == 0 || seconds < entry.seconds)))
                entry = Entry{seconds, median};
        }
    }

    void PrintRatios() const
    {
        auto fftw = m_times.find("BM_FFTW");
        std::printf("\n%10s %14s %14s %12s\n", "size", "CFFT (us)", "FFTW (us)", "CFFT/FFTW");
        for (int size : kSizes)
        {
            const double ours = Lookup("BM_CFFT", size);
            const double theirs = fftw != m_times.end() ? Lookup("BM_FFTW", size) : 0.0;
            std::printf("%10d %14.1f %14.1f %12.2f\n", size, ours * 1e6, theirs * 1e6,
                        theirs > 0 ? ours / theirs : 0.0);
        }
        if (fftw == m_times.end())
            std::printf("(built without FFTW: no comparison)\n");
    }

private:
    struct Entry
    {
        double seconds = 0;
        bool fromMedian = false;
    };

    double Lookup(const std::string& name, int size) const
    {
        auto byName = m_times.find(name);
        if (byName == m_times.end())
            return 0.0;
        auto bySize = byName->second.find(size);
        return bySize == byName->second.end() ? 0.0 : bySize->second.seconds;
    }

    std::map<std::string, std::map<int, Entry>> m_times;
};
} // namespace

int main(int argc, char** argv)
{
    for (int size : kSizes)
    {
        benchmark::RegisterBenchmark("BM_CFFT", BM_CFFT)->Arg(size)->Unit(benchmark::kMicrosecond);
#ifdef QUINTOR_HAVE_FFTW
        benchmark::RegisterBenchmark("BM_FFTW", BM_FFTW)->Arg(size)->Unit(benchmark::kMicrosecond);
#endif
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
