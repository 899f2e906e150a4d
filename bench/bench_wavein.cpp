// Wave input: how long waveInStop and waveInClose take while the device's thread runs, and how
// much processor the ALSA recording thread uses while it records a real-time source.
//
// Devices: an ALSA `file` device (unpaced: its thread is waiting for room when stopped), ALSA's
// `pulse` device on a private PulseAudio server (real time; skipped without one), and the test
// double in real-time pacing.
#include "FakeWaveIn.h"
#include "afxalsa.h"
#include "SoundFixtures.h"

#include <mmsystem.h>

#include <benchmark/benchmark.h>

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr DWORD kDialogBlock = 1u << 19;

WAVEFORMATEX Mono44()
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 88200;
    return f;
}

struct Environment
{
    test_support::TempFolder dir;
    std::optional<test_support::PulseServer> pulse;
    std::optional<test_support::ScopedEnv> env;
    UINT fileDevice = WAVE_MAPPER;
    UINT pulseDevice = WAVE_MAPPER;
};

Environment* world = nullptr;

UINT FindDevice(const char* prefix)
{
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
            std::strncmp(caps.szPname, prefix, std::strlen(prefix)) == 0)
            return i;
    }
    return WAVE_MAPPER;
}

// Open, prepared and recording, as the dialog leaves a device after GO.
struct Recording
{
    explicit Recording(UINT device, DWORD block = kDialogBlock) : data(block)
    {
        const WAVEFORMATEX f = Mono44();
        ok = waveInOpen(&h, device, &f, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
        header.lpData = data.data();
        header.dwBufferLength = block;
        ok = ok && waveInPrepareHeader(h, &header, sizeof header) == MMSYSERR_NOERROR &&
             waveInStart(h) == MMSYSERR_NOERROR;
        if (ok)
            waveInAddBuffer(h, &header, sizeof header);
    }
    ~Recording()
    {
        if (h)
            waveInClose(h);
    }
    std::vector<char> data;
    WAVEHDR header{};
    HWAVEIN h = nullptr;
    bool ok = false;
};

void StopAndClose(benchmark::State& state, UINT device)
{
    if (device == WAVE_MAPPER)
    {
        state.SkipWithError("device not available here");
        return;
    }
    double stopSeconds = 0;
    double closeSeconds = 0;
    for (auto _ : state)
    {
        Recording r(device);
        if (!r.ok)
        {
            state.SkipWithError("the device did not open");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30)); // let its thread settle
        const auto t0 = std::chrono::steady_clock::now();
        waveInStop(r.h);
        const auto t1 = std::chrono::steady_clock::now();
        waveInUnprepareHeader(r.h, &r.header, sizeof r.header);
        waveInClose(r.h);
        const auto t2 = std::chrono::steady_clock::now();
        r.h = nullptr;
        stopSeconds += std::chrono::duration<double>(t1 - t0).count();
        closeSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["stop_us"] = stopSeconds / n * 1e6;
    state.counters["close_us"] = closeSeconds / n * 1e6;
}

void BM_StopClose_AlsaFile(benchmark::State& state)
{
    StopAndClose(state, world->fileDevice);
}
BENCHMARK(BM_StopClose_AlsaFile)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20);

void BM_StopClose_AlsaPulse(benchmark::State& state)
{
    StopAndClose(state, world->pulseDevice);
}
BENCHMARK(BM_StopClose_AlsaPulse)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(10);

void BM_StopClose_FakeRealTime(benchmark::State& state)
{
    afx::testing::FakeWaveIn fake({{.name = "Temps r\xe9"
                                            "el",
                                    .source = afx::testing::FakeSource::Sine(110, 8000),
                                    .pacing = afx::testing::FakePacing::RealTime}});
    afx::testing::FakeWaveInInstall installed(fake);
    waveInGetNumDevs();
    StopAndClose(state, 0);
}
BENCHMARK(BM_StopClose_FakeRealTime)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20);

// The recording thread's processor time (ns) and voluntary switches, found by its name.
struct ThreadUse
{
    bool found = false;
    double cpuNs = 0;
    double switches = 0;
};

ThreadUse ReaderUse(const char* name)
{
    ThreadUse use;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return use;
    while (dirent* entry = readdir(tasks))
    {
        const std::string task = std::string("/proc/self/task/") + entry->d_name;
        std::string comm;
        std::getline(std::ifstream(task + "/comm"), comm);
        if (comm != name)
            continue;
        std::ifstream(task + "/schedstat") >> use.cpuNs;
        std::ifstream status(task + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                use.switches = std::stod(line.substr(line.find(':') + 1));
        use.found = true;
    }
    closedir(tasks);
    return use;
}

// Records `seconds` from the pulse device with a client calling waveInAddBuffer every 10 ms.
void BM_ReaderCpu_AlsaPulse(benchmark::State& state)
{
    if (world->pulseDevice == WAVE_MAPPER)
    {
        state.SkipWithError("no private PulseAudio server here");
        return;
    }
    const double seconds = 3.0;
    double cpuShare = 0;
    double wakeups = 0;
    for (auto _ : state)
    {
        Recording r(world->pulseDevice, 88200);
        if (!r.ok)
        {
            state.SkipWithError("the pulse device did not open");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // past the start-up
        const ThreadUse before = ReaderUse("wavein-alsa");
        const auto t0 = std::chrono::steady_clock::now();
        while (std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() <
               seconds)
        {
            waveInAddBuffer(r.h, &r.header, sizeof r.header);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const ThreadUse after = ReaderUse("wavein-alsa");
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!before.found || !after.found)
        {
            state.SkipWithError("recording thread not found");
            return;
        }
        cpuShare += (after.cpuNs - before.cpuNs) / 1e9 / wall;
        wakeups += (after.switches - before.switches) / wall;
        state.SetIterationTime(wall);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reader_cpu_pct"] = cpuShare / n * 100.0;
    state.counters["reader_wakeups_per_s"] = wakeups / n;
}
BENCHMARK(BM_ReaderCpu_AlsaPulse)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
    Environment environment;
    world = &environment;
    // ALSA reads its configuration once: the file device must be defined before the first call.
    const std::vector<std::int16_t> silence(3 << 19, 0);
    const std::string raw = environment.dir / "in.raw";
    test_support::WriteRaw(raw, silence);
    const std::string config = test_support::WriteAlsaConfig(
        environment.dir.Path(),
        {{.pcm = "quintorbench", .description = "Banc d'essai", .rawPath = raw}});
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    environment.pulse.emplace();
    if (environment.pulse->Started())
        environment.env.emplace(environment.pulse->ClientEnvironment());
    else
        std::fprintf(stderr, "no PulseAudio server: %s\n", environment.pulse->Problem().c_str());

    environment.fileDevice = FindDevice("Banc d'essai");
    if (environment.pulse->Started())
        environment.pulseDevice = FindDevice("PulseAudio");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
