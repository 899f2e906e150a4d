// The PulseAudio server killed while the tuner records from it: the recording thread ends, the
// screen keeps the last result, and Stop and closing return.
#include "KnownPlucks.h"

#include <functional>
#include <string_view>

using namespace endtoend;

namespace
{

const std::string kCannotOpen = "Impossibilit\xe9 d'initialiser la carte son\n"
                                "Arr\xeatez tous les logiciels utilisant la carte son.\n"
                                "Ou choisissez en une autre\n";

class ServerLoss : public EndToEndTest
{
protected:
    void SetUp() override { REQUIRE_STARTED(m_server); }

    test_support::PulseServer m_server;
    test_support::ScopedEnv m_env{m_server.ClientEnvironment()};
};

// After Stop the dialog stays open: the card then fails while the server is away, and records
// again, block after block, once it is back.
TEST_F(ServerLoss, KilledWhileRecordingTheScreenKeepsItsResultAndTheDialogStillEnds)
{
    struct Case
    {
        const char* what;
        std::function<void(TunerDialog&)> end;
    };
    const Case cases[] = {
        {"Stop", [](TunerDialog& dlg) { ClickStop(dlg); }},
        {"close box", [](TunerDialog& dlg) { afx::UserClosedWindow(dlg.m_hWnd); }},
        {"Escape", [](TunerDialog& dlg) { afx::UserPressedDialogKey(dlg.m_hWnd, VK_ESCAPE); }},
    };
    const KnownPluck& a2 = Known("A2");
    const KnownPluck& sharp = Known("E4 a little sharp");
    // After the restart, a string other than the one still shown, so that the screen changes.
    const std::string first = m_scratch / "first.raw", both = m_scratch / "both.raw";
    ASSERT_TRUE(test_support::WriteRaw(first, Plucks({a2.Sounding()})));
    ASSERT_TRUE(test_support::WriteRaw(both, Plucks({sharp.Sounding(), a2.Sounding()})));
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.what);
        ASSERT_TRUE(m_server.Started() || m_server.Restart()) << m_server.Problem();
        RealWorld world;
        TunerDialog dlg;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, "PulseAudio"));
        const int card = dlg.m_Card.GetCurSel();
        const Reading shown = Show(dlg, [&] { ASSERT_TRUE(m_server.Play(first)); });
        ASSERT_TRUE(Allowed(a2, shown)) << shown;

        m_server.Kill();
        PumpUntil("the recording thread to end after the server was killed",
                  [] { return !test_support::RecordingThreadRuns(); });
        EXPECT_EQ(Read(dlg), shown) << "the screen lost its last result";
        EXPECT_NE(dlg.m_pCaptureThread, nullptr) << "the capture ended by itself";

        m_watchdog.Waiting(std::string(k.what) + " after the server was killed");
        k.end(dlg);
        EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
        EXPECT_TRUE(world.boxes.calls.empty());
        if (std::string_view(k.what) != "Stop")
            continue;

        m_watchdog.Waiting("choosing the card with no server");
        ChooseCard(dlg, card);
        ASSERT_EQ(world.boxes.calls.size(), 1u);
        EXPECT_TRUE(world.boxes.calls[0].text.starts_with(kCannotOpen))
            << world.boxes.calls[0].text;
        EXPECT_FALSE(dlg.m_Go.IsWindowEnabled());

        ASSERT_TRUE(m_server.Restart()) << m_server.Problem();
        world.boxes.calls.clear();
        m_watchdog.Waiting("choosing the card once the server is back");
        ChooseCard(dlg, card);
        EXPECT_TRUE(world.boxes.calls.empty());
        ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
        const Reading one = Show(dlg, [&] { ASSERT_TRUE(m_server.Play(both)); });
        PumpUntil("the second block on the screen",
                  [&] { return dlg.SliderPos() != one.position; });
        const Reading two = Read(dlg);
        ClickStop(dlg);
        m_server.WaitPlayed();
        EXPECT_TRUE(Allowed(sharp, one)) << "first: " << one;
        EXPECT_TRUE(Allowed(a2, two)) << "second: " << two;
        afx::UserClosedWindow(dlg.m_hWnd);
    }
}

} // namespace
