// The tuner's window on Qt: controls from the template, placement, texts across the edge,
// message routing, the system menu and the About box, and the minimised icon.
#include "TunerTesting.h"

#include "Quintor.h"
#include "afxresources.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace quintor::testing;

namespace
{
struct OpenTuner : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD)); }
    TunerWorld world;
    TunerDialog dlg;
};

// Pixels of a dialog-unit rectangle, from the base units of the font the window shows, by the
// rules of Windows: average width of the 52 letters rounded, font height; rounded products.
QRect Pixels(const QWidget* dialog, int x, int y, int cx, int cy)
{
    QFontMetrics fm(dialog->font());
    int width = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int bx = (width / 26 + 1) / 2;
    int by = fm.height();
    auto map = [](int v, int units, int div) { return (v * units + div / 2) / div; };
    return QRect(map(x, bx, 4), map(y, by, 8), map(cx, bx, 4), map(cy, by, 8));
}

// Answers the next modal window (a message box or a dialog of the layer) from the event loop.
void AnswerNextModal(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, answer]
                     {
                         if (QWidget* modal = QApplication::activeModalWidget())
                         {
                             timer->stop();
                             timer->deleteLater();
                             answer(modal);
                         }
                     });
    timer->start();
}
} // namespace

TEST_F(OpenTuner, ControlsHaveTheTemplatesKindsTextsAndStates)
{
    struct Expected
    {
        int id;
        const char* qtClass;
        const char16_t* text;
        bool enabled;
    };
    const Expected controls[] = {
        /* 0 */ {IDC_GO, "QPushButton", u"&GO", true}, // the fake card opened
        /* 1 */ {IDC_STOP, "QPushButton", u"&Stop", true},
        /* 2 */ {IDC_CARD, "QComboBox", nullptr, true},
        /* 3 */ {IDC_TUNING, "QComboBox", nullptr, true},
        /* 4 */ {IDC_SLIDER, "QSlider", nullptr, false},
        /* 5 */ {IDC_STRING1, "afx::qt::StaticWidget", u"MI1", true},
        /* 6 */ {IDC_STRING6, "afx::qt::StaticWidget", u"MI3", true},
        /* 7 */ {IDC_CAPTION_CARD, "afx::qt::StaticWidget", u"Carte Son", true},
        /* 8 */ {IDC_CAPTION_TUNING, "afx::qt::StaticWidget", u"Nom de l'accord", true},
    };
    for (const Expected& c : controls)
    {
        SCOPED_TRACE(c.id);
        QWidget* w = dlg.Widget(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.qtClass);
        EXPECT_EQ(w->isEnabled(), c.enabled);
        EXPECT_EQ(dlg.GetDlgItem(c.id)->IsWindowEnabled() != FALSE, c.enabled);
        if (c.text == nullptr)
            continue;
        QString shown = qobject_cast<QPushButton*>(w) ? qobject_cast<QPushButton*>(w)->text()
                                                      : qobject_cast<QLabel*>(w)->text();
        EXPECT_EQ(shown, QString::fromUtf16(c.text));
    }
    auto* tunings = qobject_cast<QComboBox*>(dlg.Widget(IDC_TUNING));
    EXPECT_TRUE(tunings->isEditable());
    ASSERT_EQ(tunings->count(), 3);
    EXPECT_EQ(tunings->currentText(), QStringLiteral("Standard"));
    auto* slider = qobject_cast<QSlider*>(dlg.Widget(IDC_SLIDER));
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 1000);
    EXPECT_EQ(slider->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(dlg.Widget()->windowTitle(), QStringLiteral("Quintor"));
}

TEST_F(OpenTuner, PixelRectanglesFollowTheDialogUnits)
{
    QWidget* window = dlg.Widget();
    EXPECT_EQ(window->size(), Pixels(window, 0, 0, 360, 215).size());
    struct Case
    {
        int id, x, y, cx, cy;
    };
    const Case cases[] = {
        /* 0 */ {IDC_GO, 289, 7, 50, 14},
        /* 1 */ {IDC_STOP, 289, 22, 50, 14},
        /* 2 */ {IDC_SLIDER, 7, 128, 346, 23},
        /* 3 */ {IDC_STRING1, 50, 97, 25, 18},
        /* 4 */ {IDC_STRING4, 200, 97, 25, 18},
        /* 5 */ {IDC_STRING6, 299, 97, 25, 18},
        /* 6 */ {IDC_CAPTION_CARD, 7, 7, 117, 12},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.id);
        QRect expected = Pixels(window, c.x, c.y, c.cx, c.cy);
        EXPECT_EQ(dlg.Widget(c.id)->geometry(), expected);
        CRect client;
        dlg.GetDlgItem(c.id)->GetClientRect(&client);
        EXPECT_EQ(client.Width(), expected.width());
        EXPECT_EQ(client.Height(), expected.height());
    }
    // The combo boxes keep their width; their height is the closed field's.
    EXPECT_EQ(dlg.Widget(IDC_TUNING)->geometry().topLeft(),
              Pixels(window, 142, 23, 0, 0).topLeft());
    EXPECT_EQ(dlg.Widget(IDC_TUNING)->width(), Pixels(window, 0, 0, 107, 0).width());
}

TEST_F(OpenTuner, StandsInTheDesktopsTopRightCorner)
{
    CRect desktop, window;
    CWnd::GetDesktopWindow()->GetWindowRect(&desktop);
    dlg.GetWindowRect(&window);
    EXPECT_EQ(window.right, desktop.Width());
    EXPECT_EQ(window.top, 10);
    EXPECT_EQ(dlg.Widget()->frameGeometry().topLeft(), QPoint(window.left, window.top));
}

TEST(TunerTexts, AccentsSurviveTheTripToQtAndBack)
{
    TunerWorld world({Card("Entrée micro é")}, {{"Ré ouvert", "RE1LA1RE2FA#2LA2RE3"}});
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    auto* tunings = qobject_cast<QComboBox*>(dlg.Widget(IDC_TUNING));
    EXPECT_EQ(tunings->itemText(0), QString::fromUtf16(u"Ré ouvert"));
    auto* cards = qobject_cast<QComboBox*>(dlg.Widget(IDC_CARD));
    EXPECT_EQ(cards->itemText(0), QString::fromUtf16(u"Entrée micro é"));
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.Widget(IDC_STRING4))->text(), QStringLiteral("FA#2"));

    // Typed back in by the user: the field's text returns as code page 1252.
    tunings->lineEdit()->setText(QString::fromUtf16(u"Accordé"));
    emit tunings->lineEdit()->textEdited(tunings->lineEdit()->text());
    CString typed;
    dlg.m_Tuning.GetWindowText(typed);
    EXPECT_EQ(typed, "Accordé");
    EXPECT_EQ(CString("Accordé").GetLength(), 7);
    EXPECT_EQ(dlg.m_Tuning.GetCurSel(), CB_ERR);

    // The glyphs exist in the font the window uses: no empty boxes.
    QFontMetrics fm(dlg.Widget()->font());
    for (char16_t c : std::u16string(u"éêàçè"))
        EXPECT_TRUE(fm.inFont(QChar(c))) << static_cast<int>(c);
}

TEST(TunerTexts, MessageBoxesShowAccentsAndFrenchButtons)
{
    QString shown, cancel;
    AnswerNextModal(
        [&](QWidget* modal)
        {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shown = box->text();
            cancel = box->button(QMessageBox::Cancel)->text();
            box->button(QMessageBox::Cancel)->click();
        });
    int answer = AfxMessageBox("Votre accord Ré est erroné", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(shown, QString::fromUtf16(u"Votre accord Ré est erroné"));
    EXPECT_TRUE(cancel.contains(QStringLiteral("Annuler"))) << cancel.toStdString();
}

TEST_F(OpenTuner, UserChoicesReachTheirHandlersAndCodesDoNot)
{
    // A user's choice of the second tuning applies it.
    afx::UserSelectedComboItem(dlg.m_Tuning.m_hWnd, 1);
    EXPECT_EQ(dlg.m_Accord.GetName(), "Drop D");
    CString label;
    dlg.GetDlgItem(IDC_STRING1)->GetWindowText(label);
    EXPECT_EQ(label, "RE1");

    // The same choice made by code sends nothing.
    dlg.m_Tuning.SetCurSel(0);
    EXPECT_EQ(dlg.m_Accord.GetName(), "Drop D");

    // A click on Stop with nothing running, and on GO, reach their handlers.
    afx::UserClickedButton(dlg.GetDlgItem(IDC_GO)->m_hWnd);
    EXPECT_NE(dlg.m_pCaptureThread, nullptr);
    afx::UserClickedButton(dlg.GetDlgItem(IDC_STOP)->m_hWnd);
    EXPECT_EQ(dlg.m_pCaptureThread, nullptr);
    EXPECT_EQ(dlg.m_bRunning, 0);
}

// Keys typed where the focus is, as the user types them: Enter presses the focused push button,
// else GO while it is enabled and nothing while it is not; Escape ends the tuner from anywhere.
TEST_F(OpenTuner, EnterAndEscapeFollowTheDialogManager)
{
    struct Case
    {
        const char* what;
        int focus;
        bool goEnabled;
        bool capturing;
        Qt::Key key;
        bool capturingAfter;
        bool openAfter;
    };
    const Case cases[] = {
        {"Enter in the tuning list presses GO", IDC_TUNING, true, false, Qt::Key_Return, true,
         true},
        {"keypad Enter in the card list too", IDC_CARD, true, false, Qt::Key_Enter, true, true},
        {"Enter with GO disabled does nothing", IDC_TUNING, false, false, Qt::Key_Return, false,
         true},
        {"Enter on a focused GO presses it", IDC_GO, true, false, Qt::Key_Return, true, true},
        {"Enter on a focused Stop presses Stop", IDC_STOP, true, true, Qt::Key_Return, false, true},
        {"even with GO disabled", IDC_STOP, false, true, Qt::Key_Return, false, true},
        {"Escape in the tuning list ends the tuner", IDC_TUNING, true, true, Qt::Key_Escape, false,
         false},
    };
    QWidget* window = dlg.Widget();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(dlg.IsWindowVisible());
        dlg.OnStop();
        dlg.m_Go.EnableWindow(TRUE);
        if (c.capturing)
            dlg.OnGo();
        dlg.m_Go.EnableWindow(c.goEnabled);
        QWidget* target = dlg.Widget(c.focus);
        target->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), target);
        QTest::keyClick(target, c.key);
        EXPECT_EQ(dlg.m_pCaptureThread != nullptr, c.capturingAfter);
        EXPECT_EQ(dlg.IsWindowVisible() != FALSE, c.openAfter);
    }
    EXPECT_EQ(world.fake.Counters().OpenNow(), 0);
}

TEST_F(OpenTuner, SystemMenuEndsWithASeparatorAndTheAboutEntry)
{
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    UINT n = menu->GetMenuItemCount();
    ASSERT_GE(n, 3u);
    EXPECT_EQ(menu->GetMenuItemID(0), static_cast<UINT>(SC_MOVE));
    EXPECT_TRUE(menu->GetMenuState(n - 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(menu->GetMenuItemID(n - 1), static_cast<UINT>(IDM_ABOUTBOX));
    CString text;
    menu->GetMenuString(n - 1, text, MF_BYPOSITION);
    EXPECT_EQ(text, "&A propos de Quintor...");
    bool hasClose = false;
    for (UINT i = 0; i < n; ++i)
        hasClose = hasClose || menu->GetMenuItemID(i) == SC_CLOSE;
    EXPECT_TRUE(hasClose);
}

TEST(TunerSystemMenu, NoAboutEntryNorSeparatorWhenItsStringIsEmpty)
{
    const HINSTANCE previous = AfxGetResourceHandle();
    HINSTANCE__ script{afx::GetResources()};
    script.resources.strings[IDS_ABOUTBOX] = "";
    AfxSetResourceHandle(&script);
    {
        TunerWorld world;
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        // As the system built it: Move, a separator, Close.
        ASSERT_EQ(menu->GetMenuItemCount(), 3u);
        EXPECT_EQ(menu->GetMenuItemID(2), static_cast<UINT>(SC_CLOSE));
    }
    AfxSetResourceHandle(previous);
}

TEST_F(OpenTuner, SystemMenuOpensWithAltSpaceAndARightClick)
{
    for (int way = 0; way < 2; ++way)
    {
        SCOPED_TRACE(way);
        QStringList entries;
        QTimer::singleShot(50,
                           [&]
                           {
                               auto* popup =
                                   qobject_cast<QMenu*>(QApplication::activePopupWidget());
                               if (popup == nullptr)
                                   return;
                               for (QAction* a : popup->actions())
                                   if (!a->isSeparator())
                                       entries << a->text();
                               popup->close();
                           });
        QWidget* window = dlg.Widget();
        if (way == 0)
        {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier, QStringLiteral(" "));
            QApplication::sendEvent(window, &press);
        }
        else
        {
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 150),
                                    window->mapToGlobal(QPoint(5, 150)));
            QApplication::sendEvent(window, &click);
        }
        ASSERT_EQ(entries.size(), 3);
        EXPECT_EQ(entries[0], QString::fromUtf16(u"&Déplacer"));
        EXPECT_EQ(entries[1], QStringLiteral("&Fermer"));
        EXPECT_EQ(entries[2], QStringLiteral("&A propos de Quintor..."));
    }
}

TEST_F(OpenTuner, AboutCommandsOpenAFreshAboutBoxEachTime)
{
    // 0x0010 to 0x001F all open it: the low four bits are masked off.
    for (UINT command : {0x0010u, 0x0011u, 0x001Fu})
    {
        SCOPED_TRACE(command);
        QString title;
        QStringList texts;
        AnswerNextModal(
            [&](QWidget* modal)
            {
                title = modal->windowTitle();
                for (QLabel* l : modal->findChildren<QLabel*>())
                    if (!l->text().isEmpty())
                        texts << l->text();
                // The close box, as a user would end it.
                modal->close();
            });
        dlg.SendMessage(WM_SYSCOMMAND, command, 0);
        EXPECT_EQ(title, QStringLiteral("A propos de Quintor"));
        EXPECT_TRUE(texts.contains(QStringLiteral("Quintor version 1.0")));
    }
    for (const TunerDialog::DefCall& call : dlg.defCalls)
        EXPECT_NE(call.message, static_cast<UINT>(WM_SYSCOMMAND))
            << "the About commands never reach the default";
    EXPECT_TRUE(dlg.IsWindowVisible());
}

TEST_F(OpenTuner, OtherSystemCommandsReachTheDefaultUnchanged)
{
    struct Case
    {
        UINT command;
        LPARAM lParam;
    };
    const Case cases[] = {
        /* 0 */ {0x0020, 0},
        /* 1 */ {0x000F, 7},
        /* 2 */ {SC_MOVE + 2, MAKELONG(10, 20)},
        /* 3 */ {0xF123, -1},
        /* 4 */ {SC_CLOSE, MAKELONG(3, 4)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.command);
        dlg.defCalls.clear();
        dlg.SendMessage(WM_SYSCOMMAND, c.command, c.lParam);
        ASSERT_FALSE(dlg.defCalls.empty());
        EXPECT_EQ(dlg.defCalls[0].message, static_cast<UINT>(WM_SYSCOMMAND));
        EXPECT_EQ(dlg.defCalls[0].wParam, c.command);
        EXPECT_EQ(dlg.defCalls[0].lParam, c.lParam);
    }
    // The last was the close command: the dialog ended through OnClose and let the card go.
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(world.fake.Counters().OpenNow(), 0);
}

TEST_F(OpenTuner, MinimisedItDrawsTheIconCentredWithTruncation)
{
    dlg.ShowWindow(SW_MINIMIZE);
    ASSERT_TRUE(dlg.IsIconic());
    struct Case
    {
        int width, height, x, y;
    };
    const Case cases[] = {
        /* 0 */ {30, 32, 0, 0},   // (30 - 32 + 1) / 2 = -1 / 2 = 0 toward zero
        /* 1 */ {29, 29, -1, -1}, // (29 - 32 + 1) / 2 = -1
        /* 2 */ {100, 60, 34, 14},
    };
    CRect window, client;
    dlg.GetWindowRect(&window);
    dlg.GetClientRect(&client);
    const int frameW = window.Width() - client.Width();
    const int frameH = window.Height() - client.Height();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.width);
        dlg.SetWindowPos(NULL, 0, 0, c.width + frameW, c.height + frameH,
                         SWP_NOMOVE | SWP_NOZORDER);
        dlg.GetClientRect(&client);
        ASSERT_EQ(client.Width(), c.width);
        afx::testing::RecordingDraw draws;
        dlg.defCalls.clear();
        dlg.SendMessage(WM_PAINT);
        std::vector<afx::testing::DrawnOp> ops = draws.Ops();
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_TRUE(ops[0].paintContext);
        EXPECT_EQ(ops[0].op.kind, afx::DrawOp::Icon);
        EXPECT_EQ(ops[0].op.icon, dlg.m_hIcon);
        EXPECT_EQ(ops[0].op.from.x, c.x);
        EXPECT_EQ(ops[0].op.from.y, c.y);
        ASSERT_FALSE(dlg.defCalls.empty());
        EXPECT_EQ(dlg.defCalls[0].message, static_cast<UINT>(WM_ICONERASEBKGND));
    }
    EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), dlg.m_hIcon);

    // Shown normally, painting is the default alone: no icon in the client area.
    dlg.ShowWindow(SW_RESTORE);
    ASSERT_FALSE(dlg.IsIconic());
    afx::testing::RecordingDraw draws;
    dlg.SendMessage(WM_PAINT);
    EXPECT_TRUE(draws.Ops().empty());
}

TEST(TunerApplication, InitInstanceRunsTheTunerOnceAndReturnsFalse)
{
    TunerWorld world;
    bool shown = false;
    AnswerNextModal(
        [&](QWidget* modal)
        {
            shown = modal->windowTitle() == QStringLiteral("Quintor");
            afx::UserPressedDialogKey(
                reinterpret_cast<HWND>(modal->property("afxHwnd").value<quintptr>()), VK_ESCAPE);
        });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_TRUE(shown);
    EXPECT_EQ(world.fake.Counters().OpenNow(), 0);
}
