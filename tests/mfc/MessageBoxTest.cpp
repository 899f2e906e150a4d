// AfxMessageBox, its presenters and its caption.
#include <afx.h>

#include <RecordingMessageBox.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
using afx::testing::RecordingMessageBox;

// Rows in order: the caption set before a row stays for the next ones; nullptr is the default,
// which for a program without a title string is its module's file name.
TEST(MessageBoxTest, ShowsTextCaptionAndTypeAndReturnsThePresentersAnswer)
{
    struct Case
    {
        const char* setCaption;
        const char* text;
        UINT type;
        int answer;
        const char* shown;
        const char* caption;
    };
    const Case cases[] = {
        {nullptr, "Votre accord Ré est erroné", MB_OKCANCEL, IDCANCEL, "Votre accord Ré est erroné",
         "test_mfc"},
        {"Accordeur", "Fin", MB_OK, IDOK, "Fin", "Accordeur"},
        {nullptr, nullptr, MB_OK, IDOK, "", "test_mfc"}, // a null text shows as empty
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.shown);
        afx::SetMessageBoxCaption(c.setCaption);
        RecordingMessageBox box(c.answer);
        EXPECT_EQ(AfxMessageBox(c.text, c.type), c.answer);
        ASSERT_EQ(box.calls.size(), 1u);
        EXPECT_EQ(box.calls[0].text, c.shown);
        EXPECT_EQ(box.calls[0].caption, c.caption);
        EXPECT_EQ(box.calls[0].type, c.type);
    }
}

TEST(MessageBoxTest, PresentersNestAndNullRestoresTheDefault)
{
    afx::MessageBoxPresenter* const fallback = afx::GetMessageBoxPresenter();
    ASSERT_NE(fallback, nullptr);
    {
        RecordingMessageBox outer;
        {
            RecordingMessageBox inner(IDCANCEL);
            EXPECT_EQ(AfxMessageBox("inner", MB_OKCANCEL), IDCANCEL);
        }
        EXPECT_EQ(afx::GetMessageBoxPresenter(), &outer);
        AfxMessageBox("outer");
        ASSERT_EQ(outer.calls.size(), 1u);
        EXPECT_EQ(outer.calls[0].text, "outer");

        EXPECT_EQ(afx::SetMessageBoxPresenter(nullptr), &outer);
        EXPECT_EQ(afx::GetMessageBoxPresenter(), fallback);
        EXPECT_EQ(afx::SetMessageBoxPresenter(&outer), fallback);
    }
    EXPECT_EQ(afx::GetMessageBoxPresenter(), fallback);
}

TEST(MessageBoxDeathTest, TheDefaultWritesUtf8ToStandardErrorAndAnswersOk)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            afx::SetMessageBoxPresenter(nullptr);
            const int answer = AfxMessageBox("Ce programme va s'arrêter", MB_OKCANCEL);
            std::exit(answer == IDOK ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "^Ce programme va s'arr\xC3\xAAter\n$");
}
} // namespace
