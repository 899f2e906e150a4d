// CString::LoadString on its own, so that only programs that load strings need a string table.
#include "afx.h"

BOOL CString::LoadString(UINT nID)
{
    std::string text;
    if (!AfxLoadStringResource(nID, text))
    {
        m_str.clear();
        return FALSE;
    }
    m_str = std::move(text);
    return TRUE;
}
