// Dialogs: windows built from the resources' dialog templates, their modal runs and data exchange.
#include "afxwndimpl.h"

namespace
{
int Scale(int number, int numerator, int denominator)
{
    // Rounded to the nearest, as Windows maps dialog units.
    long long product = static_cast<long long>(number) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

CString NormalClassName(const std::string& name)
{
    static const char* const known[] = {"BUTTON", "COMBOBOX", "STATIC", "msctls_trackbar32"};
    for (const char* k : known)
        if (afx::CompareNoCase(name.c_str(), k) == 0)
            return CString(k);
    return CString(name.c_str());
}

// The system menu a dialog frame gets from the system.
void ResetSystemMenu(HWND hWnd)
{
    // A modal frame without size or minimise boxes: the system offers Move and Close.
    afx::Win(hWnd)->systemMenu = std::make_unique<CMenu>();
    afx::Win(hWnd)->systemMenu->AppendMenu(MF_STRING, SC_MOVE, "&Déplacer");
    afx::Win(hWnd)->systemMenu->AppendMenu(MF_SEPARATOR);
    afx::Win(hWnd)->systemMenu->AppendMenu(MF_STRING, SC_CLOSE, "&Fermer\tAlt+F4");
}
} // namespace

namespace afx
{
HICON LoadIconResource(UINT nID)
{
    // Icons live as long as the program, as shared icons do on Windows.
    static std::map<UINT, std::unique_ptr<Icon>> loaded;
    auto it = loaded.find(nID);
    if (it != loaded.end())
        return ToHicon(it->second.get());
    const RcIcon* icon = GetResources().FindIcon(static_cast<int>(nID));
    if (icon == nullptr)
        return nullptr;
    auto h = std::make_unique<Icon>();
    h->id = static_cast<int>(nID);
    h->images = icon->images;
    HICON result = ToHicon(h.get());
    loaded.emplace(nID, std::move(h));
    return result;
}

HWND CreateDialogWindow(CDialog* pDlg, UINT nIDTemplate, CWnd* pParent)
{
    const RcDialog* t = GetResources().FindDialog(static_cast<int>(nIDTemplate));
    if (t == nullptr)
        return nullptr;
    WindowBackend* backend = GetWindowBackend();

    auto dlg = new Window;
    dlg->className = "#32770";
    dlg->templateId = static_cast<int>(nIDTemplate);
    // Shown by the modal run, not before.
    dlg->style = t->style & ~static_cast<DWORD>(WS_VISIBLE);
    dlg->exStyle = t->exStyle;
    dlg->text = t->caption.c_str();
    const SIZE bu = backend != nullptr ? backend->DialogBaseUnits(t->fontFace.c_str(), t->pointSize)
                                       : SIZE{6, 13};
    dlg->clientWidth = Scale(t->cx, bu.cx, 4);
    dlg->clientHeight = Scale(t->cy, bu.cy, 8);
    // Without a parent of its own, a dialog is owned by the main window, as the framework
    // arranges it; its template position then counts from the owner's client area.
    CWnd* pOwner = pParent != nullptr ? pParent : AfxGetMainWnd();
    if (pOwner != nullptr && pOwner != pDlg && pOwner->m_hWnd != nullptr &&
        afx::Win(pOwner->m_hWnd)->parent == nullptr && !afx::Win(pOwner->m_hWnd)->isDesktop)
        dlg->owner = pOwner->m_hWnd;
    POINT origin{0, 0};
    if (dlg->owner != nullptr && !(t->style & DS_ABSALIGN) && Win(dlg->owner)->peer)
        origin = Win(dlg->owner)->peer->ClientOrigin();
    dlg->rect = RECT{origin.x + Scale(t->x, bu.cx, 4), origin.y + Scale(t->y, bu.cy, 8), 0, 0};
    if (t->style & WS_SYSMENU)
        ResetSystemMenu(ToHwnd(dlg));

    for (const RcControl& c : t->controls)
    {
        auto child = std::make_unique<Window>();
        child->parent = ToHwnd(dlg);
        child->id = c.id;
        child->className = NormalClassName(c.className);
        child->style = c.style;
        child->exStyle = c.exStyle;
        child->text = c.text.c_str();
        int x = Scale(c.x, bu.cx, 4);
        int y = Scale(c.y, bu.cy, 8);
        int w = Scale(c.cx, bu.cx, 4);
        int h = Scale(c.cy, bu.cy, 8);
        bool isIcon = child->className == "STATIC" && (c.style & SS_TYPEMASK) == SS_ICON;
        if (isIcon)
        {
            // An icon static takes the size of its icon.
            child->staticIcon = LoadIconResource(static_cast<UINT>(c.iconId));
            w = GetSystemMetrics(SM_CXICON);
            h = GetSystemMetrics(SM_CYICON);
        }
        child->rect = RECT{x, y, x + w, y + h};
        child->clientWidth = w;
        child->clientHeight = h;
        child->wrapper = std::make_unique<CWnd>();
        child->wrapper->m_hWnd = ToHwnd(child.get());
        child->pWnd = child->wrapper.get();
        dlg->children.push_back(std::move(child));
    }

    pDlg->m_hWnd = ToHwnd(dlg);
    dlg->pWnd = pDlg;
    RegisterWindow(ToHwnd(dlg));
    for (auto& child : dlg->children)
        RegisterWindow(ToHwnd(child.get()));
    if (backend != nullptr)
    {
        dlg->peer = backend->CreatePeer(ToHwnd(dlg));
        for (auto& child : dlg->children)
            child->peer = backend->CreatePeer(ToHwnd(child.get()));
    }
    return ToHwnd(dlg);
}
} // namespace afx

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr || afx::CreateDialogWindow(this, m_nIDTemplate, m_pParentWnd) == nullptr)
        return -1;
    HWND h = m_hWnd;
    OnInitDialog();
    if (m_hWnd == h && !afx::Win(h)->endRequested)
    {
        afx::Win(h)->inModalLoop = true;
        ShowWindow(SW_SHOW);
        if (afx::WindowBackend* backend = afx::GetWindowBackend())
            backend->RunModalLoop(h);
        afx::Win(h)->inModalLoop = false;
    }
    if (m_hWnd != h)
        return -1;
    INT_PTR result = afx::Win(h)->modalResult;
    DestroyWindow();
    return result;
}

void CDialog::EndDialog(int nResult)
{
    HWND h = m_hWnd;
    if (h == nullptr)
        return;
    afx::Win(h)->modalResult = nResult;
    afx::Win(h)->endRequested = true;
    ShowWindow(SW_HIDE);
    if (afx::Win(h)->inModalLoop)
        if (afx::WindowBackend* backend = afx::GetWindowBackend())
            backend->EndModalLoop(h);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}
