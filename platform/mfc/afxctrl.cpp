// Controls: combo box and trackbar, kept in the layer's window state; and menus.
#include "afxcmn.h"
#include "afxwndimpl.h"

// ----- Combo box -----

int CComboBox::GetCount() const
{
    return m_hWnd != nullptr ? static_cast<int>(afx::Win(m_hWnd)->items.size()) : CB_ERR;
}

int CComboBox::GetCurSel() const
{
    return m_hWnd != nullptr ? afx::Win(m_hWnd)->curSel : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect)
{
    // Code's choice: no CBN_SELCHANGE, as on Windows.
    if (m_hWnd == nullptr)
        return CB_ERR;
    int result = nSelect;
    if (nSelect < 0 || nSelect >= GetCount())
    {
        afx::Win(m_hWnd)->curSel = CB_ERR;
        afx::Win(m_hWnd)->text.Empty();
        result = CB_ERR;
    }
    else
    {
        afx::Win(m_hWnd)->curSel = nSelect;
        afx::Win(m_hWnd)->text = afx::Win(m_hWnd)->items[nSelect].text;
    }
    afx::Win(m_hWnd)->Notify(afx::ChangeSelection | afx::ChangeText);
    return result;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return static_cast<DWORD_PTR>(CB_ERR);
    return afx::Win(m_hWnd)->items[nIndex].data;
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData)
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return CB_ERR;
    afx::Win(m_hWnd)->items[nIndex].data = dwItemData;
    return 0;
}

namespace afx
{
int CompareNoCase(const char* a, const char* b)
{
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b)
    {
        const int x = fold(static_cast<unsigned char>(*a));
        const int y = fold(static_cast<unsigned char>(*b));
        if (x != y || x == 0)
            return x - y;
    }
}
} // namespace afx

int CComboBox::AddString(LPCSTR lpszString)
{
    if (m_hWnd == nullptr)
        return CB_ERR;
    int index = GetCount();
    if (afx::Win(m_hWnd)->style.load() & CBS_SORT)
    {
        // Equal texts keep their order of arrival.
        index = 0;
        while (index < GetCount() &&
               afx::CompareNoCase(afx::Win(m_hWnd)->items[index].text,
                                  lpszString != nullptr ? lpszString : "") <= 0)
            ++index;
    }
    afx::Window::Item item;
    item.text = lpszString;
    afx::Win(m_hWnd)->items.insert(afx::Win(m_hWnd)->items.begin() + index, item);
    // The selection stays with its entry.
    if (afx::Win(m_hWnd)->curSel >= index)
        ++afx::Win(m_hWnd)->curSel;
    afx::Win(m_hWnd)->Notify(afx::ChangeItems | afx::ChangeSelection);
    return index;
}

// ----- Trackbar -----

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL)
{
    if (m_hWnd == nullptr)
        return;
    afx::Win(m_hWnd)->rangeMin = nMin;
    afx::Win(m_hWnd)->rangeMax = nMax;
    afx::Win(m_hWnd)->pos = afx::ClampToRange(m_hWnd, afx::Win(m_hWnd)->pos.load());
    afx::Win(m_hWnd)->Notify(afx::ChangeSlider);
}

int CSliderCtrl::GetRangeMax() const
{
    if (m_hWnd == nullptr)
        return 0;
    afx::PublishPendingUpdates();
    return afx::Win(m_hWnd)->rangeMax.load();
}

void CSliderCtrl::SetPos(int nPos)
{
    if (m_hWnd == nullptr)
        return;
    if (afx::IsInterfaceThread())
        afx::ApplySetPos(m_hWnd, nPos);
    else
        afx::QueueSetPos(m_hWnd, nPos);
}

// ----- Menu -----

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    Item item;
    item.flags = nFlags;
    item.id = (nFlags & MF_SEPARATOR) ? 0 : static_cast<UINT>(nIDNewItem);
    if (!(nFlags & MF_SEPARATOR))
        item.text = lpszNewItem;
    m_items.push_back(item);
    return TRUE;
}
