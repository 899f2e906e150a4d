// Plucked strings recorded through ALSA from a file, transformed, detected and shown: the whole
// chain as the user sees it, at every string of two tunings and detuned by known amounts.
#include "KnownPlucks.h"

using namespace endtoend;

namespace
{

using FileDevice = EndToEndTest;

TEST_F(FileDevice, ShowsEachPluckedStringAsWorkedOutByHand)
{
    for (const KnownPluck& k : KnownPlucks())
    {
        SCOPED_TRACE(k.what);
        const std::vector<std::int16_t> block = Plucks({k.Sounding()}, 3);
        // The same block over and over: every block the loop takes holds the whole pluck.
        std::vector<std::int16_t> recorded;
        for (int i = 0; i < 12; ++i)
            recorded.insert(recorded.end(), block.begin(), block.end());
        ASSERT_TRUE(test_support::WriteRaw(RecordedFile(), recorded));

        RealWorld world;
        TunerDialog dlg;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, kFileCardName));
        if (k.tuning != 0)
            ChooseTuning(dlg, k.tuning);
        ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
        ASSERT_TRUE(world.boxes.calls.empty()) << world.boxes.calls[0].text;

        Show(dlg);
        ClickStop(dlg);
        afx::ProcessPendingUpdates();
        const Reading shown = Read(dlg);
        EXPECT_TRUE(Allowed(k, shown)) << shown;
        afx::UserClosedWindow(dlg.m_hWnd);
    }
}

} // namespace
