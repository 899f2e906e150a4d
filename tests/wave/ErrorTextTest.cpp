// The French error texts.
#include "FakeWaveIn.h"
#include "WaveTestSupport.h"

#include <set>

using afx::testing::FakeWaveIn;
using afx::testing::FakeWaveInInstall;
using namespace wave_test;

namespace
{

std::vector<MMRESULT> KnownCodes()
{
    std::vector<MMRESULT> codes;
    for (MMRESULT c = MMSYSERR_NOERROR; c <= MMSYSERR_LASTERROR; ++c)
        codes.push_back(c);
    for (MMRESULT c = WAVERR_BASE; c <= WAVERR_LASTERROR; ++c)
        codes.push_back(c);
    return codes;
}

// Bytes a code page 1252 text may hold: printable ASCII and the assigned high bytes, no
// control character. A UTF-8 "é" (C3 A9) would pass this test byte by byte, hence the check
// for lead bytes followed by continuation bytes.
bool LooksLikeCp1252(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f || c == 0x81 || c == 0x8d || c == 0x8f || c == 0x90 || c == 0x9d)
            return false;
        if (c >= 0xc2 && c <= 0xf4 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xc0) == 0x80)
            return false;
    }
    return true;
}

// The text as a thread with no failure of its own sees it.
std::string PlainText(MMRESULT code)
{
    std::string text;
    std::thread fresh([&] { text = ErrorText(code); });
    fresh.join();
    return text;
}

TEST(WaveErrorText, EveryCodeHasItsOwnFrenchText)
{
    std::set<std::string> texts;
    for (const MMRESULT code : KnownCodes())
    {
        const std::string text = PlainText(code);
        EXPECT_FALSE(text.empty()) << "code " << code;
        EXPECT_NE(text, "<no text>") << "code " << code;
        EXPECT_LT(text.size(), std::size_t{MAXERRORLENGTH}) << "code " << code;
        EXPECT_TRUE(LooksLikeCp1252(text)) << "code " << code << ": " << text;
        EXPECT_TRUE(texts.insert(text).second) << "code " << code << " repeats: " << text;
    }
}

TEST(WaveErrorText, TextsAreFrenchInCodePage1252)
{
    // The busy-device text a French Windows user knows, accents as single bytes.
    EXPECT_EQ(PlainText(MMSYSERR_ALLOCATED), "Le p\xe9riph\xe9rique sp\xe9"
                                             "cifi\xe9 est d\xe9j\xe0 utilis\xe9. Attendez "
                                             "qu'il soit lib\xe9r\xe9, puis r\xe9"
                                             "essayez.");
    EXPECT_NE(PlainText(WAVERR_BADFORMAT).find("format"), std::string::npos);
    EXPECT_NE(PlainText(MMSYSERR_NOMEM).find("M\xe9moire"), std::string::npos);
}

TEST(WaveErrorText, UnknownCodesGiveBadErrNumAndAnEmptyText)
{
    const MMRESULT unknown[] = {MMSYSERR_LASTERROR + 1, WAVERR_BASE - 1, WAVERR_LASTERROR + 1, 1000,
                                0xffffffffu};
    for (const MMRESULT code : unknown)
    {
        char text[64];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(waveInGetErrorTextA(code, text, sizeof text), MMSYSERR_BADERRNUM) << code;
        EXPECT_EQ(text[0], '\0') << code;
    }
}

TEST(WaveErrorText, TextIsCutToTheBufferWithANul)
{
    const std::string whole = ErrorText(MMSYSERR_ALLOCATED);
    ASSERT_GT(whole.size(), 20u);
    const UINT sizes[] = {1, 2, 10, static_cast<UINT>(whole.size()),
                          static_cast<UINT>(whole.size() + 1)};
    for (const UINT size : sizes)
    {
        std::vector<char> text(size + 8, '#');
        ASSERT_EQ(waveInGetErrorTextA(MMSYSERR_ALLOCATED, text.data(), size), MMSYSERR_NOERROR);
        const std::size_t kept = std::min<std::size_t>(whole.size(), size - 1);
        EXPECT_EQ(std::string(text.data()), whole.substr(0, kept)) << "size " << size;
        for (std::size_t i = size; i < text.size(); ++i)
            EXPECT_EQ(text[i], '#') << "size " << size << ": written past the buffer at " << i;
    }
}

TEST(WaveErrorText, BufferArgumentsAreChecked)
{
    char text[8] = "inchang";
    EXPECT_EQ(waveInGetErrorTextA(MMSYSERR_ERROR, text, 0), MMSYSERR_NOERROR);
    EXPECT_STREQ(text, "inchang");
    EXPECT_EQ(waveInGetErrorTextA(MMSYSERR_ERROR, nullptr, 10), MMSYSERR_INVALPARAM);
}

class WaveErrorDetail : public ::testing::Test
{
protected:
    WaveErrorDetail()
        : fake_({{.name = "Occupée",
                  .openResult = MMSYSERR_ALLOCATED,
                  .failureDetail = "Test : occup\xe9"}}),
          installed_(fake_)
    {
        EXPECT_EQ(waveInGetNumDevs(), 1u);
    }

    MMRESULT OpenBusy()
    {
        HWAVEIN h = nullptr;
        const WAVEFORMATEX f = Format();
        return waveInOpen(&h, 0, &f, 0, 0, CALLBACK_NULL);
    }

    FakeWaveIn fake_;
    FakeWaveInInstall installed_;
};

TEST_F(WaveErrorDetail, BackEndTextFollowsTheTextOfTheFailureItExplains)
{
    const std::string plain = PlainText(MMSYSERR_ALLOCATED);
    ASSERT_EQ(OpenBusy(), MMSYSERR_ALLOCATED);
    EXPECT_EQ(ErrorText(MMSYSERR_ALLOCATED), plain + " (Test : occup\xe9)");
    EXPECT_EQ(ErrorText(MMSYSERR_NODRIVER).find("Test"), std::string::npos);
}

TEST_F(WaveErrorDetail, DetailBelongsToTheLastFailureOnTheCallingThread)
{
    const std::string plain = PlainText(MMSYSERR_ALLOCATED);
    ASSERT_EQ(OpenBusy(), MMSYSERR_ALLOCATED);
    ASSERT_NE(ErrorText(MMSYSERR_ALLOCATED), plain);
    EXPECT_EQ(PlainText(MMSYSERR_ALLOCATED), plain) << "another thread sees this one's detail";

    // A later failure of another kind replaces it.
    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(5, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(ErrorText(MMSYSERR_ALLOCATED), plain);
}

} // namespace
