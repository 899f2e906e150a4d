// The tuner's window on Qt: its widgets and their places, texts across the edge, keys,
// the system menu and the About box, and the minimised icon.
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
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace test_support;

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

// One control of each kind: the widget it becomes, its state, and its place in pixels from the
// template's dialog units as the program's compiled resources give them.
TEST_F(OpenTuner, ControlsBecomeTheirWidgetsWithTheirStatesAndDialogUnits)
{
    const afx::RcDialog* t = afx::GetResources().FindDialog(CQuintorDlg::IDD);
    ASSERT_NE(t, nullptr);
    QWidget* window = dlg.Widget();
    // The control's rectangle in the template, in pixels.
    auto place = [&](int id)
    {
        for (const afx::RcControl& c : t->controls)
            if (c.id == id)
                return Pixels(window, c.x, c.y, c.cx, c.cy);
        ADD_FAILURE() << "no control " << id << " in the template";
        return QRect();
    };
    const struct
    {
        int id;
        const char* qtClass;
        bool enabled;
    } controls[] = {
        {IDC_GO, "QPushButton", true}, // enabled: the fake card opened
        {IDC_SLIDER, "QSlider", false},
        {IDC_STRING1, "afx::qt::StaticWidget", true},
        {IDC_CAPTION_CARD, "afx::qt::StaticWidget", true},
    };
    EXPECT_EQ(window->size(), Pixels(window, 0, 0, t->cx, t->cy).size());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quintor"));
    for (const auto& c : controls)
    {
        SCOPED_TRACE(c.id);
        QWidget* w = dlg.Widget(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.qtClass);
        EXPECT_EQ(w->isEnabled(), c.enabled);
        EXPECT_EQ(dlg.GetDlgItem(c.id)->IsWindowEnabled() != FALSE, c.enabled);
        const DWORD style = dlg.GetDlgItem(c.id)->GetStyle();
        EXPECT_EQ((style & WS_DISABLED) == 0, c.enabled) << std::hex << style;
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), DWORD{WS_CHILD | WS_VISIBLE})
            << std::hex << style;
        const QRect expected = place(c.id);
        EXPECT_EQ(w->geometry(), expected);
        CRect client;
        dlg.GetDlgItem(c.id)->GetClientRect(&client);
        EXPECT_EQ(client.Width(), expected.width());
        EXPECT_EQ(client.Height(), expected.height());
    }
    // The combo boxes are editable and keep their width; their height is the closed field's.
    auto* tunings = qobject_cast<QComboBox*>(dlg.Widget(IDC_TUNING));
    ASSERT_NE(tunings, nullptr);
    EXPECT_TRUE(tunings->isEditable());
    EXPECT_EQ(tunings->currentText(), QStringLiteral("Standard"));
    EXPECT_EQ(tunings->geometry().topLeft(), place(IDC_TUNING).topLeft());
    EXPECT_EQ(tunings->width(), place(IDC_TUNING).width());
    auto* slider = qobject_cast<QSlider*>(dlg.Widget(IDC_SLIDER));
    EXPECT_EQ(slider->maximum(), 1000);
    EXPECT_EQ(slider->tickPosition(), QSlider::NoTicks);
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
    EXPECT_EQ(qobject_cast<QPushButton*>(dlg.Widget(IDC_GO))->text(), QStringLiteral("&GO"));

    // Typed back in by the user: the field's text returns as code page 1252.
    tunings->lineEdit()->setText(QString::fromUtf16(u"Accordé"));
    emit tunings->lineEdit()->textEdited(tunings->lineEdit()->text());
    EXPECT_EQ(afx::Win(dlg.m_Tuning.m_hWnd)->text, "Accordé");
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
        {"Enter on a focused Stop presses it, even with GO disabled", IDC_STOP, false, true,
         Qt::Key_Return, false, true},
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
}

TEST(TunerSystemMenu, NoAboutEntryNorSeparatorWhenItsStringIsEmpty)
{
    const HINSTANCE previous = AfxGetResourceHandle();
    afx::ResourceSet script{afx::GetResources()};
    script.resources.strings[IDS_ABOUTBOX] = "";
    AfxSetResourceHandle(afx::ToHinstance(&script));
    {
        TunerWorld world;
        TunerDialog dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        // As the system built it: Move, a separator, Close.
        ASSERT_EQ(menu->Items().size(), 3u);
        EXPECT_EQ(menu->Items()[2].id, static_cast<UINT>(SC_CLOSE));
    }
    AfxSetResourceHandle(previous);
}

// The system's Move and Close, then a separator and the tuner's About entry, with their commands.
TEST_F(OpenTuner, SystemMenuOpensWithAltSpaceAndARightClick)
{
    for (int way = 0; way < 2; ++way)
    {
        SCOPED_TRACE(way);
        QStringList entries;
        QTimer::singleShot(
            50,
            [&]
            {
                auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (popup == nullptr)
                    return;
                for (QAction* a : popup->actions())
                    entries << (a->isSeparator()
                                    ? QStringLiteral("-")
                                    : a->text() + " " + QString::number(a->data().toUInt(), 16));
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
        EXPECT_EQ(entries, QStringList({QString::fromUtf16(u"&Déplacer f010"), "-", "&Fermer f060",
                                        "-", "&A propos de Quintor... 10"}));
    }
}

// 0x0010 to 0x001F all open a fresh About box (the low four bits are masked off) and never reach
// the default; every other command reaches it unchanged.
TEST_F(OpenTuner, SystemCommandsOpenTheAboutBoxOrReachTheDefaultUnchanged)
{
    struct Case
    {
        UINT command;
        LPARAM lParam;
        bool about;
    };
    const Case cases[] = {
        /* 0 */ {0x0010, 0, true},
        /* 1 */ {0x001F, 0, true},
        /* 2 */ {0x0020, 0, false},
        /* 3 */ {0x000F, 7, false},
        /* 4 */ {SC_CLOSE, MAKELONG(3, 4), false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.command);
        QString title;
        if (c.about)
            AnswerNextModal(
                [&](QWidget* modal)
                {
                    title = modal->windowTitle();
                    modal->close(); // the close box, as a user would end it
                });
        dlg.defCalls.clear();
        dlg.SendMessage(WM_SYSCOMMAND, c.command, c.lParam);
        if (c.about)
        {
            EXPECT_EQ(title, QStringLiteral("A propos de Quintor"));
            for (const TunerDialog::DefCall& call : dlg.defCalls)
                EXPECT_NE(call.message, static_cast<UINT>(WM_SYSCOMMAND));
            EXPECT_TRUE(dlg.IsWindowVisible());
            continue;
        }
        ASSERT_FALSE(dlg.defCalls.empty());
        EXPECT_EQ(dlg.defCalls[0].message, static_cast<UINT>(WM_SYSCOMMAND));
        EXPECT_EQ(dlg.defCalls[0].wParam, c.command);
        EXPECT_EQ(dlg.defCalls[0].lParam, c.lParam);
    }
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
        dlg.defCalls.clear();
        // What the paint handling draws, drawn nowhere.
        std::vector<afx::DrawOp> ops = afx::RehearsePaint(dlg.m_hWnd);
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_EQ(ops[0].kind, afx::DrawOp::Icon);
        EXPECT_EQ(ops[0].icon, dlg.m_hIcon);
        EXPECT_EQ(ops[0].from.x, c.x);
        EXPECT_EQ(ops[0].from.y, c.y);
        ASSERT_FALSE(dlg.defCalls.empty());
        EXPECT_EQ(dlg.defCalls[0].message, static_cast<UINT>(WM_ICONERASEBKGND));
    }
    EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), dlg.m_hIcon);

    // Shown normally, painting is the default alone: no icon in the client area.
    dlg.ShowWindow(SW_RESTORE);
    ASSERT_FALSE(dlg.IsIconic());
    EXPECT_TRUE(afx::RehearsePaint(dlg.m_hWnd).empty());
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
