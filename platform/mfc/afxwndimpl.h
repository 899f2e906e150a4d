// The layer's own state of every window, and the contract of a window back end.
//
// The core (platform/mfc) keeps what a window is (its id, class, styles, text, rectangle, a combo
// box's entries, a slider's range and position, what was drawn into it) and carries out the
// framework's logic on it: message maps, default processing, dialog templates and units, data
// exchange, the rules of combo boxes and sliders, the system menu, Enter and Escape.
// A back end (platform/qt) shows it.
//
// Threads. Every call into a back end and every User* call out of it happens on the interface
// thread, with one exception: WakeInterfaceThread, which any thread may call and which must not
// wait for the interface thread. Other threads never reach a peer: their screen requests are
// queued by the core (afxupdate.cpp) and carried out when the back end, once woken, calls
// ProcessPendingUpdates on the interface thread.
//
// What the core has done before it calls a peer: the window's state (afx::Window below) already
// holds the new values, clamped and checked as the framework does (a slider's position within its
// range, a combo box's selection within its entries); Changed says which of them changed.
//
// What a back end must do:
//   - CreatePeer: one peer per window, children after their dialog; a top-level window is
//     created (its platform window and frame exist) but not shown, so that placement code sees
//     its full size; its frame's top-left at rect.left, rect.top.
//   - Changed: show the state named by the bits; nothing else changes it.
//   - turn what the user does into the User* calls at the end of this file, and nothing else
//     (no message of its own to the framework's windows).
//   - RunModalLoop returns only after EndModalLoop for that window.
//   - install the presenters of message boxes and file dialogs (afxpresenters.h) at start-up;
//     until then a message box goes to the console and a file dialog is cancelled.
// What a peer may read of a Window: everything, on the interface thread; from WakeInterfaceThread,
// nothing.
#pragma once

#include "afxresources.h"
#include "afxwin.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace afx
{
// The program's pens are all solid (PS_SOLID): a pen is its width and colour.
struct PenDesc
{
    int width = 1;
    COLORREF color = RGB(0, 0, 0);
    bool operator==(const PenDesc&) const = default;
};

// One drawing operation, in the client coordinates of the window it was drawn into.
struct DrawOp
{
    enum Kind
    {
        Line,
        Icon
    } kind = Line;
    PenDesc pen;
    POINT from{0, 0};
    POINT to{0, 0};
    HICON icon = nullptr;
    bool operator==(const DrawOp& o) const
    {
        return kind == o.kind && pen == o.pen && from.x == o.from.x && from.y == o.from.y &&
               to.x == o.to.x && to.y == o.to.y && icon == o.icon;
    }
};

// Adds an operation to a drawing. A line drawn again covers exactly the pixels it covered
// before, so its earlier copy goes: a window drawn over and over keeps a bounded drawing.
void AppendDraw(std::vector<DrawOp>& drawing, const DrawOp& op);

// What changed in a window's state, for its peer.
enum Change : unsigned
{
    ChangeText = 1u << 0,
    ChangeEnabled = 1u << 1,
    ChangeGeometry = 1u << 2,
    ChangeVisible = 1u << 3,
    ChangeItems = 1u << 4,
    ChangeSelection = 1u << 5,
    ChangeSlider = 1u << 6,
    ChangeIcon = 1u << 7,
    ChangeRepaint = 1u << 8
};

class WindowPeer
{
public:
    virtual ~WindowPeer() = default;
    // Reflect the state of its window that changed.
    virtual void Changed(unsigned what) = 0;
    virtual bool IsMinimized() const = 0;
    // Top-level windows: the screen rectangle of the window with the frame the window manager
    // gives it (measured, even before the window is first shown), and moving that frame's
    // top-left corner to a point of the screen.
    virtual RECT FrameRect() const = 0;
    virtual void MoveFrameTo(int x, int y) = 0;
    virtual void Show(int nCmdShow) = 0;
    // Screen position of the client area's origin.
    virtual POINT ClientOrigin() const = 0;
    virtual void RaiseToTop() = 0;
};

class WindowBackend
{
public:
    virtual ~WindowBackend() = default;
    // Base units of a dialog font, as Windows computes them: the average width of the letters
    // A-Z a-z rounded up to a whole pixel, and the font's height.
    virtual SIZE DialogBaseUnits(const CString& fontFace, int pointSize) = 0;
    virtual std::unique_ptr<WindowPeer> CreatePeer(HWND hWnd) = 0;
    virtual void RunModalLoop(HWND hWnd) = 0;
    virtual void EndModalLoop(HWND hWnd) = 0;
    virtual RECT DesktopRect() = 0;
    // Any thread: have the interface thread call ProcessPendingUpdates soon.
    virtual void WakeInterfaceThread() = 0;
    // Draws one operation with the painter of the paint in progress.
    virtual void Execute(void* painter, const DrawOp& op) = 0;
};

void SetWindowBackend(WindowBackend* backend);
// Interface thread: something a peer shows was changed (afxupdate.cpp).
void NoteScreenChange();
WindowBackend* GetWindowBackend();
void SetInterfaceThread();

// ----- What the user did, reported by the back end on the interface thread -----
void UserClickedButton(HWND hButton);
void UserSelectedComboItem(HWND hCombo, int nIndex);
void UserEditedComboText(HWND hCombo, const CString& text);
// Enter (VK_RETURN) and Escape (VK_ESCAPE) in a dialog; hFocus is the control that has the
// keyboard focus, if any.
void UserPressedDialogKey(HWND hDlg, UINT vk, HWND hFocus = nullptr);
void UserClosedWindow(HWND hWnd);
void UserChoseSystemMenu(HWND hWnd, UINT nID, POINT screenPos);

// The peer's paint: calls the window's WM_PAINT handling with the painter in place (dialogs), then
// the retained drawing of the window.
void PaintWindow(HWND hWnd, void* painter, bool sendPaintMessage);
} // namespace afx

// The layer's state behind each handle it gives out. A handle is the address of its state, cast
// to the handle type, so that it stays opaque to the program whichever platform's headers
// declare it (on Windows, HWND is the system's own type, and the layer's windows are not
// Windows' windows).
namespace afx
{
struct Icon
{
    int id = 0;
    std::vector<afx::RcIconImage> images;
};

struct Pen
{
    afx::PenDesc pen;
};

struct DeviceContext
{
    HWND hWnd = nullptr;
    bool paint = false;
    void* painter = nullptr;
    POINT position{0, 0};
    afx::PenDesc pen;
};

struct Window
{
    std::uint64_t serial = 0;
    HWND parent = nullptr;
    // Top-level windows: the window that owns it (stays below it, places its dialogs).
    HWND owner = nullptr;
    std::vector<std::unique_ptr<Window>> children;

    // The permanent object of the window: the one attached (DDX_Control), else a wrapper.
    std::atomic<CWnd*> pWnd{nullptr};
    std::unique_ptr<CWnd> wrapper;

    int id = 0;
    bool isDesktop = false;
    CString className;
    std::atomic<DWORD> style{0};
    DWORD exStyle = 0;
    CString text;

    // Children: the window rectangle in the parent's client coordinates. Top-level windows: the
    // screen position of the frame's top-left corner until the peer exists, then the client size;
    // the peer knows where the frame is.
    RECT rect{0, 0, 0, 0};
    std::atomic<int> clientWidth{0};
    std::atomic<int> clientHeight{0};

    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON staticIcon = nullptr;
    std::unique_ptr<CMenu> systemMenu;

    // Combo boxes
    struct Item
    {
        CString text;
        DWORD_PTR data = 0;
    };
    std::vector<Item> items;
    int curSel = CB_ERR;

    // Sliders
    std::atomic<int> rangeMin{0};
    std::atomic<int> rangeMax{100};
    std::atomic<int> pos{0};

    // What was drawn through a client DC since the last invalidation.
    std::vector<afx::DrawOp> retained;
    void* painter = nullptr; // during a paint
    // Windows painted by their WM_PAINT handling: what it drew at the last paint. While a paint
    // records, its drawing also goes to `recording`; a rehearsal draws nowhere else.
    bool paintsByMessage = false;
    std::vector<afx::DrawOp> painted;
    std::vector<afx::DrawOp>* recording = nullptr;
    bool rehearsing = false;

    // Dialogs: the template they were made from, as the system's own dialogs are.
    int templateId = 0;
    bool inModalLoop = false;
    bool endRequested = false;
    int modalResult = -1;

    std::unique_ptr<afx::WindowPeer> peer;

    bool IsEnabled() const { return (style.load() & WS_DISABLED) == 0; }
    void Notify(unsigned what)
    {
        afx::NoteScreenChange();
        if (peer)
            peer->Changed(what);
    }
};

inline Window* Win(HWND h)
{
    return reinterpret_cast<Window*>(h);
}
inline HWND ToHwnd(Window* w)
{
    return reinterpret_cast<HWND>(w);
}
inline Icon* IconOf(HICON h)
{
    return reinterpret_cast<Icon*>(h);
}
inline HICON ToHicon(Icon* i)
{
    return reinterpret_cast<HICON>(i);
}
inline DeviceContext* DcOf(HDC h)
{
    return reinterpret_cast<DeviceContext*>(h);
}
inline HDC ToHdc(DeviceContext* dc)
{
    return reinterpret_cast<HDC>(dc);
}
inline Pen* PenOf(HGDIOBJ h)
{
    return reinterpret_cast<Pen*>(h);
}
inline HGDIOBJ ToHgdiobj(Pen* pen)
{
    return reinterpret_cast<HGDIOBJ>(pen);
}

// Compares bytes with ASCII letters folded to one case, every other byte by its unsigned value:
// the order of sorted combo boxes and the match of class names, the same on every platform
// whatever the C library's locale.
int CompareNoCase(const char* a, const char* b);

// Windows of the interface thread, and the worker batches addressed to them.
bool IsLiveWindow(HWND hWnd, std::uint64_t serial);
void RegisterWindow(HWND hWnd);
void UnregisterWindow(HWND hWnd);
HWND CreateDialogWindow(CDialog* pDlg, UINT nIDTemplate, CWnd* pParent);
void DestroyWindowTree(HWND hWnd);
HICON LoadIconResource(UINT nID);

// The worker side of the batches (afxupdate.cpp).
void QueueSetPos(HWND hWnd, int pos);
void QueueInvalidate(HWND hWnd);
void QueueDraw(HWND hWnd, const DrawOp& op);
void PublishPendingUpdates();

// Interface thread: carry out now.
void ApplyInvalidate(HWND hWnd);
void ApplyDraw(HWND hWnd, const DrawOp& op);
void ApplySetPos(HWND hWnd, int pos);
int ClampToRange(HWND hWnd, int pos);
// What the WM_PAINT handling of a window would draw now, drawn nowhere.
std::vector<DrawOp> RehearsePaint(HWND hWnd);
} // namespace afx
