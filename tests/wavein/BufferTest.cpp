// Headers and blocks: what each call does to a header, pass after pass, over the test double.
#include "WaveTestSupport.h"

using namespace wave_test;

namespace
{

constexpr DWORD kBlockBytes = 4410; // 2,205 samples
constexpr DWORD kBlockSamples = kBlockBytes / 2;
constexpr std::int16_t kFirst = -100;

constexpr DWORD P = WHDR_PREPARED;
constexpr DWORD Q = WHDR_INQUEUE;
constexpr DWORD D = WHDR_DONE;
constexpr int kEmpty = -1;

using Call = MMRESULT (*)(HWAVEIN, WAVEHDR&, FakeWaveIn&);
const Call Prepare = [](HWAVEIN h, WAVEHDR& w, FakeWaveIn&)
{ return waveInPrepareHeader(h, &w, sizeof w); };
const Call Unprepare = [](HWAVEIN h, WAVEHDR& w, FakeWaveIn&)
{ return waveInUnprepareHeader(h, &w, sizeof w); };
const Call Add = [](HWAVEIN h, WAVEHDR& w, FakeWaveIn&)
{ return waveInAddBuffer(h, &w, sizeof w); };
const Call Start = [](HWAVEIN h, WAVEHDR&, FakeWaveIn&) { return waveInStart(h); };
const Call Stop = [](HWAVEIN h, WAVEHDR&, FakeWaveIn&) { return waveInStop(h); };
const Call Close = [](HWAVEIN h, WAVEHDR&, FakeWaveIn&) { return waveInClose(h); };
// 1 when the device completed a block.
const Call Complete = [](HWAVEIN, WAVEHDR&, FakeWaveIn& fake) -> MMRESULT
{ return fake.CompleteBlock() ? 1 : 0; };

struct Step
{
    Call op;
    MMRESULT result;
    DWORD flags; // the header's flags after the step
    int block;   // which block the buffer holds after it, or kEmpty: dwBytesRecorded 0
};

struct Phase
{
    const char* what;
    std::vector<Step> steps;
};

// One header through every state, phase after phase: what each call returns, the flags it
// leaves and the block the buffer holds after it.
TEST(WaveBuffer, EachCallLeavesTheHeaderAsTheContractSays)
{
    const MMRESULT ok = MMSYSERR_NOERROR;
    const MMRESULT busy = WAVERR_STILLPLAYING;
    const MMRESULT unprepared = WAVERR_UNPREPARED;
    const Phase phases[] = {
        {"stale flags cleared by preparing once; nothing recorded before the start",
         {{Add, unprepared, D | Q, kEmpty},
          {Prepare, ok, P, kEmpty},
          {Prepare, ok, P, kEmpty},
          {Add, ok, P | Q, kEmpty},
          {Add, busy, P | Q, kEmpty},
          {Complete, 0, P | Q, kEmpty},
          {Start, ok, P | Q, kEmpty},
          {Add, busy, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Add, ok, P | D, 0}}},
        {"three blocks wait for a slow client, the header back empty between them",
         {{Complete, 1, P | D, 0},
          {Complete, 1, P | D, 0},
          {Complete, 1, P | D, 0},
          {Add, ok, P | Q, kEmpty},
          {Add, ok, P | D, 1},
          {Add, ok, P | Q, kEmpty},
          {Add, ok, P | D, 2},
          {Add, ok, P | Q, kEmpty},
          {Add, ok, P | D, 3},
          {Add, ok, P | Q, kEmpty},
          {Add, busy, P | Q, kEmpty}}},
        {"a client too far behind gets fresh sound only",
         {{Complete, 1, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Add, ok, P | D, 7},
          {Add, ok, P | Q, kEmpty}}},
        {"stop hands the queued header back done and keeps a complete block",
         {{Unprepare, busy, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Stop, ok, P | D, kEmpty},
          {Stop, ok, P | D, kEmpty},
          {Complete, 0, P | D, kEmpty},
          {Unprepare, ok, D, kEmpty},
          {Unprepare, ok, D, kEmpty},
          {Add, unprepared, D, kEmpty},
          {Prepare, ok, P, kEmpty},
          {Add, ok, P | D, 8},
          {Add, ok, P | Q, kEmpty},
          {Add, busy, P | Q, kEmpty},
          {Start, ok, P | Q, kEmpty},
          {Complete, 1, P | Q, kEmpty},
          {Add, ok, P | D, 9}}},
        {"close hands a queued header back done",
         {{Add, ok, P | Q, kEmpty}, {Close, ok, P | D, kEmpty}}},
    };
    FakeWaveIn fake({{.name = "Compteur",
                      .source = FakeSource::Counter(kFirst),
                      .pacing = FakePacing::Manual}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    HWAVEIN h = nullptr;
    const WAVEFORMATEX f = Format();
    ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    Buffer buffer(kBlockBytes);
    buffer.header.dwFlags = D | Q;
    constexpr DWORD kStale = 1234; // whatever was there: untouched until the first add
    buffer.header.dwBytesRecorded = kStale;
    bool added = false;
    int held = kEmpty;
    for (const Phase& phase : phases)
        for (std::size_t i = 0; i < phase.steps.size(); ++i)
        {
            const Step& step = phase.steps[i];
            SCOPED_TRACE(std::string(phase.what) + ", step " + std::to_string(i));
            const std::vector<char> before = buffer.data;
            EXPECT_EQ(step.op(h, buffer.header, fake), step.result);
            EXPECT_EQ(buffer.header.dwFlags, step.flags);
            added = added || (step.op == Add && step.result != unprepared);
            EXPECT_EQ(buffer.header.dwBytesRecorded, !added                 ? kStale
                                                     : step.block == kEmpty ? 0
                                                                            : kBlockBytes);
            const std::vector<std::int16_t> got = buffer.Samples();
            if (step.block == held || step.block == kEmpty)
                EXPECT_EQ(buffer.data, before) << "the buffer was written without a new block";
            else
                for (std::size_t k = 0; k < got.size(); ++k)
                    ASSERT_EQ(got[k], std::int16_t(kFirst + step.block * kBlockSamples + k)) << k;
            held = step.block;
        }
    EXPECT_EQ(fake.Counters().prepares, 2) << "a prepared header reached the device again";
}

TEST(WaveBuffer, HeaderArgumentsAreChecked)
{
    FakeWaveIn fake({{.name = "Seule"}, {.name = "Sans tampon", .prepareResult = MMSYSERR_NOMEM}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 2u);
    HWAVEIN h = nullptr;
    const WAVEFORMATEX f = Format(); // 2 bytes a frame
    ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    const std::pair<const char*, MMRESULT (*)(HWAVEIN, LPWAVEHDR, UINT)> calls[] = {
        {"prepare", waveInPrepareHeader},
        {"unprepare", waveInUnprepareHeader},
        {"add", waveInAddBuffer}};
    Buffer b(64);
    for (const auto& [name, call] : calls)
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(call(h, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
        for (const UINT size : {0u, UINT{sizeof(WAVEHDR) - 1}, UINT{sizeof(WAVEHDR) + 1}})
            EXPECT_EQ(call(h, &b.header, size), MMSYSERR_INVALPARAM) << "cbwh " << size;
    }
    EXPECT_EQ(b.header.dwFlags, 0u);

    struct Case
    {
        bool nullData;
        DWORD length;
        MMRESULT expected;
    };
    const Case cases[] = {{true, 64, MMSYSERR_INVALPARAM}, {false, 0, MMSYSERR_INVALPARAM},
                          {false, 1, MMSYSERR_INVALPARAM}, {false, 63, MMSYSERR_INVALPARAM},
                          {false, 2, MMSYSERR_NOERROR},    {false, 64, MMSYSERR_NOERROR}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.length) + (c.nullData ? " bytes, no buffer" : " bytes"));
        WAVEHDR header{};
        header.lpData = c.nullData ? nullptr : b.data.data();
        header.dwBufferLength = c.length;
        EXPECT_EQ(waveInPrepareHeader(h, &header, sizeof header), c.expected);
        EXPECT_EQ(header.dwFlags, c.expected == MMSYSERR_NOERROR ? P : 0);
        EXPECT_EQ(waveInUnprepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);

    // The device's own failure to prepare leaves the header unprepared.
    ASSERT_EQ(waveInOpen(&h, 1, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInPrepareHeader(h, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOMEM);
    EXPECT_EQ(b.header.dwFlags, 0u);
    EXPECT_EQ(waveInAddBuffer(h, &b.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
}

} // namespace
