// Controls: combo box, trackbar and static, kept in the layer's window state; and menus.
#include "afxcmn.h"
#include "afxwndimpl.h"

#include <strings.h>

// ----- Combo box -----

int CComboBox::GetCount() const
{
    return m_hWnd != nullptr ? static_cast<int>(m_hWnd->items.size()) : CB_ERR;
}

int CComboBox::GetCurSel() const
{
    return m_hWnd != nullptr ? m_hWnd->curSel : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect)
{
    // Code's choice: no CBN_SELCHANGE, as on Windows.
    if (m_hWnd == nullptr)
        return CB_ERR;
    int result = nSelect;
    if (nSelect < 0 || nSelect >= GetCount())
    {
        m_hWnd->curSel = CB_ERR;
        m_hWnd->text.Empty();
        result = CB_ERR;
    }
    else
    {
        m_hWnd->curSel = nSelect;
        m_hWnd->text = m_hWnd->items[nSelect].text;
    }
    m_hWnd->Notify(afx::ChangeSelection | afx::ChangeText);
    return result;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return static_cast<DWORD_PTR>(CB_ERR);
    return m_hWnd->items[nIndex].data;
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData)
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return CB_ERR;
    m_hWnd->items[nIndex].data = dwItemData;
    return 0;
}

int CComboBox::AddString(LPCSTR lpszString)
{
    if (m_hWnd == nullptr)
        return CB_ERR;
    int index = GetCount();
    if (m_hWnd->style.load() & CBS_SORT)
    {
        // Equal texts keep their order of arrival.
        index = 0;
        while (index < GetCount() &&
               strcasecmp(m_hWnd->items[index].text, lpszString != nullptr ? lpszString : "") <= 0)
            ++index;
    }
    return InsertString(index, lpszString);
}

int CComboBox::InsertString(int nIndex, LPCSTR lpszString)
{
    if (m_hWnd == nullptr || nIndex > GetCount())
        return CB_ERR;
    if (nIndex < 0)
        nIndex = GetCount();
    HWND__::Item item;
    item.text = lpszString;
    m_hWnd->items.insert(m_hWnd->items.begin() + nIndex, item);
    // The selection stays with its entry.
    if (m_hWnd->curSel >= nIndex)
        ++m_hWnd->curSel;
    m_hWnd->Notify(afx::ChangeItems | afx::ChangeSelection);
    return nIndex;
}

int CComboBox::DeleteString(UINT nIndex)
{
    if (m_hWnd == nullptr || static_cast<int>(nIndex) >= GetCount())
        return CB_ERR;
    int index = static_cast<int>(nIndex);
    m_hWnd->items.erase(m_hWnd->items.begin() + index);
    if (m_hWnd->curSel == index)
        m_hWnd->curSel = CB_ERR;
    else if (m_hWnd->curSel > index)
        --m_hWnd->curSel;
    m_hWnd->Notify(afx::ChangeItems | afx::ChangeSelection);
    return GetCount();
}

void CComboBox::ResetContent()
{
    if (m_hWnd == nullptr)
        return;
    m_hWnd->items.clear();
    m_hWnd->curSel = CB_ERR;
    m_hWnd->text.Empty();
    m_hWnd->Notify(afx::ChangeItems | afx::ChangeSelection | afx::ChangeText);
}

int CComboBox::GetLBText(int nIndex, CString& rString) const
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return CB_ERR;
    rString = m_hWnd->items[nIndex].text;
    return rString.GetLength();
}

int CComboBox::GetLBTextLen(int nIndex) const
{
    if (m_hWnd == nullptr || nIndex < 0 || nIndex >= GetCount())
        return CB_ERR;
    return m_hWnd->items[nIndex].text.GetLength();
}

// ----- Trackbar -----

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL)
{
    if (m_hWnd == nullptr)
        return;
    m_hWnd->rangeMin = nMin;
    m_hWnd->rangeMax = nMax;
    m_hWnd->pos = afx::ClampToRange(m_hWnd, m_hWnd->pos.load());
    m_hWnd->Notify(afx::ChangeSlider);
}

void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw)
{
    if (m_hWnd != nullptr)
        SetRange(nMin, m_hWnd->rangeMax.load(), bRedraw);
}

void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw)
{
    if (m_hWnd != nullptr)
        SetRange(m_hWnd->rangeMin.load(), nMax, bRedraw);
}

int CSliderCtrl::GetRangeMin() const
{
    if (m_hWnd == nullptr)
        return 0;
    afx::PublishPendingUpdates();
    return m_hWnd->rangeMin.load();
}

int CSliderCtrl::GetRangeMax() const
{
    if (m_hWnd == nullptr)
        return 0;
    afx::PublishPendingUpdates();
    return m_hWnd->rangeMax.load();
}

void CSliderCtrl::GetRange(int& nMin, int& nMax) const
{
    nMin = GetRangeMin();
    nMax = GetRangeMax();
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

int CSliderCtrl::GetPos() const
{
    if (m_hWnd == nullptr)
        return 0;
    afx::PublishPendingUpdates();
    return m_hWnd->pos.load();
}

// ----- Static -----

HICON CStatic::SetIcon(HICON hIcon)
{
    if (m_hWnd == nullptr)
        return nullptr;
    HICON previous = m_hWnd->staticIcon;
    m_hWnd->staticIcon = hIcon;
    m_hWnd->Notify(afx::ChangeIcon);
    return previous;
}

HICON CStatic::GetIcon() const
{
    return m_hWnd != nullptr ? m_hWnd->staticIcon : nullptr;
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

UINT CMenu::GetMenuItemCount() const
{
    return static_cast<UINT>(m_items.size());
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    if (nPos < 0 || nPos >= static_cast<int>(m_items.size()))
        return static_cast<UINT>(-1);
    return m_items[nPos].id;
}

int CMenu::FindItem(UINT nIDItem, UINT nFlags) const
{
    if (nFlags & MF_BYPOSITION)
        return nIDItem < m_items.size() ? static_cast<int>(nIDItem) : -1;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (!(m_items[i].flags & MF_SEPARATOR) && m_items[i].id == nIDItem)
            return static_cast<int>(i);
    return -1;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    int i = FindItem(nIDItem, nFlags);
    rString = i >= 0 ? m_items[i].text : CString();
    return rString.GetLength();
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    int i = FindItem(nID, nFlags);
    return i >= 0 ? m_items[i].flags : static_cast<UINT>(-1);
}
