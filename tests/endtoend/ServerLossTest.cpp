// The sound server killed while the tuner records from it: the recording thread notices and ends,
// the screen keeps the last result, Stop and closing return, the card cannot be opened while the
// server is away, and records again once it is back.
#include "KnownPlucks.h"

#include <functional>

using namespace endtoend;

namespace
{

const std::string kCannotOpen = "Impossibilit\xe9 d'initialiser la carte son\n"
                                "Arr\xeatez tous les logiciels utilisant la carte son.\n"
                                "Ou choisissez en une autre\n";

// Whether `text` is the code's text of some wave-input error, with ALSA's own words after it.
bool IsLibraryTextWithDetail(const std::string& text)
{
    for (MMRESULT code = MMSYSERR_ERROR; code <= WAVERR_LASTERROR; ++code)
    {
        // Read on a fresh thread: the text there carries no failure's detail.
        char base[MAXERRORLENGTH] = {};
        std::thread([&] { waveInGetErrorTextA(code, base, sizeof base); }).join();
        const std::string plain = base;
        if (!plain.empty() && text.rfind(plain + " (ALSA : ", 0) == 0 && text.back() == ')')
            return true;
    }
    return false;
}

class ServerLoss : public EndToEndTest
{
protected:
    void SetUp() override
    {
        if (!m_server.Started())
            GTEST_SKIP() << "no private PulseAudio server here: " << m_server.Problem();
        EndToEndTest::SetUp();
    }

    // One capture buffer's worth of a plucked string, as a file the server can play.
    std::string Block(const char* name, const KnownPluck& pluck)
    {
        const std::vector<std::int16_t> samples =
            PluckBlock(m_scratch.Path(), pluck.Sounding(), 2.5);
        EXPECT_EQ(samples.size(), kBlockSamples) << "sox made no sound";
        const std::string file = m_scratch / name;
        EXPECT_TRUE(sound_fixtures::WriteRaw(file, samples));
        return file;
    }

    Reading Play(TunerDialog& dlg, const std::string& file)
    {
        return Show(dlg, [&] { EXPECT_TRUE(m_server.Play(file)); });
    }

    sound_fixtures::PulseServer m_server;
    sound_fixtures::ScopedEnv m_env{m_server.ClientEnvironment()};
};

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
    const std::string first = Block("first.raw", a2);
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.what);
        ASSERT_TRUE(m_server.Started() || m_server.Restart()) << m_server.Problem();
        RealWorld world;
        TunerDialog dlg;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, "PulseAudio"));
        const Reading shown = Play(dlg, first);
        ASSERT_TRUE(Allowed(a2, shown)) << shown;

        m_server.Kill();
        PumpUntil("the recording thread to end after the server was killed",
                  [] { return !sound_fixtures::RecordingThreadRuns(); });
        EXPECT_EQ(Read(dlg), shown) << "the screen lost its last result";
        EXPECT_NE(dlg.m_pCaptureThread, nullptr) << "the capture ended by itself";

        m_watchdog.Waiting(std::string(k.what) + " after the server was killed");
        k.end(dlg);
        EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
        EXPECT_TRUE(world.boxes.calls.empty());
    }
}

TEST_F(ServerLoss, TheCardFailsWhileTheServerIsAwayAndRecordsOnceItIsBack)
{
    const KnownPluck& a2 = Known("A2");
    const KnownPluck& sharp = Known("E4 a little sharp");
    const std::string first = Block("first.raw", a2);
    const std::string second = Block("second.raw", sharp);
    RealWorld world;
    TunerDialog dlg;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, "PulseAudio"));
    const int card = dlg.m_Card.GetCurSel();
    const Reading shown = Play(dlg, first);
    ASSERT_TRUE(Allowed(a2, shown)) << shown;
    m_server.Kill();
    m_watchdog.Waiting("Stop after the server was killed");
    ClickStop(dlg);

    world.boxes.calls.clear();
    m_watchdog.Waiting("choosing the card with no server");
    ChooseCard(dlg, card);
    ASSERT_EQ(world.boxes.calls.size(), 1u);
    const std::string& text = world.boxes.calls[0].text;
    ASSERT_EQ(text.substr(0, kCannotOpen.size()), kCannotOpen);
    EXPECT_TRUE(IsLibraryTextWithDetail(text.substr(kCannotOpen.size()))) << text;
    EXPECT_FALSE(dlg.m_Go.IsWindowEnabled());

    ASSERT_TRUE(m_server.Restart()) << m_server.Problem();
    world.boxes.calls.clear();
    m_watchdog.Waiting("choosing the card once the server is back");
    ChooseCard(dlg, card);
    EXPECT_TRUE(world.boxes.calls.empty());
    ASSERT_TRUE(dlg.m_Go.IsWindowEnabled());
    const Reading again = Play(dlg, second);
    EXPECT_TRUE(Allowed(sharp, again)) << again;
    ClickStop(dlg);
    m_server.WaitPlayed();
    afx::UserClosedWindow(dlg.m_hWnd);
}

} // namespace
