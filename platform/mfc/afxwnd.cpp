// Windows: the layer's window state, its registry, and the CWnd operations on it.
#include "afxwndimpl.h"

#include <atomic>
#include <strings.h>
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
    for (auto& child : h->children)
        ForEachWindow(child.get(), fn);
}

HWND DesktopHandle()
{
    static HWND__ desktop;
    desktop.isDesktop = true;
    return &desktop;
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
    hWnd->serial = g_nextSerial++;
    Registry()[hWnd] = hWnd->serial;
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
    for (auto& child : hWnd->children)
        DestroyWindowTree(child.get());
    hWnd->peer.reset();
    CWnd* pWnd = hWnd->pWnd.load();
    if (pWnd != nullptr)
        pWnd->m_hWnd = nullptr;
    if (hWnd->wrapper)
        hWnd->wrapper->m_hWnd = nullptr;
    hWnd->pWnd = nullptr;
    UnregisterWindow(hWnd);
}

int ClampToRange(HWND hWnd, int pos)
{
    int lo = hWnd->rangeMin.load();
    int hi = hWnd->rangeMax.load();
    if (pos > hi)
        pos = hi;
    if (pos < lo)
        pos = lo;
    return pos;
}

void ApplySetPos(HWND hWnd, int pos)
{
    pos = ClampToRange(hWnd, pos);
    if (pos == hWnd->pos.load())
        return;
    hWnd->pos.store(pos);
    hWnd->Notify(ChangeSlider);
}

void ApplyInvalidate(HWND hWnd)
{
    ForEachWindow(hWnd,
                  [](HWND h)
                  {
                      h->retained.clear();
                      h->Notify(ChangeRepaint);
                  });
}

void ApplyDraw(HWND hWnd, const DrawOp& op)
{
    AppendDraw(hWnd->retained, op);
    hWnd->Notify(ChangeRepaint);
}

void PaintWindow(HWND hWnd, void* painter, bool sendPaintMessage)
{
    hWnd->painter = painter;
    CWnd* pWnd = hWnd->pWnd.load();
    if (sendPaintMessage && pWnd != nullptr)
    {
        std::vector<DrawOp> drawn;
        hWnd->recording = &drawn;
        pWnd->SendMessage(WM_PAINT);
        hWnd->recording = nullptr;
        hWnd->painted = std::move(drawn);
        hWnd->paintsByMessage = true;
    }
    if (g_backend != nullptr)
        for (const DrawOp& op : hWnd->retained)
            g_backend->Execute(painter, op);
    hWnd->painter = nullptr;
}

std::vector<DrawOp> RehearsePaint(HWND hWnd)
{
    std::vector<DrawOp> drawn;
    CWnd* pWnd = hWnd->pWnd.load();
    if (pWnd == nullptr || hWnd->recording != nullptr)
        return drawn;
    hWnd->recording = &drawn;
    hWnd->rehearsing = true;
    pWnd->SendMessage(WM_PAINT);
    hWnd->rehearsing = false;
    hWnd->recording = nullptr;
    return drawn;
}

void UserClickedButton(HWND hButton)
{
    if (!hButton->IsEnabled() || hButton->parent == nullptr)
        return;
    CWnd* pParent = hButton->parent->pWnd.load();
    if (pParent != nullptr)
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(hButton->id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(hButton));
}

void UserSelectedComboItem(HWND hCombo, int nIndex)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(hCombo->items.size()))
        return;
    hCombo->curSel = nIndex;
    hCombo->text = hCombo->items[nIndex].text;
    if (hCombo->parent == nullptr)
        return;
    CWnd* pParent = hCombo->parent->pWnd.load();
    if (pParent != nullptr)
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(hCombo->id, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(hCombo));
}

void UserEditedComboText(HWND hCombo, const CString& text)
{
    // Typed text is no entry of the list: the selection goes, as on Windows.
    hCombo->text = text;
    hCombo->curSel = CB_ERR;
}

void UserPressedDialogKey(HWND hDlg, UINT vk, HWND hFocus)
{
    CWnd* pDlg = hDlg->pWnd.load();
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
        DWORD type = h->style.load() & BS_TYPEMASK;
        return strcasecmp(h->className, "BUTTON") == 0 &&
               (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
    };
    auto click = [pDlg](HWND h)
    { pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(h->id, BN_CLICKED), reinterpret_cast<LPARAM>(h)); };
    // A push button with the focus is the default one for as long as it has it.
    if (hFocus != nullptr && hFocus->parent == hDlg && isPushButton(hFocus) && hFocus->IsEnabled())
    {
        click(hFocus);
        return;
    }
    // Otherwise the dialog's default button, and nothing at all while it is disabled: Enter must
    // not end the tuner because GO is unavailable.
    for (auto& child : hDlg->children)
        if (isPushButton(child.get()) && (child->style.load() & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        {
            if (child->IsEnabled())
                click(child.get());
            return;
        }
    pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void UserClosedWindow(HWND hWnd)
{
    CWnd* pWnd = hWnd->pWnd.load();
    if (pWnd != nullptr)
        pWnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void UserChoseSystemMenu(HWND hWnd, UINT nID, POINT screenPos)
{
    CWnd* pWnd = hWnd->pWnd.load();
    if (pWnd != nullptr)
        pWnd->SendMessage(WM_SYSCOMMAND, nID, MAKELONG(screenPos.x, screenPos.y));
}
} // namespace afx

// The program asks only for the icon sizes, which do not depend on the screen.
int GetSystemMetrics(int nIndex)
{
    switch (nIndex)
    {
        case SM_CXICON:
        case SM_CYICON:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        default:
            return 0;
    }
}

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
    if (m_hWnd->parent == nullptr && !m_hWnd->isDesktop && m_hWnd->pWnd.load() == this)
    {
        DestroyWindow();
        return;
    }
    // A control attached by DDX_Control goes back to the layer's wrapper.
    if (m_hWnd->pWnd.load() == this)
        m_hWnd->pWnd = m_hWnd->wrapper.get();
}

BOOL CWnd::DestroyWindow()
{
    HWND h = m_hWnd;
    if (h == nullptr)
        return FALSE;
    if (h->parent != nullptr || h->isDesktop)
        return FALSE;
    SendMessage(WM_DESTROY);
    ForgetMainWindow(this);
    afx::DestroyWindowTree(h);
    delete h;
    return TRUE;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    if (m_hWnd == nullptr)
        return nullptr;
    for (auto& child : m_hWnd->children)
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
        desktop.m_hWnd->pWnd = &desktop;
    }
    return &desktop;
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    if (m_hWnd == nullptr)
        return;
    if (m_hWnd->text == lpszString)
        return;
    m_hWnd->text = lpszString;
    m_hWnd->Notify(afx::ChangeText);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    if (m_hWnd == nullptr)
        return FALSE;
    DWORD style = m_hWnd->style.load();
    BOOL wasDisabled = (style & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable)
        return wasDisabled;
    m_hWnd->style.store(bEnable ? (style & ~static_cast<DWORD>(WS_DISABLED))
                                : (style | static_cast<DWORD>(WS_DISABLED)));
    m_hWnd->Notify(afx::ChangeEnabled);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    return m_hWnd != nullptr && m_hWnd->IsEnabled();
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    if (m_hWnd == nullptr)
        return FALSE;
    DWORD style = m_hWnd->style.load();
    BOOL wasVisible = (style & WS_VISIBLE) != 0;
    if (nCmdShow == SW_HIDE)
        style &= ~static_cast<DWORD>(WS_VISIBLE);
    else
        style |= WS_VISIBLE;
    m_hWnd->style.store(style);
    if (m_hWnd->peer)
        m_hWnd->peer->Show(nCmdShow);
    return wasVisible;
}

BOOL CWnd::IsIconic() const
{
    return m_hWnd != nullptr && m_hWnd->peer && m_hWnd->peer->IsMinimized();
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
    if (m_hWnd->isDesktop)
    {
        GetWindowRect(lpRect);
        lpRect->right -= lpRect->left;
        lpRect->bottom -= lpRect->top;
        lpRect->left = lpRect->top = 0;
        return;
    }
    lpRect->right = m_hWnd->clientWidth.load();
    lpRect->bottom = m_hWnd->clientHeight.load();
}

DWORD CWnd::GetStyle() const
{
    return m_hWnd != nullptr ? m_hWnd->style.load() : 0;
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    *lpRect = RECT{0, 0, 0, 0};
    if (m_hWnd == nullptr)
        return;
    afx::WindowBackend* backend = afx::GetWindowBackend();
    if (m_hWnd->isDesktop)
    {
        if (backend != nullptr)
            *lpRect = backend->DesktopRect();
        return;
    }
    if (m_hWnd->parent == nullptr)
    {
        if (m_hWnd->peer)
            *lpRect = m_hWnd->peer->FrameRect();
        else
            *lpRect = RECT{0, 0, m_hWnd->clientWidth.load(), m_hWnd->clientHeight.load()};
        return;
    }
    POINT origin{0, 0};
    if (m_hWnd->parent->peer)
        origin = m_hWnd->parent->peer->ClientOrigin();
    *lpRect = RECT{origin.x + m_hWnd->rect.left, origin.y + m_hWnd->rect.top,
                   origin.x + m_hWnd->rect.right, origin.y + m_hWnd->rect.bottom};
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    // The program places its dialogs, never their controls.
    HWND h = m_hWnd;
    if (h == nullptr || h->isDesktop || h->parent != nullptr)
        return FALSE;
    if (!(nFlags & SWP_NOSIZE))
    {
        // The frame keeps its thickness: the client area takes the difference.
        RECT frame = h->peer ? h->peer->FrameRect() : RECT{0, 0, h->clientWidth, h->clientHeight};
        int extraW = (frame.right - frame.left) - h->clientWidth.load();
        int extraH = (frame.bottom - frame.top) - h->clientHeight.load();
        h->clientWidth = cx - extraW > 0 ? cx - extraW : 0;
        h->clientHeight = cy - extraH > 0 ? cy - extraH : 0;
        h->Notify(afx::ChangeGeometry);
    }
    if (!(nFlags & SWP_NOMOVE) && h->peer)
        h->peer->MoveFrameTo(x, y);
    if (pWndInsertAfter == &wndTop && !(nFlags & SWP_NOZORDER) && h->peer)
        h->peer->RaiseToTop();
    return TRUE;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    if (m_hWnd == nullptr)
        return nullptr;
    HICON& slot = bBigIcon ? m_hWnd->bigIcon : m_hWnd->smallIcon;
    HICON previous = slot;
    slot = hIcon;
    m_hWnd->Notify(afx::ChangeIcon);
    return previous;
}

CMenu* CWnd::GetSystemMenu(BOOL) const
{
    // The program only adds to the menu; it never asks for the system's own back.
    if (m_hWnd == nullptr || (m_hWnd->style.load() & WS_SYSMENU) == 0 || !m_hWnd->systemMenu)
        return nullptr;
    return m_hWnd->systemMenu.get();
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
        pItem->m_hWnd->pWnd = &rControl;
    }
}
