// The French error texts, and the back end's own words after them.
#include "WaveTestSupport.h"

#include <set>

using namespace wave_test;

namespace
{

// The text as a thread with no failure of its own sees it.
inline std::string PlainText(MMRESULT code)
{
    std::string text;
    std::thread([&] { text = ErrorText(code); }).join();
    return text;
}

TEST(WaveErrorText, EveryCodeTheLayerReturnsHasItsOwnFrenchText)
{
    std::set<std::string> texts;
    for (MMRESULT code = MMSYSERR_NOERROR; code <= WAVERR_LASTERROR; ++code)
    {
        if (code > MMSYSERR_INVALPARAM && code < WAVERR_BASE)
            continue;
        const std::string text = PlainText(code);
        SCOPED_TRACE("code " + std::to_string(code) + ": " + text);
        EXPECT_FALSE(text.empty());
        EXPECT_LT(text.size(), std::size_t{MAXERRORLENGTH});
        EXPECT_TRUE(texts.insert(text).second) << "repeated";
    }
    // The busy-device text a French Windows user knows, accents as single bytes: the texts share
    // one table, built in one code page.
    EXPECT_EQ(PlainText(MMSYSERR_ALLOCATED), "Le p\xe9riph\xe9rique sp\xe9"
                                             "cifi\xe9 est d\xe9j\xe0 utilis\xe9. Attendez "
                                             "qu'il soit lib\xe9r\xe9, puis r\xe9"
                                             "essayez.");
}

TEST(WaveErrorText, TheCallerGetsWhatFitsItsBufferWithANul)
{
    const std::string whole = PlainText(MMSYSERR_ALLOCATED);
    struct Case
    {
        MMRESULT code;
        bool nullText;
        UINT size;
        MMRESULT result;
        std::string text; // what the buffer holds before its NUL, when it is written at all
    };
    const Case cases[] = {
        {MMSYSERR_ALLOCATED, false, 1, MMSYSERR_NOERROR, ""},
        {MMSYSERR_ALLOCATED, false, UINT(whole.size()), MMSYSERR_NOERROR,
         whole.substr(0, whole.size() - 1)},
        {MMSYSERR_ALLOCATED, false, UINT(whole.size() + 1), MMSYSERR_NOERROR, whole},
        {MMSYSERR_ALLOCATED, false, 0, MMSYSERR_NOERROR, ""},
        {MMSYSERR_ALLOCATED, true, 10, MMSYSERR_INVALPARAM, ""},
        {WAVERR_LASTERROR + 1, false, 64, MMSYSERR_BADERRNUM, ""},
        {MMSYSERR_INVALPARAM + 1, false, 64, MMSYSERR_BADERRNUM, ""},
        {WAVERR_BASE - 1, false, 64, MMSYSERR_BADERRNUM, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("code " + std::to_string(c.code) + " in " + std::to_string(c.size));
        std::vector<char> text(c.size + 8, '#');
        EXPECT_EQ(waveInGetErrorTextA(c.code, c.nullText ? nullptr : text.data(), c.size),
                  c.result);
        std::vector<char> expected(c.size + 8, '#');
        if (!c.nullText && c.size > 0)
        {
            std::copy(c.text.begin(), c.text.end(), expected.begin());
            expected[c.text.size()] = '\0';
        }
        EXPECT_EQ(text, expected);
    }
}

TEST(WaveErrorText, TheBackEndsTextFollowsTheLastFailureOnTheCallingThread)
{
    FakeWaveIn fake(
        {{.name = "Occupée", .openResult = MMSYSERR_ALLOCATED, .failureDetail = "Test : occupé"}});
    FakeWaveInInstall installed(fake);
    ASSERT_EQ(waveInGetNumDevs(), 1u);
    const std::string plain = PlainText(MMSYSERR_ALLOCATED);
    HWAVEIN h = nullptr;
    const WAVEFORMATEX f = Format();
    ASSERT_EQ(waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(h, nullptr);

    EXPECT_EQ(ErrorText(MMSYSERR_ALLOCATED), plain + " (Test : occupé)");
    EXPECT_EQ(ErrorText(MMSYSERR_NODRIVER), PlainText(MMSYSERR_NODRIVER)) << "another code";
    EXPECT_EQ(PlainText(MMSYSERR_ALLOCATED), plain) << "another thread";
    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(5, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(ErrorText(MMSYSERR_ALLOCATED), plain) << "a later failure replaces it";
}

} // namespace
