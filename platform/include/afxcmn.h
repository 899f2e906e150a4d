// The framework's common controls: the trackbar ("msctls_trackbar32").
#pragma once

#include "afxwin.h"

// The range and position live in the layer's own copy of the control's state, so any thread may
// read them without waiting; SetPos from a worker is batched (afxwin.h).
class CSliderCtrl : public CWnd
{
public:
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    void SetRangeMin(int nMin, BOOL bRedraw = FALSE);
    void SetRangeMax(int nMax, BOOL bRedraw = FALSE);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void GetRange(int& nMin, int& nMax) const;
    // The position is held within the range.
    void SetPos(int nPos);
    int GetPos() const;
};
