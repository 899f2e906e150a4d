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

TEST(MessageBoxTest, ShowsTextCaptionAndTypeThroughThePresenter)
{
    RecordingMessageBox box;
    EXPECT_EQ(AfxMessageBox("Votre accord Ré est erroné", MB_OKCANCEL), IDOK);
    EXPECT_EQ(AfxMessageBox("Fin"), IDOK);
    AfxMessageBox(nullptr);
    ASSERT_EQ(box.calls.size(), 3u);
    EXPECT_EQ(box.calls[0].text, "Votre accord Ré est erroné");
    EXPECT_EQ(box.calls[0].caption, "Quintor");
    EXPECT_EQ(box.calls[0].type, MB_OKCANCEL);
    EXPECT_EQ(box.calls[1].text, "Fin");
    EXPECT_EQ(box.calls[1].type, MB_OK);
    EXPECT_EQ(box.calls[2].text, ""); // a null text shows as empty
}

TEST(MessageBoxTest, ReturnsTheConfiguredAnswer)
{
    RecordingMessageBox box(IDCANCEL);
    EXPECT_EQ(AfxMessageBox("?", MB_OKCANCEL), IDCANCEL);
    box.SetAnswer(IDRETRY);
    EXPECT_EQ(AfxMessageBox("?", MB_RETRYCANCEL | MB_ICONWARNING), IDRETRY);
    EXPECT_EQ(box.calls.back().type, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
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
    EXPECT_EQ(afx::GetMessageBoxCaption(), "Quintor");
}

TEST(MessageBoxTest, RecordersNestAndRestoreThePreviousPresenter)
{
    afx::MessageBoxPresenter* const before = afx::GetMessageBoxPresenter();
    {
        RecordingMessageBox outer;
        EXPECT_EQ(afx::GetMessageBoxPresenter(), &outer);
        {
            RecordingMessageBox inner(IDNO);
            EXPECT_EQ(AfxMessageBox("inner", MB_YESNO), IDNO);
        }
        EXPECT_EQ(afx::GetMessageBoxPresenter(), &outer);
        AfxMessageBox("outer");
        ASSERT_EQ(outer.calls.size(), 1u);
        EXPECT_EQ(outer.calls[0].text, "outer");
    }
    EXPECT_EQ(afx::GetMessageBoxPresenter(), before);
}

TEST(MessageBoxTest, InstallingNullRestoresTheDefault)
{
    afx::MessageBoxPresenter* const fallback = afx::GetMessageBoxPresenter();
    ASSERT_NE(fallback, nullptr);
    RecordingMessageBox box;
    EXPECT_EQ(afx::SetMessageBoxPresenter(nullptr), &box);
    EXPECT_EQ(afx::GetMessageBoxPresenter(), fallback);
    EXPECT_EQ(afx::SetMessageBoxPresenter(&box), fallback);
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
    EXPECT_EQ(box.Snapshot().size(), 400u);
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
