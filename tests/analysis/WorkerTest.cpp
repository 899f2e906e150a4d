// Analysis passes on another thread: one tuning per pass while tunings change, and requests
// that never wait for the interface thread.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
const char kHalfDown[] = "MIb1LAb1DO#2FA#2SIb2MIb3";

TEST(AnalyseWhileTuningsChange, EveryPassAgreesWithOneWholeTuning)
{
    // Peaks from 40 to 363 Hz. Over these, a pass reading the low strings of one tuning and the
    // high ones of the other (in either order, at any split) lands somewhere neither tuning puts
    // it for at least one of the peaks, except where only the last strings come from the
    // half-step-down tuning.
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
        return Outcome{s.dlg.m_Slider.GetPos(), s.FrameShown()};
    };
    // What each tuning alone gives (their values are the matching table's business).
    std::vector<Outcome> standard, halfDown;
    s.dlg.m_Accord.Set("Standard", kStandard);
    for (UINT bin : bins)
        standard.push_back(outcome(bin));
    s.dlg.m_Accord.Set("Demi-ton", kHalfDown);
    for (UINT bin : bins)
        halfDown.push_back(outcome(bin));

    LoopingThread setter(
        [&]
        {
            s.dlg.m_Accord.Set("Standard", kStandard);
            s.dlg.m_Accord.Set("Demi-ton", kHalfDown);
        });
    int mixtures = 0;
    for (int round = 0; round < 20; ++round)
        for (size_t i = 0; i < bins.size(); ++i)
        {
            const Outcome seen = outcome(bins[i]);
            if (seen == standard[i] || seen == halfDown[i])
                continue;
            if (++mixtures <= 3)
                ADD_FAILURE() << "bin " << bins[i] << ": position " << seen.position << ", "
                              << seen.frame << "; standard gives " << standard[i].position << ", "
                              << standard[i].frame << "; half-step down gives "
                              << halfDown[i].position << ", " << halfDown[i].frame;
        }
    setter.Stop();
    EXPECT_EQ(mixtures, 0);
    EXPECT_GT(setter.Passes(), 0);
}

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

    // The interface thread serves nothing meanwhile. The limit only turns a hang into a failure.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!done.load() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(done.load()) << "the worker waited for the interface thread";
    if (!done.load())
        PumpUntil([&] { return done.load(); }, 600000);
    worker.join();

    EXPECT_EQ(s.dlg.m_Slider.GetPos(), 500); // nothing carried out yet

    afx::ProcessPendingUpdates();
    EXPECT_EQ(s.dlg.m_Slider.GetPos(), 293);
    EXPECT_EQ(s.Retained(1).size(), 4u);
    EXPECT_EQ(s.FrameShown(), (Frame{1, kGreen}));

    // Nothing older was left behind to come out later.
    s.Scribble();
    afx::ProcessPendingUpdates();
    EXPECT_EQ(s.dlg.m_Slider.GetPos(), 500);
}
} // namespace
