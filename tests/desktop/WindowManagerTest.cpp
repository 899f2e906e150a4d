// The tuner under a real window manager, as the X server's own tools see it: its frame where the
// program puts it, fixed sizes with no maximise, the About box over the tuner, the keys that
// open its menu, the icon. Enter and Escape are the dialog and program tests'.
#include "DesktopSession.h"
#include "TunerTesting.h"

#include "Quintor.h"

#include <QMenu>
#include <QTimer>

using namespace test_support;

namespace
{
unsigned long XWindowOf(const QWidget* w)
{
    return static_cast<unsigned long>(w->winId());
}

// A property of a window as the X server holds it.
std::string XProp(const QWidget* w, const char* property)
{
    return Output("xprop -id " + std::to_string(XWindowOf(w)) + " " + property);
}

// The window once the window manager has framed it.
WindowFrame FramedWindow(const QWidget* w)
{
    WindowFrame f;
    PumpUntil("the window manager to frame a window",
              [&] { return (f = FrameOf(XWindowOf(w))).known; });
    return f;
}

struct Tuner : ::testing::Test
{
    void SetUp() override
    {
        REQUIRE_DESKTOP();
        // The main window owns the dialogs that name no parent, as in the program.
        AfxGetApp()->m_pMainWnd = &dlg;
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        frame = FramedWindow(dlg.Widget());
        // Qt hears where the window went a little after the X server knows it.
        const QPoint client(frame.clientX, frame.clientY);
        PumpUntil("Qt to learn where the tuner stands",
                  [&] { return dlg.Widget()->geometry().topLeft() == client; });
    }
    TunerWorld world;
    TunerDialog dlg;
    WindowFrame frame;
    ~Tuner() override { AfxGetApp()->m_pMainWnd = nullptr; }
};
} // namespace

TEST_F(Tuner, FrameStandsAtTheRightEdgeTenPixelsDownAndIsTheWindowRectangle)
{
    EXPECT_GT(frame.top, 0) << "openbox draws a title bar";
    EXPECT_EQ(frame.Right(), XSession::kWidth);
    EXPECT_EQ(frame.Y(), 10);
    CRect window;
    dlg.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(frame.X(), frame.Y(), frame.Right(), frame.Bottom()));
}

TEST_F(Tuner, TunerAndAboutBoxAreFixedInSizeAndTheBoxOpensAtTheTunersClientOrigin)
{
    auto expectFixed = [](const QWidget* w, const WindowFrame& f)
    {
        const std::string hints = XProp(w, "WM_NORMAL_HINTS");
        const std::vector<long> client{f.clientWidth, f.clientHeight};
        EXPECT_EQ(Numbers(hints, "minimum size:"), client) << hints;
        EXPECT_EQ(Numbers(hints, "maximum size:"), client) << hints;
        const std::string actions = XProp(w, "_NET_WM_ALLOWED_ACTIONS");
        EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
        for (const char* refused : {"MAXIMIZE", "RESIZE"})
            EXPECT_EQ(actions.find(refused), std::string::npos) << actions;
    };
    expectFixed(dlg.Widget(), frame);

    WindowFrame about;
    std::string owner;
    QTimer::singleShot(0,
                       [&]
                       {
                           QWidget* box = QApplication::activeModalWidget();
                           if (box == nullptr)
                               return;
                           about = FramedWindow(box);
                           expectFixed(box, about);
                           owner = XProp(box, "WM_TRANSIENT_FOR");
                           box->close();
                       });
    dlg.OnSysCommand(IDM_ABOUTBOX, 0);
    ASSERT_TRUE(about.known) << "the About box never showed framed";
    EXPECT_EQ(about.X(), frame.clientX);
    EXPECT_EQ(about.Y(), frame.clientY);
    // The tuner owns its About box.
    const std::size_t hex = owner.find("0x");
    ASSERT_NE(hex, std::string::npos) << owner;
    EXPECT_EQ(std::stoul(owner.substr(hex), nullptr, 16), XWindowOf(dlg.Widget()));
}

TEST_F(Tuner, MenuKeyAndShiftF10OpenTheSystemMenu)
{
    for (const char* keys : {"Menu", "shift+F10"})
    {
        SCOPED_TRACE(keys);
        // The menu runs a loop of its own: it is read and closed from within.
        QString last;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout,
                         [&]
                         {
                             auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                             if (popup == nullptr || popup->actions().isEmpty())
                                 return;
                             last = popup->actions().back()->text();
                             popup->close();
                         });
        poll.start(10);
        Output("xdotool windowactivate --sync " + std::to_string(XWindowOf(dlg.Widget())) +
               " key " + keys);
        PumpUntil("the system menu", [&] { return !last.isEmpty(); });
        EXPECT_EQ(last, QStringLiteral("&A propos de Quintor..."));
    }
}

TEST_F(Tuner, WindowIconIsTheApplicationIcon)
{
    const std::string icons = XProp(dlg.Widget(), "_NET_WM_ICON");
    // Icon 128 holds a 32 and a 48 pixel picture; the desktop picks the size it shows.
    EXPECT_NE(icons.find("Icon (32 x 32)"), std::string::npos);
    EXPECT_NE(icons.find("Icon (48 x 48)"), std::string::npos);
}
