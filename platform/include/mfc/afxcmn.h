// The framework's common controls: the trackbar ("msctls_trackbar32").
#pragma once

#include "afxwin.h"

#include <commctrl.h>

// The range and position live in the layer's own copy of the control's state, so any thread may
// read the range without waiting; SetPos from a worker is batched (afxwin.h).
class CSliderCtrl : public CWnd
{
public:
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    int GetRangeMax() const;
    // The position is held within the range.
    void SetPos(int nPos);
};
