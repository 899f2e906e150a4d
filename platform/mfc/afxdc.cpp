// Device contexts and pens. A paint DC draws with the paint in progress; a client DC's drawing is
// retained by the layer (afxwin.h), carried out at once on the interface thread and batched from
// any other.
#include "afxwndimpl.h"

namespace
{
void Emit(HDC hDC, const afx::DrawOp& op)
{
    if (hDC == nullptr || afx::DcOf(hDC)->hWnd == nullptr)
        return;
    if (afx::DcOf(hDC)->paint && afx::Win(afx::DcOf(hDC)->hWnd)->recording != nullptr)
    {
        afx::Win(afx::DcOf(hDC)->hWnd)->recording->push_back(op);
        // A rehearsal's drawing is seen by no one.
        if (afx::Win(afx::DcOf(hDC)->hWnd)->rehearsing)
            return;
    }
    if (afx::DcOf(hDC)->paint)
    {
        afx::WindowBackend* backend = afx::GetWindowBackend();
        if (afx::DcOf(hDC)->painter != nullptr && backend != nullptr)
            backend->Execute(afx::DcOf(hDC)->painter, op);
    }
    else if (afx::IsInterfaceThread())
        afx::ApplyDraw(afx::DcOf(hDC)->hWnd, op);
    else
        afx::QueueDraw(afx::DcOf(hDC)->hWnd, op);
}
} // namespace

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    delete afx::PenOf(m_hObject);
    m_hObject = nullptr;
    return TRUE;
}

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor)
{
    CreatePen(nPenStyle, nWidth, crColor);
}

BOOL CPen::CreatePen(int, int nWidth, COLORREF crColor)
{
    if (m_hObject != nullptr)
        return FALSE;
    m_hObject = afx::ToHgdiobj(new afx::Pen);
    afx::PenOf(m_hObject)->pen = afx::PenDesc{nWidth, crColor};
    return TRUE;
}

CDC::CDC()
{
    m_defaultPen.CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    m_pSelectedPen = &m_defaultPen;
}

CDC::~CDC()
{
    delete afx::DcOf(m_hDC);
}

CPen* CDC::SelectObject(CPen* pPen)
{
    CPen* previous = m_pSelectedPen;
    if (pPen == nullptr || pPen->m_hObject == nullptr || m_hDC == nullptr)
        return nullptr;
    m_pSelectedPen = pPen;
    // The context keeps its own copy: a pen may be deleted once it is selected out.
    afx::DcOf(m_hDC)->pen = afx::PenOf(pPen->m_hObject)->pen;
    return previous;
}

BOOL CDC::LineTo(int x, int y)
{
    if (m_hDC == nullptr)
        return FALSE;
    afx::DrawOp op;
    op.kind = afx::DrawOp::Line;
    op.pen = afx::DcOf(m_hDC)->pen;
    op.from = afx::DcOf(m_hDC)->position;
    op.to = POINT{x, y};
    afx::DcOf(m_hDC)->position = op.to;
    Emit(m_hDC, op);
    return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    if (m_hDC == nullptr || hIcon == nullptr)
        return FALSE;
    afx::DrawOp op;
    op.kind = afx::DrawOp::Icon;
    op.from = POINT{x, y};
    op.icon = hIcon;
    Emit(m_hDC, op);
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr)
{
    m_hDC = afx::ToHdc(new afx::DeviceContext);
    afx::DcOf(m_hDC)->hWnd = m_hWnd;
    afx::DcOf(m_hDC)->paint = true;
    afx::DcOf(m_hDC)->painter = m_hWnd != nullptr ? afx::Win(m_hWnd)->painter : nullptr;
}

CPaintDC::~CPaintDC() = default;

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr)
{
    m_hDC = afx::ToHdc(new afx::DeviceContext);
    afx::DcOf(m_hDC)->hWnd = m_hWnd;
}

CClientDC::~CClientDC() = default;
