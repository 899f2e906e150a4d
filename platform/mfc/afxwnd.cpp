// Windows: the layer's window state, its registry, and the CWnd operations on it.
#include "afxwndimpl.h"

#include <atomic>
#include <thread>
#include <unordered_map>

namespace
{
afx::WindowBackend* g_backend = nullptr;
std::atomic<bool> g_interfaceThreadSet{false};
std::thread::id g_interfaceThread;
std::uint64_t g_nextSerial = 1;
std::unordered_map<HWND, std::uint64_t>& Registry()
{
    static std::unordered_map<HWND, std::uint64_t> registry;
    return registry;
}

void ForEachWindow(HWND h, void (*fn)(HWND))
{
    fn(h);
    for (auto& child : afx::Win(h)->children)
        ForEachWindow(afx::ToHwnd(child.get()), fn);
}

HWND DesktopHandle()
{
    static afx::Window desktop;
    desktop.isDesktop = true;
    return afx::ToHwnd(&desktop);
}
} // namespace

namespace afx
{
void SetWindowBackend(WindowBackend* backend)
{
    g_backend = backend;
}

WindowBackend* GetWindowBackend()
{
    return g_backend;
}

void SetInterfaceThread()
{
    g_interfaceThread = std::this_thread::get_id();
    g_interfaceThreadSet.store(true, std::memory_order_release);
}

bool IsInterfaceThread()
{
    if (!g_interfaceThreadSet.load(std::memory_order_acquire))
        return true;
    return std::this_thread::get_id() == g_interfaceThread;
}

void RegisterWindow(HWND hWnd)
{
    afx::Win(hWnd)->serial = g_nextSerial++;
    Registry()[hWnd] = afx::Win(hWnd)->serial;
    NoteScreenChange();
}

void UnregisterWindow(HWND hWnd)
{
    Registry().erase(hWnd);
    NoteScreenChange();
}

bool IsLiveWindow(HWND hWnd, std::uint64_t serial)
{
    auto it = Registry().find(hWnd);
    return it != Registry().end() && it->second == serial;
}

void DestroyWindowTree(HWND hWnd)
{
    // Children's peers go first: a back end's child widgets belong to their parent's widget.
    for (auto& child : afx::Win(hWnd)->children)
        DestroyWindowTree(ToHwnd(child.get()));
    afx::Win(hWnd)->peer.reset();
    CWnd* pWnd = afx::Win(hWnd)->pWnd.load();
    if (pWnd != nullptr)
        pWnd->m_hWnd = nullptr;
    if (afx::Win(hWnd)->wrapper)
        afx::Win(hWnd)->wrapper->m_hWnd = nullptr;
    afx::Win(hWnd)->pWnd = nullptr;
    UnregisterWindow(hWnd);
}

int ClampToRange(HWND hWnd, int pos)
{
    int lo = afx::Win(hWnd)->rangeMin.load();
    int hi = afx::Win(hWnd)->rangeMax.load();
    if (pos > hi)
        pos = hi;
    if (pos < lo)
        pos = lo;
    return pos;
}

void ApplySetPos(HWND hWnd, int pos)
{
    pos = ClampToRange(hWnd, pos);
    if (pos == afx::Win(hWnd)->pos.load())
        return;
    afx::Win(hWnd)->pos.store(pos);
    afx::Win(hWnd)->Notify(ChangeSlider);
}

void ApplyInvalidate(HWND hWnd)
{
    ForEachWindow(hWnd,
                  [](HWND h)
                  {
                      afx::Win(h)->retained.clear();
                      afx::Win(h)->Notify(ChangeRepaint);
                  });
}

void ApplyDraw(HWND hWnd, const DrawOp& op)
{
    AppendDraw(afx::Win(hWnd)->retained, op);
    afx::Win(hWnd)->Notify(ChangeRepaint);
}

void PaintWindow(HWND hWnd, void* painter, bool sendPaintMessage)
{
    afx::Win(hWnd)->painter = painter;
    CWnd* pWnd = afx::Win(hWnd)->pWnd.load();
    if (sendPaintMessage && pWnd != nullptr)
    {
        std::vector<DrawOp> drawn;
        afx::Win(hWnd)->recording = &drawn;
        pWnd->SendMessage(WM_PAINT);
        afx::Win(hWnd)->recording = nullptr;
        afx::Win(hWnd)->painted = std::move(drawn);
        afx::Win(hWnd)->paintsByMessage = true;
    }
    if (g_backend != nullptr)
        for (const DrawOp& op : afx::Win(hWnd)->retained)
            g_backend->Execute(painter, op);
    afx::Win(hWnd)->painter = nullptr;
}

std::vector<DrawOp> RehearsePaint(HWND hWnd)
{
    std::vector<DrawOp> drawn;
    CWnd* pWnd = afx::Win(hWnd)->pWnd.load();
    if (pWnd == nullptr || afx::Win(hWnd)->recording != nullptr)
        return drawn;
    afx::Win(hWnd)->recording = &drawn;
    afx::Win(hWnd)->rehearsing = true;
    pWnd->SendMessage(WM_PAINT);
    afx::Win(hWnd)->rehearsing = false;
    afx::Win(hWnd)->recording = nullptr;
    return drawn;
}

void UserClickedButton(HWND hButton)
{
    if (!afx::Win(hButton)->IsEnabled() || afx::Win(hButton)->parent == nullptr)
        return;
    CWnd* pParent = afx::Win(afx::Win(hButton)->parent)->pWnd.load();
    if (pParent != nullptr)
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(afx::Win(hButton)->id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(hButton));
}

void UserSelectedComboItem(HWND hCombo, int nIndex)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(afx::Win(hCombo)->items.size()))
        return;
    afx::Win(hCombo)->curSel = nIndex;
    afx::Win(hCombo)->text = afx::Win(hCombo)->items[nIndex].text;
    if (afx::Win(hCombo)->parent == nullptr)
        return;
    CWnd* pParent = afx::Win(afx::Win(hCombo)->parent)->pWnd.load();
    if (pParent != nullptr)
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(afx::Win(hCombo)->id, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(hCombo));
}

void UserEditedComboText(HWND hCombo, const CString& text)
{
    // Typed text is no entry of the list: the selection goes, as on Windows.
    afx::Win(hCombo)->text = text;
    afx::Win(hCombo)->curSel = CB_ERR;
}

void UserPressedDialogKey(HWND hDlg, UINT vk, HWND hFocus)
{
    CWnd* pDlg = afx::Win(hDlg)->pWnd.load();
    if (pDlg == nullptr)
        return;
    if (vk == VK_ESCAPE)
    {
        pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    if (vk != VK_RETURN)
        return;
    auto isPushButton = [](HWND h)
    {
        DWORD type = afx::Win(h)->style.load() & BS_TYPEMASK;
        return afx::CompareNoCase(afx::Win(h)->className, "BUTTON") == 0 &&
               (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
    };
    auto click = [pDlg](HWND h)
    {
        pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(afx::Win(h)->id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(h));
    };
    // A push button with the focus is the default one for as long as it has it.
    if (hFocus != nullptr && afx::Win(hFocus)->parent == hDlg && isPushButton(hFocus) &&
        afx::Win(hFocus)->IsEnabled())
    {
        click(hFocus);
        return;
    }
    // Otherwise the dialog's default button, and nothing at all while it is disabled: Enter must
    // not end the tuner because GO is unavailable.
    for (auto& child : afx::Win(hDlg)->children)
        if (isPushButton(ToHwnd(child.get())) &&
            (child->style.load() & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        {
            if (child->IsEnabled())
                click(ToHwnd(child.get()));
            return;
        }
    pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void UserClosedWindow(HWND hWnd)
{
    CWnd* pWnd = afx::Win(hWnd)->pWnd.load();
    if (pWnd != nullptr)
        pWnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void UserChoseSystemMenu(HWND hWnd, UINT nID, POINT screenPos)
{
    CWnd* pWnd = afx::Win(hWnd)->pWnd.load();
    if (pWnd != nullptr)
        pWnd->SendMessage(WM_SYSCOMMAND, nID, MAKELONG(screenPos.x, screenPos.y));
}
} // namespace afx

// ---------------------------------------------------------------------------------------------

namespace
{
// The application lets go of its main window when that window goes, as the framework does, so
// that no later dialog takes a dead window as its owner.
void ForgetMainWindow(const CWnd* pWnd)
{
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == pWnd)
        app->m_pMainWnd = nullptr;
}
} // namespace

const CWnd CWnd::wndTop;

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    ForgetMainWindow(this);
    if (m_hWnd == nullptr)
        return;
    if (afx::Win(m_hWnd)->parent == nullptr && !afx::Win(m_hWnd)->isDesktop &&
        afx::Win(m_hWnd)->pWnd.load() == this)
    {
        DestroyWindow();
        return;
    }
    // A control attached by DDX_Control goes back to the layer's wrapper.
    if (afx::Win(m_hWnd)->pWnd.load() == this)
        afx::Win(m_hWnd)->pWnd = afx::Win(m_hWnd)->wrapper.get();
}

BOOL CWnd::DestroyWindow()
{
    HWND h = m_hWnd;
    if (h == nullptr)
        return FALSE;
    if (afx::Win(h)->parent != nullptr || afx::Win(h)->isDesktop)
        return FALSE;
    SendMessage(WM_DESTROY);
    ForgetMainWindow(this);
    afx::DestroyWindowTree(h);
    delete afx::Win(h);
    return TRUE;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    if (m_hWnd == nullptr)
        return nullptr;
    for (auto& child : afx::Win(m_hWnd)->children)
        if (child->id == nID)
            return child->pWnd.load();
    return nullptr;
}

CWnd* CWnd::GetDesktopWindow()
{
    static CWnd desktop;
    if (desktop.m_hWnd == nullptr)
    {
        desktop.m_hWnd = DesktopHandle();
        afx::Win(desktop.m_hWnd)->pWnd = &desktop;
    }
    return &desktop;
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    if (m_hWnd == nullptr)
        return;
    if (afx::Win(m_hWnd)->text == lpszString)
        return;
    afx::Win(m_hWnd)->text = lpszString;
    afx::Win(m_hWnd)->Notify(afx::ChangeText);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    if (m_hWnd == nullptr)
        return FALSE;
    DWORD style = afx::Win(m_hWnd)->style.load();
    BOOL wasDisabled = (style & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable)
        return wasDisabled;
    afx::Win(m_hWnd)->style.store(bEnable ? (style & ~static_cast<DWORD>(WS_DISABLED))
                                          : (style | static_cast<DWORD>(WS_DISABLED)));
    afx::Win(m_hWnd)->Notify(afx::ChangeEnabled);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    return m_hWnd != nullptr && afx::Win(m_hWnd)->IsEnabled();
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    if (m_hWnd == nullptr)
        return FALSE;
    DWORD style = afx::Win(m_hWnd)->style.load();
    BOOL wasVisible = (style & WS_VISIBLE) != 0;
    if (nCmdShow == SW_HIDE)
        style &= ~static_cast<DWORD>(WS_VISIBLE);
    else
        style |= WS_VISIBLE;
    afx::Win(m_hWnd)->style.store(style);
    if (afx::Win(m_hWnd)->peer)
        afx::Win(m_hWnd)->peer->Show(nCmdShow);
    return wasVisible;
}

BOOL CWnd::IsIconic() const
{
    return m_hWnd != nullptr && afx::Win(m_hWnd)->peer && afx::Win(m_hWnd)->peer->IsMinimized();
}

void CWnd::Invalidate(BOOL)
{
    if (m_hWnd == nullptr)
        return;
    // Erased or not, a repaint covers what a client DC drew.
    if (afx::IsInterfaceThread())
        afx::ApplyInvalidate(m_hWnd);
    else
        afx::QueueInvalidate(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    *lpRect = RECT{0, 0, 0, 0};
    if (m_hWnd == nullptr)
        return;
    if (afx::Win(m_hWnd)->isDesktop)
    {
        GetWindowRect(lpRect);
        lpRect->right -= lpRect->left;
        lpRect->bottom -= lpRect->top;
        lpRect->left = lpRect->top = 0;
        return;
    }
    lpRect->right = afx::Win(m_hWnd)->clientWidth.load();
    lpRect->bottom = afx::Win(m_hWnd)->clientHeight.load();
}

DWORD CWnd::GetStyle() const
{
    return m_hWnd != nullptr ? afx::Win(m_hWnd)->style.load() : 0;
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    *lpRect = RECT{0, 0, 0, 0};
    if (m_hWnd == nullptr)
        return;
    afx::WindowBackend* backend = afx::GetWindowBackend();
    if (afx::Win(m_hWnd)->isDesktop)
    {
        if (backend != nullptr)
            *lpRect = backend->DesktopRect();
        return;
    }
    if (afx::Win(m_hWnd)->parent == nullptr)
    {
        if (afx::Win(m_hWnd)->peer)
            *lpRect = afx::Win(m_hWnd)->peer->FrameRect();
        else
            *lpRect = RECT{0, 0, afx::Win(m_hWnd)->clientWidth.load(),
                           afx::Win(m_hWnd)->clientHeight.load()};
        return;
    }
    POINT origin{0, 0};
    if (afx::Win(afx::Win(m_hWnd)->parent)->peer)
        origin = afx::Win(afx::Win(m_hWnd)->parent)->peer->ClientOrigin();
    *lpRect =
        RECT{origin.x + afx::Win(m_hWnd)->rect.left, origin.y + afx::Win(m_hWnd)->rect.top,
             origin.x + afx::Win(m_hWnd)->rect.right, origin.y + afx::Win(m_hWnd)->rect.bottom};
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    // The program places its dialogs, never their controls.
    HWND h = m_hWnd;
    if (h == nullptr || afx::Win(h)->isDesktop || afx::Win(h)->parent != nullptr)
        return FALSE;
    if (!(nFlags & SWP_NOSIZE))
    {
        // The frame keeps its thickness: the client area takes the difference.
        RECT frame = afx::Win(h)->peer
                         ? afx::Win(h)->peer->FrameRect()
                         : RECT{0, 0, afx::Win(h)->clientWidth, afx::Win(h)->clientHeight};
        int extraW = (frame.right - frame.left) - afx::Win(h)->clientWidth.load();
        int extraH = (frame.bottom - frame.top) - afx::Win(h)->clientHeight.load();
        afx::Win(h)->clientWidth = cx - extraW > 0 ? cx - extraW : 0;
        afx::Win(h)->clientHeight = cy - extraH > 0 ? cy - extraH : 0;
        afx::Win(h)->Notify(afx::ChangeGeometry);
    }
    if (!(nFlags & SWP_NOMOVE) && afx::Win(h)->peer)
        afx::Win(h)->peer->MoveFrameTo(x, y);
    if (pWndInsertAfter == &wndTop && !(nFlags & SWP_NOZORDER) && afx::Win(h)->peer)
        afx::Win(h)->peer->RaiseToTop();
    return TRUE;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    if (m_hWnd == nullptr)
        return nullptr;
    HICON& slot = bBigIcon ? afx::Win(m_hWnd)->bigIcon : afx::Win(m_hWnd)->smallIcon;
    HICON previous = slot;
    slot = hIcon;
    afx::Win(m_hWnd)->Notify(afx::ChangeIcon);
    return previous;
}

CMenu* CWnd::GetSystemMenu(BOOL) const
{
    // The program only adds to the menu; it never asks for the system's own back.
    if (m_hWnd == nullptr || (afx::Win(m_hWnd)->style.load() & WS_SYSMENU) == 0 ||
        !afx::Win(m_hWnd)->systemMenu)
        return nullptr;
    return afx::Win(m_hWnd)->systemMenu.get();
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    if (m_hWnd == nullptr)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    CWnd* pItem = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pItem != nullptr)
    {
        rControl.m_hWnd = pItem->m_hWnd;
        afx::Win(pItem->m_hWnd)->pWnd = &rControl;
    }
}
