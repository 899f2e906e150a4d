// The framework's window classes: application, command targets and message maps, windows,
// dialogs, controls, drawing and worker threads.
//
// Threads. Every window belongs to the interface thread, which runs the modal loops. Another
// thread (a worker started with AfxBeginThread, or any other) may still call a few operations on
// a window, and none of them ever waits for the interface thread:
//   - reads answer from the layer's own copy of the control's state: a slider's GetRangeMax,
//     GetDlgItem, GetClientRect, IsWindowEnabled;
//   - requests that change the screen (a slider's SetPos, Invalidate, drawing through a
//     CClientDC) are gathered into the worker's pending batch. The batch is published as a whole
//     when the worker next reads the slider's range (GetRangeMax) or when the worker thread ends.
//     The interface thread carries it out at once, newest first: a later position replaces an
//     earlier one and an invalidation drops the drawing it would erase, so nothing queues without
//     bound however fast a worker runs, and the interface thread never shows an erase without the
//     drawing that followed it.
// Retained drawing. What is drawn into a window through a CClientDC is kept by the layer and shown
// at every repaint of that window until the window (or its parent) is invalidated with erase.
#pragma once

#include "afx.h"
#include "afxcoll.h"
#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#define afx_msg
#define AFXAPI

class CCmdTarget;
class CWnd;
class CDialog;
class CMenu;
class CWinThread;
class CDataExchange;

namespace afx
{
struct ThreadAccess;
struct ThreadStart;
} // namespace afx

// ---------------------------------------------------------------------------------------------
// Message maps

// Calls a handler of a known shape; generated per entry by the ON_ macros.
typedef LRESULT (*AFX_PMSGTHUNK)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage; // WM_ message, 0 ends the table
    UINT nCode;    // notification code for WM_COMMAND
    UINT nID;      // control or command id for WM_COMMAND
    UINT nLastID;
    AFX_PMSGTHUNK pfnThunk;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx
{
template <class T> struct MemberOf;
template <class C, class R, class... A> struct MemberOf<R (C::*)(A...)>
{
    typedef C type;
};

template <auto pfn> LRESULT ThunkVoid(CCmdTarget* p, WPARAM, LPARAM)
{
    typedef typename MemberOf<decltype(pfn)>::type C;
    (static_cast<C*>(p)->*pfn)();
    return 0;
}

template <auto pfn> LRESULT ThunkSysCommand(CCmdTarget* p, WPARAM w, LPARAM l)
{
    typedef typename MemberOf<decltype(pfn)>::type C;
    (static_cast<C*>(p)->*pfn)(static_cast<UINT>(w), l);
    return 0;
}

template <auto pfn> LRESULT ThunkHandle(CCmdTarget* p, WPARAM, LPARAM)
{
    typedef typename MemberOf<decltype(pfn)>::type C;
    return reinterpret_cast<LRESULT>((static_cast<C*>(p)->*pfn)());
}
} // namespace afx

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    virtual const AFX_MSGMAP* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        [[maybe_unused]] typedef theClass ThisClass;                                               \
        typedef baseClass TheBaseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {                                                                                              \
        0, 0, 0, 0, nullptr                                                                        \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }

#define ON_WM_SYSCOMMAND()                                                                         \
    {WM_SYSCOMMAND, 0, 0, 0, &afx::ThunkSysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx::ThunkVoid<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON, 0, 0, 0, &afx::ThunkHandle<&ThisClass::OnQueryDragIcon>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, &afx::ThunkVoid<&ThisClass::OnClose>},
#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id),                                  \
     &afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                     \
    {WM_COMMAND, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id),     \
     &afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

class CCmdTarget
{
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Routes a command (WM_COMMAND's id and notification code) through the message maps.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry of this object's maps (most derived first) for a message.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// ---------------------------------------------------------------------------------------------
// Geometry helpers

class CRect : public RECT
{
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& r) const
    {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
};

// ---------------------------------------------------------------------------------------------
// Drawing

class CGdiObject
{
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject();
    BOOL DeleteObject();

    HGDIOBJ m_hObject = nullptr;
};

class CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor);
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
};

class CDC
{
public:
    CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    HDC GetSafeHdc() const { return m_hDC; }
    CPen* SelectObject(CPen* pPen);
    BOOL LineTo(int x, int y);
    BOOL DrawIcon(int x, int y, HICON hIcon);

    HDC m_hDC = nullptr;

protected:
    CPen* m_pSelectedPen = nullptr;
    CPen m_defaultPen; // the stock black pen of one pixel
};

// The device context of a window's paint handler: between BeginPaint and EndPaint.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

protected:
    HWND m_hWnd;
};

// The device context of a window's client area, usable outside painting and from a worker.
class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------------------------
// Menus

class CMenu
{
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);

    struct Item
    {
        UINT flags;
        UINT id;
        CString text;
    };
    const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};

// ---------------------------------------------------------------------------------------------
// Windows

class CWnd : public CCmdTarget
{
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    virtual BOOL DestroyWindow();

    CWnd* GetDlgItem(int nID) const;
    static CWnd* GetDesktopWindow();

    void SetWindowText(LPCSTR lpszString);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    DWORD GetStyle() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsIconic() const;

    void Invalidate(BOOL bErase = TRUE);
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    static const CWnd wndTop;

    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CMenu* GetSystemMenu(BOOL bRevert) const;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Message handling: the window procedure of every window of the layer.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    // Default handlers: the window's default processing of the message, with these arguments.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg void OnClose();
    // The default processing of the message being handled, with its own arguments.
    LRESULT Default();

    DECLARE_MESSAGE_MAP()

private:
    UINT m_nMsgCur = 0;
    WPARAM m_wParamCur = 0;
    LPARAM m_lParamCur = 0;
};

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {
    }
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; IDOK, IDCANCEL or what EndDialog gave; -1 when it cannot start.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();

protected:
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

// ---------------------------------------------------------------------------------------------
// Controls

class CButton : public CWnd
{
};

class CComboBox : public CWnd
{
public:
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    int AddString(LPCSTR lpszString);
};

// ---------------------------------------------------------------------------------------------
// Worker threads

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget
{
public:
    CWinThread();
    ~CWinThread() override;

    // The thread's handle: signalled when the thread has ended. Valid while this object lives.
    HANDLE m_hThread = nullptr;
    // TRUE: the object deletes itself when its thread ends (the framework's default). Set it to
    // FALSE before the thread runs (CREATE_SUSPENDED) to keep the object for a wait.
    BOOL m_bAutoDelete = TRUE;
    CWnd* m_pMainWnd = nullptr;

    DWORD ResumeThread();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

private:
    friend struct afx::ThreadAccess;
    std::shared_ptr<struct afx::ThreadStart> m_start;
};

// Starts pfnThreadProc(pParam) on a new thread of the system, at nPriority (THREAD_PRIORITY_IDLE:
// only the time no one else wants). Null when no thread can be started.
CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                                  int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                                  DWORD dwCreateFlags = 0,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

// ---------------------------------------------------------------------------------------------
// The application

class CWinApp : public CWinThread
{
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCSTR m_pszAppName = nullptr;
    LPCSTR m_pszExeName = nullptr;

    HICON LoadIcon(UINT nIDResource) const;
    BOOL Enable3dControls() { return TRUE; }
    afx_msg void OnHelp();

    DECLARE_MESSAGE_MAP()

private:
    CString m_strAppName;
};

CWinApp* AFXAPI AfxGetApp();
CWnd* AFXAPI AfxGetMainWnd();
// Where dialog templates, icons and strings come from: the program's own resources by default.
HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);

namespace afx
{
// The thread that runs the interface; requests from any other thread are batched (see above).
bool IsInterfaceThread();
// Carries out the batches published by other threads now, on the interface thread.
void ProcessPendingUpdates();
} // namespace afx

#ifdef _WIN32
// Wave input is winmm's own on Windows, but for the rules on queued headers that the layer keeps
// on both platforms (see platform/windows/afxwinmm.cpp).
#include <mmsystem.h>
MMRESULT AfxWaveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT AfxWaveInStop(HWAVEIN hwi);
#define waveInAddBuffer AfxWaveInAddBuffer
#define waveInStop AfxWaveInStop
#endif
