// QuintorAnalysis.cpp : pitch detection and string matching of the tuner dialog

#include "StdAfx.h"

#include "QuintorDlg.h"

#include <climits>
#include <cmath>
#include <cstdlib>

static const UINT SAMPLE_RATE = 44100;
// Quieter bins are noise, not a string.
static const double MAGNITUDE_THRESHOLD = 5e7;
// A peak stands above 19 bins on each side, about 3.2 Hz at 0.17 Hz a bin, so that the ripple
// around a note is not taken for it.
static const UINT PEAK_HALF_WIDTH = 19;
// Below this no peak is sought, which also keeps every neighbour a peak is compared with at or
// above bin 1.
static const UINT FIRST_PEAK_BIN = 20;

// Slider position of string i, under its label.
static int StringPosition(int i)
{
    return 153 * i + 140;
}

// Truncation toward zero. A NaN or a value beyond int gives the integer indefinite value (the
// most negative int), as the processor's conversion does, where C++ leaves it undefined.
static int TruncateToInt(double x)
{
    if (!(x > (double)INT_MIN - 1.0 && x < (double)INT_MAX + 1.0))
        return INT_MIN;
    return (int)x;
}

static double Magnitude(const double* pReal, const double* pImag, UINT k)
{
    return sqrt(pReal[k] * pReal[k] + pImag[k] * pImag[k]);
}

int CQuintorDlg::IsPeak(UINT k)
{
    if (k < FIRST_PEAK_BIN)
        return 0;
    double m = Magnitude(RealOut, ImagOut, k);
    for (UINT i = 1; i <= PEAK_HALF_WIDTH; i++)
    {
        if (!(m > Magnitude(RealOut, ImagOut, k - i)))
            return 0;
        if (!(m > Magnitude(RealOut, ImagOut, k + i)))
            return 0;
    }
    return 1;
}

double CQuintorDlg::FindPitch()
{
    return FindPitch(m_Accord.GetTargets());
}

double CQuintorDlg::FindPitch(const CAccord::Targets& targets)
{
    int R = m_Slider.GetRangeMax();
    // The slider's right end, in hertz: position 905 stands for the sixth string.
    double F = R * targets[5] / 905.0;
    UINT L = m_WaveHdr.dwBufferLength;
    // Targets are never negative; a ceiling that is no frequency scans nothing.
    UINT nCeiling = (F >= 0 && F < 4294967296.0) ? (UINT)F : 0;
    UINT B = nCeiling * (L / 2) / SAMPLE_RATE;

    UINT P = 0;
    BOOL bFound = FALSE;
    for (UINT k = 0; !bFound && k < B; k++)
    {
        if (Magnitude(RealOut, ImagOut, k) > MAGNITUDE_THRESHOLD && IsPeak(k))
        {
            P = k;
            bFound = TRUE;
        }
    }
    if (!bFound || L == 0)
        return 0;
    return (double)((P * SAMPLE_RATE * 2) / L);
}

void CQuintorDlg::Analyse()
{
    // One pass, one set of targets, even while another tuning is being applied.
    const CAccord::Targets targets = m_Accord.GetTargets();

    double f = FindPitch(targets);
    int up = targets.GetUpperString(f);
    int lo = targets.GetLowerString(f);
    int R = m_Slider.GetRangeMax();

    double fLo = 0;
    int pLo = 0;
    if (lo >= 0)
    {
        fLo = targets[lo];
        pLo = StringPosition(lo);
    }

    double fUp;
    int pUp;
    if (up <= 5)
    {
        fUp = targets[up];
        pUp = StringPosition(up);
    }
    else
    {
        fUp = (R / 905) * targets[5];
        pUp = R;
    }

    int dUp = abs(TruncateToInt(fUp - f));
    int dLo = abs(TruncateToInt(fLo - f));

    int nearest;
    int nPos;
    if (dUp < dLo)
    {
        nearest = up;
        nPos = TruncateToInt(pUp / (fUp / f));
    }
    else
    {
        nearest = lo;
        nPos = TruncateToInt(pLo * (f / fLo));
    }

    m_Slider.SetPos(nPos);
    Invalidate(TRUE);

    if (nearest == -1)
        return;

    // A ratio that is no number fails both bands and draws nothing.
    double ratio = f / targets[nearest];
    if (ratio >= 0.995 && ratio <= 1.005)
        DrawFrame(nearest, RGB(0, 255, 0));
    else if (ratio >= 0.99 && ratio <= 1.01)
        DrawFrame(nearest, RGB(255, 255, 0));
}

void CQuintorDlg::DrawFrame(int nString, COLORREF color)
{
    Invalidate(TRUE);

    for (int i = 0; i < 6; i++)
    {
        CWnd* pLabel = GetDlgItem(IDC_STRING1 + i);
        CRect rect;
        pLabel->GetClientRect(&rect);
        if (i != nString)
            continue;

        CPen pen(PS_SOLID, 5, color);
        CClientDC dc(pLabel);
        CPen* pOldPen = dc.SelectObject(&pen);
        // From the context's first position, the top-left corner: down, right, up and back.
        dc.LineTo(rect.left, rect.bottom);
        dc.LineTo(rect.right, rect.bottom);
        dc.LineTo(rect.right, rect.top);
        dc.LineTo(rect.left, rect.top);
        dc.SelectObject(pOldPen);
    }
}
