// AfxMessageBox, its presenters and its caption.
#include <afx.h>

#include <RecordingMessageBox.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

namespace
{
using afx::testing::RecordingMessageBox;

TEST(MessageBoxTest, ShowsTextCaptionAndTypeAndReturnsThePresentersAnswer)
{
    struct Case
    {
        const char* text;
        UINT type;
        int answer;
        const char* shown;
    };
    const Case cases[] = {
        {"Votre accord Ré est erroné", MB_OKCANCEL, IDCANCEL, "Votre accord Ré est erroné"},
        {"Fin", MB_OK, IDOK, "Fin"},
        {nullptr, MB_OK, IDOK, ""}, // a null text shows as empty
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.shown);
        RecordingMessageBox box(c.answer);
        EXPECT_EQ(AfxMessageBox(c.text, c.type), c.answer);
        ASSERT_EQ(box.calls.size(), 1u);
        EXPECT_EQ(box.calls[0].text, c.shown);
        EXPECT_EQ(box.calls[0].caption, "Quintor");
        EXPECT_EQ(box.calls[0].type, c.type);
    }
}

TEST(MessageBoxTest, CaptionFollowsTheApplicationName)
{
    RecordingMessageBox box;
    afx::SetMessageBoxCaption("Accordeur");
    AfxMessageBox("a");
    afx::SetMessageBoxCaption(nullptr);
    AfxMessageBox("b");
    ASSERT_EQ(box.calls.size(), 2u);
    EXPECT_EQ(box.calls[0].caption, "Accordeur");
    EXPECT_EQ(box.calls[1].caption, "Quintor");
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

TEST(MessageBoxTest, RecordsBoxesFromSeveralThreads)
{
    RecordingMessageBox box;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            []
            {
                for (int i = 0; i < 100; ++i)
                    AfxMessageBox("x");
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(box.calls.size(), 400u);
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
