// The Win32 back end of the windows: the layer's windows shown as Windows' own.
//
// What it implements of the window contract (mfc/afxwndimpl.h):
//   [x] dialogs created by the system's dialog manager from the executable's own templates, so
//       that Windows does the keyboard (Enter, Escape, Tab, mnemonics), fonts, default button and
//       system menu; the layer's children are the template's controls, in template order
//   [x] dialog base units computed as Windows computes them, so the layer's geometry agrees
//   [x] text, enabled state, visibility, combo-box entries and selection, trackbar range and
//       position, window and static icons, repaints
//   [x] the retained drawing of a control (the string frames) drawn with GDI pens in the
//       control's own device context after the control has painted itself
//   [x] the dialog's WM_PAINT handling (the icon of a minimised window)
//   [x] modal loops over GetMessage and IsDialogMessage, the owner disabled meanwhile
//   [x] wake-ups from any thread through a message-only window, coalesced
//   [x] what the user does (clicks, selections, typing in a combo box, Enter and Escape, close,
//       the application's system-menu items) turned into the layer's User* calls
//   [ ] no window of the layer other than dialogs and their controls: the program has none
#include "afxdrivers.h"
#include "afxwin32.h"
#include "afxwndimpl.h"

#include <commctrl.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace afx::win32
{
std::wstring Widen(const char* text)
{
    if (text == nullptr || *text == '\0')
        return std::wstring();
    const int length = MultiByteToWideChar(1252, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(1252, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
    return wide;
}

std::string Narrow(const wchar_t* text)
{
    if (text == nullptr || *text == L'\0')
        return std::string();
    const int length = WideCharToMultiByte(1252, 0, text, -1, nullptr, 0, "?", nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(1252, 0, text, -1, narrow.data(), length, "?", nullptr);
    narrow.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
    return narrow;
}

namespace
{
const wchar_t* const kLayerWindow = L"afx.window";
const UINT kWake = WM_APP + 1;

// The layer's window a system window stands for.
HWND LayerOf(::HWND system)
{
    return static_cast<HWND>(GetPropW(system, kLayerWindow));
}

HICON SystemIcon(HICON layerIcon, int size)
{
    if (layerIcon == nullptr)
        return nullptr;
    // The layer's icons are the executable's own: the system loads them at the size it wants.
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(IconOf(layerIcon)->id), IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR | LR_SHARED));
}

class Peer;

class Backend : public WindowBackend
{
public:
    bool Start();
    SIZE DialogBaseUnits(const CString& fontFace, int pointSize) override;
    std::unique_ptr<WindowPeer> CreatePeer(HWND hWnd) override;
    void RunModalLoop(HWND hWnd) override;
    void EndModalLoop(HWND hWnd) override;
    RECT DesktopRect() override;
    void WakeInterfaceThread() override;
    void Execute(void* painter, const DrawOp& op) override;

    static LRESULT CALLBACK WakeProc(::HWND w, UINT message, WPARAM wParam, LPARAM lParam);

private:
    ::HWND m_wake = nullptr;
    std::atomic<bool> m_wakePosted{false};
    std::map<HWND, bool> m_ending;
};

Backend g_backend;

class Peer : public WindowPeer
{
public:
    Peer(HWND layer, ::HWND system) : m_layer(layer), m_system(system)
    {
        SetPropW(m_system, kLayerWindow, layer);
    }
    ~Peer() override
    {
        if (IsWindow(m_system))
        {
            RemovePropW(m_system, kLayerWindow);
            if (Win(m_layer)->parent == nullptr)
                DestroyWindow(m_system);
        }
    }

    ::HWND System() const { return m_system; }

    void Changed(unsigned what) override
    {
        Window* w = Win(m_layer);
        if (what & ChangeText)
            SetWindowTextW(m_system, Widen(w->text).c_str());
        if (what & ChangeEnabled)
            EnableWindow(m_system, w->IsEnabled());
        if ((what & ChangeGeometry) && w->parent != nullptr)
            MoveWindow(m_system, w->rect.left, w->rect.top, w->rect.right - w->rect.left,
                       w->rect.bottom - w->rect.top, TRUE);
        if (what & ChangeItems)
        {
            // Inserted at their place: the layer has sorted them already, and the system's own
            // sorting might disagree with it on the order of accented names.
            SendMessageW(m_system, CB_RESETCONTENT, 0, 0);
            for (std::size_t i = 0; i < w->items.size(); ++i)
                SendMessageW(m_system, CB_INSERTSTRING, i,
                             reinterpret_cast<LPARAM>(Widen(w->items[i].text).c_str()));
        }
        if (what & (ChangeItems | ChangeSelection))
            SendMessageW(m_system, CB_SETCURSEL, static_cast<WPARAM>(w->curSel), 0);
        if (what & ChangeSlider)
        {
            SendMessageW(m_system, TBM_SETRANGEMIN, FALSE, w->rangeMin.load());
            SendMessageW(m_system, TBM_SETRANGEMAX, FALSE, w->rangeMax.load());
            SendMessageW(m_system, TBM_SETPOS, TRUE, w->pos.load());
        }
        if (what & ChangeIcon)
        {
            if (w->parent == nullptr)
            {
                SendMessageW(
                    m_system, WM_SETICON, ICON_BIG,
                    reinterpret_cast<LPARAM>(SystemIcon(w->bigIcon, GetSystemMetrics(SM_CXICON))));
                SendMessageW(m_system, WM_SETICON, ICON_SMALL,
                             reinterpret_cast<LPARAM>(
                                 SystemIcon(w->smallIcon, GetSystemMetrics(SM_CXSMICON))));
            }
            else if (w->staticIcon != nullptr)
                SendMessageW(m_system, STM_SETICON,
                             reinterpret_cast<WPARAM>(
                                 SystemIcon(w->staticIcon, GetSystemMetrics(SM_CXICON))),
                             0);
        }
        if (what & ChangeVisible)
            ShowWindow(m_system, (w->style.load() & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
        if (what & ChangeRepaint)
            InvalidateRect(m_system, nullptr, TRUE);
    }

    bool IsMinimized() const override { return IsIconic(m_system) != FALSE; }

    RECT FrameRect() const override
    {
        ::RECT r{};
        GetWindowRect(m_system, &r);
        return RECT{r.left, r.top, r.right, r.bottom};
    }

    void MoveFrameTo(int x, int y) override
    {
        SetWindowPos(m_system, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void Show(int nCmdShow) override
    {
        if (nCmdShow != SW_HIDE && !m_menuDone)
            CopySystemMenu();
        ShowWindow(m_system, nCmdShow);
    }

    POINT ClientOrigin() const override
    {
        ::POINT origin{0, 0};
        ClientToScreen(m_system, &origin);
        return POINT{origin.x, origin.y};
    }

    void RaiseToTop() override
    {
        SetWindowPos(m_system, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }

private:
    // The system gives a modal frame Move and Close; what the program added after them (its
    // About command) is added to the system's menu once, before the window first shows.
    void CopySystemMenu()
    {
        m_menuDone = true;
        CMenu* menu = Win(m_layer)->systemMenu.get();
        HMENU system = GetSystemMenu(m_system, FALSE);
        if (menu == nullptr || system == nullptr)
            return;
        bool own = false;
        for (const CMenu::Item& item : menu->Items())
        {
            if (item.id == SC_CLOSE)
            {
                own = true;
                continue;
            }
            if (!own)
                continue;
            if (item.flags & MF_SEPARATOR)
                AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(system, MF_STRING, item.id, Widen(item.text).c_str());
        }
    }

    HWND m_layer;
    ::HWND m_system;
    bool m_menuDone = false;
};

Peer* PeerOf(HWND layer)
{
    return layer != nullptr ? static_cast<Peer*>(Win(layer)->peer.get()) : nullptr;
}

// Controls keep their own painting; the layer's retained drawing goes over it, in the control's
// own device context.
LRESULT CALLBACK ControlProc(::HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(w, L"afx.proc"));
    const LRESULT result = CallWindowProcW(original, w, message, wParam, lParam);
    if (message == WM_PAINT)
        if (HWND layer = LayerOf(w); layer != nullptr && !Win(layer)->retained.empty())
        {
            HDC dc = GetDC(w);
            PaintWindow(layer, dc, false);
            ReleaseDC(w, dc);
        }
    if (message == WM_NCDESTROY)
    {
        RemovePropW(w, L"afx.proc");
        RemovePropW(w, kLayerWindow);
    }
    return result;
}

INT_PTR CALLBACK DialogProc(::HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND layer = LayerOf(w);
    switch (message)
    {
        case WM_INITDIALOG:
            // The layer runs the program's own initialisation once the dialog exists.
            return TRUE;
        case WM_COMMAND:
        {
            if (layer == nullptr)
                return FALSE;
            const UINT id = LOWORD(wParam);
            const UINT code = HIWORD(wParam);
            const auto control = reinterpret_cast<::HWND>(lParam);
            HWND child = control != nullptr ? LayerOf(control) : nullptr;
            if (child == nullptr)
            {
                // Enter or Escape, from the dialog manager, where no control has that id.
                if (id == IDOK || id == IDCANCEL)
                {
                    HWND focus = LayerOf(GetFocus());
                    UserPressedDialogKey(layer, id == IDOK ? VK_RETURN : VK_ESCAPE, focus);
                }
                return TRUE;
            }
            const std::string& kind = static_cast<LPCSTR>(Win(child)->className);
            if (kind == "BUTTON" && code == BN_CLICKED)
                UserClickedButton(child);
            else if (kind == "COMBOBOX" && code == CBN_SELCHANGE)
            {
                const auto index = SendMessageW(control, CB_GETCURSEL, 0, 0);
                if (index != CB_ERR)
                    UserSelectedComboItem(child, static_cast<int>(index));
            }
            else if (kind == "COMBOBOX" && code == CBN_EDITCHANGE)
            {
                wchar_t text[512] = {};
                GetWindowTextW(control, text, 512);
                UserEditedComboText(child, Narrow(text).c_str());
            }
            return TRUE;
        }
        case WM_SYSCOMMAND:
            // The program's own items; the system's (move, close, ...) stay the system's.
            if (layer != nullptr && (wParam & 0xFFF0) < 0xF000)
            {
                UserChoseSystemMenu(
                    layer, static_cast<UINT>(wParam & 0xFFF0),
                    POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            if (layer != nullptr)
                UserClosedWindow(layer);
            return TRUE;
        case WM_PAINT:
        {
            if (layer == nullptr)
                return FALSE;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            PaintWindow(layer, dc, true);
            EndPaint(w, &ps);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// The executable's template, without WS_VISIBLE: the dialog shows when the layer's modal run
// shows it, after the program's initialisation, as the framework's dialogs do (a message box
// during the initialisation stands alone).
std::vector<unsigned char> HiddenTemplate(int id)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size < 16)
        return {};
    std::vector<unsigned char> copy(bytes, bytes + size);
    // An extended template starts with version 1 and 0xFFFF, its style at byte 12; a plain one
    // starts with its style.
    const bool extended = copy[0] == 1 && copy[1] == 0 && copy[2] == 0xFF && copy[3] == 0xFF;
    DWORD style;
    unsigned char* at = copy.data() + (extended ? 12 : 0);
    std::memcpy(&style, at, sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(at, &style, sizeof style);
    return copy;
}

bool Backend::Start()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wake{};
    wake.lpfnWndProc = WakeProc;
    wake.hInstance = GetModuleHandleW(nullptr);
    wake.lpszClassName = L"afx.wake";
    RegisterClassW(&wake);
    m_wake = CreateWindowExW(0, wake.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wake.hInstance, nullptr);
    return m_wake != nullptr;
}

LRESULT CALLBACK Backend::WakeProc(::HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kWake)
    {
        g_backend.m_wakePosted.store(false);
        ProcessPendingUpdates();
        return 0;
    }
    return DefWindowProcW(w, message, wParam, lParam);
}

SIZE Backend::DialogBaseUnits(const CString& fontFace, int pointSize)
{
    // As the dialog manager measures its font: the average width of the 52 letters, rounded,
    // and the font's height.
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, Widen(fontFace).c_str());
    HGDIOBJ old = SelectObject(screen, font);
    ::SIZE letters{};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &letters);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return SIZE{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

std::unique_ptr<WindowPeer> Backend::CreatePeer(HWND hWnd)
{
    Window* w = Win(hWnd);
    if (w->parent == nullptr)
    {
        Peer* owner = PeerOf(w->owner);
        std::vector<unsigned char> dialogTemplate = HiddenTemplate(w->templateId);
        if (dialogTemplate.empty())
            return nullptr;
        ::HWND dialog = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()),
            owner != nullptr ? owner->System() : nullptr, DialogProc, 0);
        if (dialog == nullptr)
            return nullptr;
        auto peer = std::make_unique<Peer>(hWnd, dialog);
        peer->MoveFrameTo(w->rect.left, w->rect.top);
        return peer;
    }
    // The dialog manager made the children in template order, as the layer did.
    Peer* parent = PeerOf(w->parent);
    if (parent == nullptr)
        return nullptr;
    ::HWND control = GetWindow(parent->System(), GW_CHILD);
    for (const auto& sibling : Win(w->parent)->children)
    {
        if (control == nullptr || sibling.get() == w)
            break;
        control = GetWindow(control, GW_HWNDNEXT);
    }
    if (control == nullptr)
        return nullptr;
    auto peer = std::make_unique<Peer>(hWnd, control);
    SetPropW(control, L"afx.proc",
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(control, GWLP_WNDPROC,
                                                        reinterpret_cast<LONG_PTR>(ControlProc))));
    return peer;
}

void Backend::RunModalLoop(HWND hWnd)
{
    Peer* peer = PeerOf(hWnd);
    if (peer == nullptr)
        return;
    ::HWND dialog = peer->System();
    ::HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    m_ending[hWnd] = false;
    MSG msg;
    while (!m_ending[hWnd])
    {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
        {
            // Quitting belongs to whoever runs the outermost loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageW(dialog, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    m_ending.erase(hWnd);
    // The owner comes back before the dialog goes, so that it is the one activated.
    if (owner != nullptr)
        EnableWindow(owner, TRUE);
}

void Backend::EndModalLoop(HWND hWnd)
{
    m_ending[hWnd] = true;
    PostMessageW(m_wake, WM_NULL, 0, 0);
}

RECT Backend::DesktopRect()
{
    ::RECT r{};
    GetWindowRect(GetDesktopWindow(), &r);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void Backend::WakeInterfaceThread()
{
    if (!m_wakePosted.exchange(true))
        PostMessageW(m_wake, kWake, 0, 0);
}

void Backend::Execute(void* painter, const DrawOp& op)
{
    HDC dc = static_cast<HDC>(painter);
    if (op.kind == DrawOp::Line)
    {
        HPEN pen = CreatePen(PS_SOLID, op.pen.width, op.pen.color);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, op.from.x, op.from.y, nullptr);
        LineTo(dc, op.to.x, op.to.y);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    else if (op.icon != nullptr)
        DrawIconEx(dc, op.from.x, op.from.y, SystemIcon(op.icon, GetSystemMetrics(SM_CXICON)), 0, 0,
                   0, nullptr, DI_NORMAL);
}

bool Start(int&, char*[])
{
    if (!g_backend.Start())
        return false;
    SetWindowBackend(&g_backend);
    InstallPresenters();
    return true;
}
} // namespace

const WindowDriver kWindowDriver = {"win32", Start, nullptr};

HWND SystemWindowOf(HWND layer)
{
    Peer* peer = PeerOf(layer);
    return peer != nullptr ? peer->System() : nullptr;
}
} // namespace afx::win32
