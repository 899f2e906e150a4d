// The framework's common dialogs: the file dialog.
#pragma once

#include "afxwin.h"

#include <commdlg.h>

class CFileDialog : public CDialog
{
public:
    CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);

    // IDOK with the chosen file, IDCANCEL when the user gives up. Shown again, the dialog starts
    // from the last file chosen.
    INT_PTR DoModal() override;
    CString GetPathName() const;
    CString GetFileName() const;

    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFilter;
    DWORD m_dwFlags;

private:
    CString m_strPath; // the initial name, then the last file chosen
};
