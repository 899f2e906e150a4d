// CStringArray.
#include "afxcoll.h"

int CStringArray::Add(const CString& newElement)
{
    m_items.push_back(newElement);
    return GetSize() - 1;
}

const CString& CStringArray::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetSize())
        afx::detail::IndexFault("CStringArray::GetAt", nIndex, GetSize());
    return m_items[static_cast<std::size_t>(nIndex)];
}
