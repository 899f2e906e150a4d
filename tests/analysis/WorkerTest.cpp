// Analysis passes on another thread: one tuning per pass while tunings change, and requests
// that never wait for the interface thread.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

using namespace quintor::testing;

namespace
{
struct Outcome
{
    int position;
    std::optional<Frame> frame;
    bool operator==(const Outcome&) const = default;
};

const char kStandard[] = "MI1LA1RE2SOL2SI2MI3";

// The other tuning a second thread keeps applying, alternately with the standard one.
struct OtherTuning
{
    const char* name;
    const char* notes;
};

void PrintTo(const OtherTuning& t, std::ostream* os)
{
    *os << t.name;
}

class AnalyseWhileTuningsChange : public ::testing::TestWithParam<OtherTuning>
{
};

// Peaks from 40 to 363 Hz, each analysed again and again while the tuning changes under the
// pass, and the outcome compared with what each tuning alone gives for that peak (their values
// are the matching table's business). For these peaks:
//   - half a step down differs in every string: the low strings of one tuning with the high
//     strings of the other, at any split, put some peak where neither tuning alone does, unless
//     only the high strings come from this tuning;
//   - a sixth string at SI1 (123.5 Hz, ceiling 136 Hz): most peaks read under the standard
//     tuning's ceiling but matched against this one's strings land where neither does.
TEST_P(AnalyseWhileTuningsChange, EveryPassAgreesWithOneWholeTuning)
{
    const OtherTuning& other = GetParam();
    std::vector<UINT> bins;
    for (UINT bin = 240; bin < 2163; bin += 3)
        bins.push_back(bin);

    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    auto outcome = [&](UINT bin)
    {
        s.SetBin(bin, 1e8);
        s.dlg.Analyse();
        s.SetBin(bin, 0);
        return Outcome{s.dlg.SliderPos(), s.FrameShown()};
    };
    std::vector<Outcome> standard, alone;
    s.dlg.m_Accord.Set("Standard", kStandard);
    for (UINT bin : bins)
        standard.push_back(outcome(bin));
    s.dlg.m_Accord.Set(other.name, other.notes);
    for (UINT bin : bins)
        alone.push_back(outcome(bin));

    LoopingThread setter(
        [&]
        {
            s.dlg.m_Accord.Set("Standard", kStandard);
            s.dlg.m_Accord.Set(other.name, other.notes);
        });
    int mixtures = 0;
    for (int round = 0; round < 150; ++round)
        for (size_t i = 0; i < bins.size(); ++i)
        {
            const Outcome seen = outcome(bins[i]);
            if (seen == standard[i] || seen == alone[i])
                continue;
            if (++mixtures <= 3)
                ADD_FAILURE() << "bin " << bins[i] << ": position " << seen.position << ", "
                              << seen.frame << "; standard gives " << standard[i].position << ", "
                              << standard[i].frame << "; " << other.name << " gives "
                              << alone[i].position << ", " << alone[i].frame;
        }
    setter.Stop();
    EXPECT_EQ(mixtures, 0);
    EXPECT_GT(setter.Passes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Tunings, AnalyseWhileTuningsChange,
                         ::testing::Values(OtherTuning{"Demi-ton", "MIb1LAb1DO#2FA#2SIb2MIb3"},
                                           OtherTuning{"Basse", "MIb1LAb1DO#2FA#2SIb2SI1"}));

TEST(AnalyseOnAWorker, ThousandsOfPassesNeverWaitForTheInterfaceThread)
{
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.Scribble();

    // Passes alternate between 330 Hz (906, string 5) and 110 Hz (293, string 1), ending on 110.
    constexpr int kPasses = 5000;
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            for (int pass = 0; pass < kPasses; ++pass)
            {
                const bool high = pass % 2 == 0;
                s.SetBin(high ? 1962 : 654, 1e8);
                s.SetBin(high ? 654 : 1962, 0);
                s.dlg.Analyse();
            }
            done.store(true);
        });

    // The interface thread serves nothing meanwhile: a worker that waited for it never ends.
    test_support::WaitUntil("5,000 passes on a worker the interface thread never serves",
                            [&] { return done.load(); });
    worker.join();

    EXPECT_EQ(s.dlg.SliderPos(), 500); // nothing carried out yet

    afx::ProcessPendingUpdates();
    EXPECT_EQ(s.dlg.SliderPos(), 293);
    EXPECT_EQ(s.Retained(1).size(), 4u);
    EXPECT_EQ(s.FrameShown(), (Frame{1, kGreen}));

    // Nothing older was left behind to come out later.
    s.Scribble();
    afx::ProcessPendingUpdates();
    EXPECT_EQ(s.dlg.SliderPos(), 500);
}
} // namespace
