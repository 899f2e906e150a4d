// The Qt 6 Widgets back end of the layer's windows.
//
// Implemented:
//  [x] top-level dialogs: a fixed-size modal frame (title, system menu, close box; no maximise),
//      owned by their owner's window, placed by their frame's top-left as measured from the
//      window manager before the first show (QtFrame.cpp), big and small icons, modality
//  [x] controls: push buttons, editable drop-down combo boxes, trackbars without ticks,
//      static text (left, centred, centred vertically) and static icons
//  [x] keys: Enter and Escape as the dialog manager takes them (focused push button first),
//      the system menu on a right click, Alt+Space, the menu key and Shift+F10
//  [x] painting: the dialog's WM_PAINT with a painter in place, then what client DCs drew into a
//      control since its last invalidation; solid pens (wide ones round) and icons
//  [x] screen requests of other threads, carried out on the interface thread when it is woken
//  [x] the desktop window as the primary screen
//  [ ] other control classes (edit boxes, list boxes, check and radio buttons, ...)
//  [ ] menus bars, accelerators, brushes, fonts chosen by the program, bitmaps, regions
//  [ ] keyboard navigation beyond Enter and Escape (Tab order is Qt's own)
#include "QtWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QAbstractItemView>
#include <QTimer>

#include <sys/eventfd.h>
#include <unistd.h>

#include <map>

namespace afx::qt
{
namespace
{
QRect ToQRect(const RECT& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QImage ImageOf(const RcIconImage& image)
{
    QImage q(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            q.setPixel(x, y, image.argb[static_cast<size_t>(y) * image.width + x]);
    return q;
}

// The image Windows would draw at the system's icon size: that size, deepest colours first.
const RcIconImage* BestImage(HICON hIcon, int size)
{
    const RcIconImage* best = nullptr;
    for (const RcIconImage& image : afx::IconOf(hIcon)->images)
    {
        if (best == nullptr)
            best = &image;
        bool fits = image.width == size;
        bool bestFits = best->width == size;
        if ((fits && !bestFits) || (fits == bestFits && image.bitCount > best->bitCount))
            best = &image;
    }
    return best;
}

bool IsClass(HWND h, const char* name)
{
    return afx::Win(h)->className == name;
}
} // namespace

QIcon IconOf(HICON hIcon)
{
    static QHash<HICON, QIcon> cache;
    if (hIcon == nullptr)
        return QIcon();
    auto it = cache.find(hIcon);
    if (it != cache.end())
        return *it;
    QIcon icon;
    for (const RcIconImage& image : afx::IconOf(hIcon)->images)
        icon.addPixmap(QPixmap::fromImage(ImageOf(image)));
    cache.insert(hIcon, icon);
    return icon;
}

QFont DialogFont(const CString& face, int pointSize)
{
    // "MS Sans Serif" and the like: the system's sans font stands in.
    QFont font(QStringLiteral("Sans Serif"));
    if (face != "MS Sans Serif" && face != "MS Shell Dlg" && !face.IsEmpty())
        font.setFamilies({FromCp1252(face), QStringLiteral("Sans Serif")});
    font.setPointSize(pointSize > 0 ? pointSize : 8);
    return font;
}

// ----- Dialog window -----

DialogWidget::DialogWidget(HWND hWnd, QWidget* owner) : QWidget(owner), m_hWnd(hWnd)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    // A modal frame: title, system menu and close box, no maximise nor minimise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    // Desktops keep Alt+Space for their own window menu: the menu key and Shift+F10 open ours.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)})
    {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this] { PopupSystemMenu(mapToGlobal(QPoint(0, 0))); });
    }
}

void DialogWidget::DialogKey(UINT vk)
{
    // The control with the focus, as the layer knows it.
    HWND focus = nullptr;
    for (QWidget* w = QApplication::focusWidget(); w != nullptr && w != this; w = w->parentWidget())
    {
        QVariant v = w->property("afxHwnd");
        if (v.isValid())
        {
            focus = reinterpret_cast<HWND>(v.value<quintptr>());
            break;
        }
    }
    UserPressedDialogKey(m_hWnd, vk, focus);
}

void DialogWidget::PopupSystemMenu(const QPoint& globalPos)
{
    CMenu* menu = afx::Win(m_hWnd)->systemMenu.get();
    if (menu == nullptr)
        return;
    QMenu popup(this);
    for (const CMenu::Item& item : menu->Items())
    {
        if (item.flags & MF_SEPARATOR)
        {
            popup.addSeparator();
            continue;
        }
        QString text = FromCp1252(item.text);
        QString shortcut;
        int tab = text.indexOf('\t');
        if (tab >= 0)
        {
            shortcut = text.mid(tab + 1);
            text = text.left(tab);
        }
        QAction* action = popup.addAction(text);
        if (!shortcut.isEmpty())
            action->setShortcut(QKeySequence(shortcut));
        action->setData(item.id);
    }
    QAction* chosen = popup.exec(globalPos);
    if (chosen != nullptr)
        UserChoseSystemMenu(m_hWnd, chosen->data().toUInt(), POINT{globalPos.x(), globalPos.y()});
}

void DialogWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintWindow(m_hWnd, &painter, true);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    // The window goes only when the dialog ends; the close box is a request.
    event->ignore();
    UserClosedWindow(m_hWnd);
}

void DialogWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key())
    {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() & ~(Qt::KeypadModifier))
                break;
            DialogKey(VK_RETURN);
            return;
        case Qt::Key_Escape:
            DialogKey(VK_ESCAPE);
            return;
        case Qt::Key_Space:
            if (event->modifiers() == Qt::AltModifier)
            {
                PopupSystemMenu(mapToGlobal(QPoint(0, 0)));
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    PopupSystemMenu(event->globalPos());
}

void DialogWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        update();
    QWidget::changeEvent(event);
}

// ----- Static control -----

StaticWidget::StaticWidget(HWND hWnd, QWidget* parent) : QLabel(parent), m_hWnd(hWnd)
{
    DWORD style = afx::Win(hWnd)->style.load();
    DWORD type = style & SS_TYPEMASK;
    Qt::Alignment align = type == SS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft;
    align |= (style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    setAlignment(align);
    setWordWrap(type != SS_ICON && !(style & SS_CENTERIMAGE));
    setTextFormat(Qt::PlainText);
    // A static control paints its own background, as on Windows: a label drawn anew costs
    // the dialog under it nothing.
    if (afx::Win(hWnd)->exStyle & WS_EX_TRANSPARENT)
        setAttribute(Qt::WA_TranslucentBackground);
    else
        setAutoFillBackground(true);
}

void StaticWidget::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    PaintWindow(m_hWnd, &painter, false);
}

// ----- Peers -----

namespace
{
class Peer : public WindowPeer
{
public:
    Peer(HWND hWnd, QWidget* widget) : m_hWnd(hWnd), m_widget(widget) { Changed(~0u); }
    ~Peer() override { delete m_widget.data(); }

    void Changed(unsigned what) override
    {
        QWidget* w = m_widget.data();
        if (w == nullptr)
            return;
        HWND h = m_hWnd;
        bool topLevel = afx::Win(h)->parent == nullptr;
        if (what & ChangeEnabled)
            w->setEnabled(afx::Win(h)->IsEnabled());
        if (what & ChangeGeometry)
        {
            if (topLevel)
                w->setFixedSize(afx::Win(h)->clientWidth.load(), afx::Win(h)->clientHeight.load());
            else
            {
                QRect r = ToQRect(afx::Win(h)->rect);
                if (auto* combo = qobject_cast<QComboBox*>(w))
                    r.setHeight(combo->sizeHint().height());
                w->setGeometry(r);
            }
        }
        if (what & ChangeText)
        {
            QString text = FromCp1252(afx::Win(h)->text);
            if (topLevel)
                w->setWindowTitle(text);
            else if (auto* button = qobject_cast<QPushButton*>(w))
                button->setText(text);
            else if (auto* combo = qobject_cast<QComboBox*>(w))
            {
                QSignalBlocker block(combo);
                if (combo->lineEdit()->text() != text)
                    combo->setEditText(text);
            }
            else if (auto* label = qobject_cast<QLabel*>(w))
            {
                if (afx::Win(h)->staticIcon == nullptr)
                    label->setText(text);
            }
        }
        if (what & ChangeIcon)
        {
            if (topLevel)
            {
                QIcon icon = IconOf(afx::Win(h)->bigIcon);
                for (const QSize& size : IconOf(afx::Win(h)->smallIcon).availableSizes())
                    icon.addPixmap(IconOf(afx::Win(h)->smallIcon).pixmap(size));
                w->setWindowIcon(icon);
            }
            else if (auto* label = qobject_cast<QLabel*>(w))
            {
                if (afx::Win(h)->staticIcon != nullptr)
                    if (const RcIconImage* image = BestImage(afx::Win(h)->staticIcon, 32))
                        label->setPixmap(QPixmap::fromImage(ImageOf(*image)));
            }
        }
        if (what & ChangeItems)
            if (auto* combo = qobject_cast<QComboBox*>(w))
            {
                QSignalBlocker block(combo);
                combo->clear();
                for (const afx::Window::Item& item : afx::Win(h)->items)
                    combo->addItem(FromCp1252(item.text));
            }
        if (what & (ChangeSelection | ChangeItems))
            if (auto* combo = qobject_cast<QComboBox*>(w))
            {
                QSignalBlocker block(combo);
                combo->setCurrentIndex(afx::Win(h)->curSel);
                combo->setEditText(FromCp1252(afx::Win(h)->text));
            }
        if (what & ChangeSlider)
            if (auto* slider = qobject_cast<QSlider*>(w))
            {
                QSignalBlocker block(slider);
                slider->setRange(afx::Win(h)->rangeMin.load(), afx::Win(h)->rangeMax.load());
                slider->setValue(afx::Win(h)->pos.load());
            }
        if (what & ChangeRepaint)
            w->update();
    }

    QWidget* Widget() const { return m_widget.data(); }
    bool IsMinimized() const override { return m_widget && m_widget->isMinimized(); }

    // Top-level windows: the frame's margins, asked of the window manager before the window is
    // first shown, and from then on as the window manager reports them.
    void MeasureFrame() { m_frame = afx::qt::MeasureFrame(m_widget.data()); }

    RECT FrameRect() const override
    {
        if (!m_widget)
            return RECT{0, 0, 0, 0};
        QRect r = m_widget->geometry().marginsAdded(Margins());
        return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }

    void MoveFrameTo(int x, int y) override
    {
        if (!m_widget)
            return;
        // The client area is what Qt places exactly: the frame's top-left lands on (x, y).
        const QMargins m = Margins();
        m_widget->setGeometry(QRect(QPoint(x + m.left(), y + m.top()), m_widget->size()));
    }

    void Show(int nCmdShow) override
    {
        QWidget* w = m_widget.data();
        if (w == nullptr)
            return;
        if (w->isWindow() && afx::Win(m_hWnd)->inModalLoop && !w->isVisible())
            w->setWindowModality(Qt::ApplicationModal);
        switch (nCmdShow)
        {
            case SW_HIDE:
                w->hide();
                break;
            case SW_MINIMIZE:
                w->showMinimized();
                break;
            case SW_RESTORE:
                w->showNormal();
                break;
            default:
                if (w->isWindow() && w->isMinimized())
                    w->showNormal();
                else
                    w->show();
                break;
        }
    }

    POINT ClientOrigin() const override
    {
        if (!m_widget)
            return POINT{0, 0};
        QPoint p = m_widget->mapToGlobal(QPoint(0, 0));
        return POINT{p.x(), p.y()};
    }

    void RaiseToTop() override
    {
        if (m_widget)
            m_widget->raise();
    }

private:
    QMargins Margins() const
    {
        QWidget* w = m_widget.data();
        if (w != nullptr && w->isVisible() && w->frameGeometry() != w->geometry())
            return QMargins(w->geometry().left() - w->frameGeometry().left(),
                            w->geometry().top() - w->frameGeometry().top(),
                            w->frameGeometry().right() - w->geometry().right(),
                            w->frameGeometry().bottom() - w->geometry().bottom());
        return m_frame;
    }

    HWND m_hWnd;
    QPointer<QWidget> m_widget;
    QMargins m_frame;
};

// A closed editable combo box keeps Enter and Escape for itself; in a dialog they are the
// dialog's, as on Windows.
class DialogKeysOfCombo : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* combo = qobject_cast<QComboBox*>(watched);
        auto* dialog = combo ? qobject_cast<DialogWidget*>(combo->window()) : nullptr;
        if (dialog == nullptr || combo->view()->isVisible())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & ~Qt::KeypadModifier);
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
            dialog->DialogKey(VK_RETURN);
        else if (plain && key->key() == Qt::Key_Escape)
            dialog->DialogKey(VK_ESCAPE);
        else
            return false;
        return true;
    }
};

QWidget* CreateControl(HWND h, QWidget* parent)
{
    if (IsClass(h, "BUTTON"))
    {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, button, [h] { UserClickedButton(h); });
        return button;
    }
    if (IsClass(h, "COMBOBOX"))
    {
        auto* combo = new QComboBox(parent);
        // The program's combo boxes are drop-downs (CBS_DROPDOWN): the field can be typed in.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(10);
        combo->installEventFilter(new DialogKeysOfCombo(combo));
        QObject::connect(combo, &QComboBox::activated, combo,
                         [h](int index) { UserSelectedComboItem(h, index); });
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                         [h](const QString& text) { UserEditedComboText(h, ToCp1252(text)); });
        return combo;
    }
    if (IsClass(h, "msctls_trackbar32"))
    {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition(QSlider::NoTicks);
        // Opaque, as a trackbar is: its moves repaint it alone.
        slider->setAutoFillBackground(true);
        return slider;
    }
    return new StaticWidget(h, parent);
}
} // namespace

// ----- Back end -----

struct WindowsBackend::Impl
{
    std::map<HWND, QEventLoop*> loops;
    int wakeFd = -1;
    QSocketNotifier* notifier = nullptr;
    QTimer* throttle = nullptr;
    QElapsedTimer sinceLast;

    void Process()
    {
        sinceLast.restart();
        ProcessPendingUpdates();
    }

    void Woken()
    {
        eventfd_t value = 0;
        eventfd_read(wakeFd, &value);
        // One screen update per frame is all anyone sees; the slot keeps the newest meanwhile.
        constexpr int kFrameMs = 16;
        if (sinceLast.isValid() && sinceLast.elapsed() < kFrameMs)
        {
            if (!throttle->isActive())
                throttle->start(static_cast<int>(kFrameMs - sinceLast.elapsed()));
            return;
        }
        Process();
    }
};

WindowsBackend::WindowsBackend() : m_impl(std::make_unique<Impl>())
{
    m_impl->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_impl->notifier = new QSocketNotifier(m_impl->wakeFd, QSocketNotifier::Read, qApp);
    QObject::connect(m_impl->notifier, &QSocketNotifier::activated, qApp,
                     [impl = m_impl.get()] { impl->Woken(); });
    m_impl->throttle = new QTimer(qApp);
    m_impl->throttle->setSingleShot(true);
    QObject::connect(m_impl->throttle, &QTimer::timeout, qApp,
                     [impl = m_impl.get()] { impl->Process(); });
}

WindowsBackend::~WindowsBackend()
{
    delete m_impl->notifier;
    delete m_impl->throttle;
    if (m_impl->wakeFd >= 0)
        ::close(m_impl->wakeFd);
}

SIZE WindowsBackend::DialogBaseUnits(const CString& fontFace, int pointSize)
{
    QFontMetrics metrics(DialogFont(fontFace, pointSize));
    int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

std::unique_ptr<WindowPeer> WindowsBackend::CreatePeer(HWND hWnd)
{
    QWidget* widget = nullptr;
    if (afx::Win(hWnd)->parent == nullptr)
    {
        QWidget* owner = nullptr;
        if (afx::Win(hWnd)->owner != nullptr && afx::Win(afx::Win(hWnd)->owner)->peer)
            owner = static_cast<Peer*>(afx::Win(afx::Win(hWnd)->owner)->peer.get())->Widget();
        auto* dialog = new DialogWidget(hWnd, owner);
        dialog->setFont(DialogFont(CString("MS Sans Serif"), 8));
        dialog->setProperty("afxHwnd", QVariant::fromValue(reinterpret_cast<quintptr>(hWnd)));
        const POINT at{afx::Win(hWnd)->rect.left, afx::Win(hWnd)->rect.top};
        auto peer = std::make_unique<Peer>(hWnd, dialog);
        // The platform window exists from the start, frame included, as a window does on Windows
        // before it is shown: placement code sees its full size.
        dialog->winId();
        peer->MeasureFrame();
        peer->MoveFrameTo(at.x, at.y);
        return peer;
    }
    // Every peer is this back end's: the parent's widget holds the child.
    QWidget* parent = nullptr;
    if (afx::Win(afx::Win(hWnd)->parent)->peer)
        parent = static_cast<Peer*>(afx::Win(afx::Win(hWnd)->parent)->peer.get())->Widget();
    widget = CreateControl(hWnd, parent);
    widget->show();
    // Lets tools and tests find the widget of a window.
    widget->setProperty("afxHwnd", QVariant::fromValue(reinterpret_cast<quintptr>(hWnd)));
    return std::make_unique<Peer>(hWnd, widget);
}

void WindowsBackend::RunModalLoop(HWND hWnd)
{
    QEventLoop loop;
    m_impl->loops[hWnd] = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_impl->loops.erase(hWnd);
}

void WindowsBackend::EndModalLoop(HWND hWnd)
{
    auto it = m_impl->loops.find(hWnd);
    if (it != m_impl->loops.end())
        it->second->quit();
}

RECT WindowsBackend::DesktopRect()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect r = screen != nullptr ? screen->geometry() : QRect(0, 0, 800, 600);
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void WindowsBackend::WakeInterfaceThread()
{
    eventfd_write(m_impl->wakeFd, 1);
}

void WindowsBackend::Execute(void* painter, const DrawOp& op)
{
    auto* p = static_cast<QPainter*>(painter);
    if (p == nullptr)
        return;
    if (op.kind == DrawOp::Icon)
    {
        const RcIconImage* image = op.icon != nullptr ? BestImage(op.icon, 32) : nullptr;
        if (image != nullptr)
            p->drawImage(QPoint(op.from.x, op.from.y), ImageOf(*image));
        return;
    }
    QColor color(GetRValue(op.pen.color), GetGValue(op.pen.color), GetBValue(op.pen.color));
    // Every pen is solid (PS_SOLID); a wide pen of Windows has round ends and joins.
    QPen pen(color, op.pen.width < 1 ? 1 : op.pen.width, Qt::SolidLine, Qt::RoundCap,
             Qt::RoundJoin);
    p->setPen(pen);
    p->drawLine(QPoint(op.from.x, op.from.y), QPoint(op.to.x, op.to.y));
}
} // namespace afx::qt
