// Reading the tunings as the dialog reads them at start-up (the names and notes of tunings 1 to
// 99, into 80-byte buffers) from a tunings file grown to 1 or 10 MB by other sections, in code
// page 1252, UTF-8 and UTF-16. "Cold" reads a file other than the one read before, so the reader
// parses it anew (the disk cache is warm either way); "warm" reads the same file again;
// "just written" reads a file whose change time is that moment's, which the reader cannot trust
// until the clock has moved on.
//
//     build/default/bench/bench_profile [--benchmark_filter=10MB]
#include "afxcp1252.h"

#include <windows.h>

#include "SoundFixtures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace
{
enum Encoding
{
    kCp1252,
    kUtf8,
    kUtf16
};

const char* const kEncodingNames[] = {"1252", "UTF-8", "UTF-16LE"};

std::string Encode(const std::string& cp1252, int encoding)
{
    if (encoding == kCp1252)
        return cp1252;
    const std::string utf8 = afx::Cp1252ToUtf8(cp1252);
    if (encoding == kUtf8)
        return utf8;
    // The text holds Latin-1 letters only: each byte is its own UTF-16 unit.
    std::string bytes = "\xFF\xFE";
    for (char c : cp1252)
    {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// Sections of past sessions first, so that the tunings come at the very end.
std::string TuningsFile(std::size_t bytes, int encoding)
{
    const std::size_t perChar = encoding == kUtf16 ? 2 : 1;
    std::string text = "; Accords d'été, avec l'historique des séances\r\n";
    for (int section = 1; text.size() * perChar < bytes; ++section)
    {
        text += "[Historique" + std::to_string(section) + "]\r\n";
        for (int k = 1; k <= 100; ++k)
            text += "Entrée" + std::to_string(k) + " = Ré ouvert, accordé à " +
                    std::to_string(440 + k % 7) + " Hz ; cordes changées\r\n";
    }
    text += "[NOM]\r\n";
    for (int n = 1; n <= 99; ++n)
        text += "Accord" + std::to_string(n) + "=Ré ouvert " + std::to_string(n) + "\r\n";
    text += "[NOTES]\r\n";
    for (int n = 1; n <= 99; ++n)
        text += "Notes" + std::to_string(n) + "=RE1LA1RE2FA#2LA2RE3\r\n";
    return Encode(text, encoding);
}

// What the dialog does with the file.
int ReadTunings(const std::string& path)
{
    int count = 0;
    for (int n = 1; n <= 99; ++n)
    {
        char nameKey[sizeof("Accord99")], notesKey[sizeof("Notes99")];
        std::snprintf(nameKey, sizeof(nameKey), "Accord%d", n);
        std::snprintf(notesKey, sizeof(notesKey), "Notes%d", n);
        char name[80], notes[80];
        GetPrivateProfileStringA("NOM", nameKey, "", name, sizeof(name), path.c_str());
        GetPrivateProfileStringA("NOTES", notesKey, "", notes, sizeof(notes), path.c_str());
        benchmark::DoNotOptimize(name);
        if (notes[0] == '\0')
            break;
        ++count;
    }
    return count;
}

enum Mode
{
    kCold,
    kWarm,
    kJustWritten
};

void ReadTuningsFile(benchmark::State& state, std::size_t megabytes, int encoding, int mode)
{
    test_support::TempFolder dir;
    const std::string paths[2] = {dir / "a.ini", dir / "b.ini"};
    const std::string bytes = TuningsFile(megabytes << 20, encoding);
    for (const std::string& path : paths)
        if (FILE* f = std::fopen(path.c_str(), "wb"))
        {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    if (ReadTunings(paths[0]) != 99)
    {
        state.SkipWithError("the tunings were not read");
        return;
    }

    int turn = 0;
    for (auto _ : state)
    {
        if (mode == kCold)
            turn ^= 1;
        else if (mode == kJustWritten)
        {
            state.PauseTiming();
            const timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
            utimensat(AT_FDCWD, paths[0].c_str(), now, 0);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(ReadTunings(paths[turn]));
    }
    state.SetLabel(std::to_string(bytes.size()) + " bytes");
}

void Register(const char* name, int mode)
{
    for (std::size_t megabytes : {1, 10})
        for (int encoding : {kCp1252, kUtf8, kUtf16})
            benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(megabytes) +
                                          "MB/" + kEncodingNames[encoding])
                                             .c_str(),
                                         [=](benchmark::State& state)
                                         { ReadTuningsFile(state, megabytes, encoding, mode); })
                ->Unit(benchmark::kMillisecond);
}
} // namespace

int main(int argc, char** argv)
{
    Register("Cold", kCold);
    Register("Warm", kWarm);
    Register("JustWritten", kJustWritten);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
