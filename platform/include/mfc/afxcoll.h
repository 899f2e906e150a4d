// Collections of the framework's core: the string array.
#pragma once

#include "afx.h"

#include <vector>

// Strings indexed from 0 in insertion order. An index outside 0 to GetSize() - 1 is a fault that
// stops the process.
class CStringArray
{
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }

    // Appends and returns the new element's index.
    int Add(const CString& newElement);
    void RemoveAll() { m_items.clear(); }

    const CString& GetAt(int nIndex) const;
    const CString& operator[](int nIndex) const { return GetAt(nIndex); }

private:
    std::vector<CString> m_items;
};
