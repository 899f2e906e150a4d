// The application object and the file dialog's dispatch to its presenter.
#include "afxpresenters.h"
#include "afxwndimpl.h"

namespace
{
CWinApp* g_app = nullptr;
afx::FileDialogPresenter* g_fileDialogPresenter = nullptr;
} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    if (lpszAppName != nullptr)
    {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
        afx::SetMessageBoxCaption(m_pszAppName);
    }
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return afx::LoadIconResource(nIDResource);
}

void CWinApp::OnHelp()
{
    // The application has no help content of its own.
}

CWinApp* AFXAPI AfxGetApp()
{
    return g_app;
}

CWnd* AFXAPI AfxGetMainWnd()
{
    return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}

namespace afx
{
FileDialogPresenter* SetFileDialogPresenter(FileDialogPresenter* presenter)
{
    FileDialogPresenter* previous = g_fileDialogPresenter;
    g_fileDialogPresenter = presenter;
    return previous;
}

FileDialogPresenter* GetFileDialogPresenter()
{
    return g_fileDialogPresenter;
}
} // namespace afx

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(0, pParentWnd), m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(lpszDefExt),
      m_strFilter(lpszFilter), m_dwFlags(dwFlags), m_strPath(lpszFileName)
{
}

INT_PTR CFileDialog::DoModal()
{
    afx::FileDialogPresenter* presenter = afx::GetFileDialogPresenter();
    if (presenter == nullptr)
        return IDCANCEL;
    afx::FileDialogRequest request;
    request.open = m_bOpenFileDialog;
    request.defaultExtension = m_strDefExt;
    if (!request.defaultExtension.IsEmpty() && request.defaultExtension[0] == '.')
        request.defaultExtension = request.defaultExtension.Mid(1);
    request.initialPath = m_strPath;
    request.filter = m_strFilter;
    request.flags = m_dwFlags;
    CString chosen;
    if (!presenter->Choose(request, chosen))
        return IDCANCEL;
    m_strPath = chosen;
    return IDOK;
}

CString CFileDialog::GetPathName() const
{
    return m_strPath;
}

CString CFileDialog::GetFileName() const
{
    int cut = -1;
    for (int i = 0; i < m_strPath.GetLength(); ++i)
        if (m_strPath[i] == '/' || m_strPath[i] == '\\')
            cut = i;
    return m_strPath.Mid(cut + 1);
}
