// Collections of the framework's core: the string array.
#pragma once

#include "afx.h"

#include <vector>

// Strings indexed from 0 in insertion order. An index outside 0 to GetSize() - 1 is a fault that
// stops the process.
class CStringArray
{
public:
    CStringArray() = default;

    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_items.empty() ? TRUE : FALSE; }

    // Appends and returns the new element's index.
    int Add(LPCSTR newElement);
    int Add(const CString& newElement);
    void RemoveAll() { m_items.clear(); }

    const CString& GetAt(int nIndex) const;
    void SetAt(int nIndex, LPCSTR newElement);
    CString& ElementAt(int nIndex);
    const CString& operator[](int nIndex) const { return GetAt(nIndex); }
    CString& operator[](int nIndex) { return ElementAt(nIndex); }

private:
    std::vector<CString> m_items;
};
