// QuintorCapture.cpp : the capture loop of the tuner dialog and the release of what it holds

#include "StdAfx.h"

#include "FFT.h"
#include "QuintorDlg.h"

#define new DEBUG_NEW

void CQuintorDlg::OnGo()
{
    // One capture thread at a time, and only on an open device.
    if (m_pCaptureThread != NULL || m_phWaveIn == NULL)
        return;

    if (ImagIn == NULL)
    {
        UINT nLength = m_WaveHdr.dwBufferLength;
        RealIn = new double[nLength];
        ImagIn = new double[nLength];
        RealOut = new double[nLength]();
        ImagOut = new double[nLength]();
    }

    m_bRunning = 1;
    waveInStart(*m_phWaveIn);

    // At idle priority the transform and analysis of each 5.9 s block take only the time the
    // interface does not need. Kept after its end, so that Stop can wait on it whenever it comes.
    m_pCaptureThread =
        AfxBeginThread(CaptureThread, this, THREAD_PRIORITY_IDLE, 0, CREATE_SUSPENDED);
    m_pCaptureThread->m_bAutoDelete = FALSE;
    m_pCaptureThread->ResumeThread();
}

UINT CQuintorDlg::CaptureThread(LPVOID pParam)
{
    CQuintorDlg* pDlg = (CQuintorDlg*)pParam;

    while (pDlg->m_bRunning == 1)
    {
        // Hands the buffer back; it returns holding either nothing new or one whole block.
        waveInAddBuffer(*pDlg->m_phWaveIn, &pDlg->m_WaveHdr, sizeof(WAVEHDR));

        UINT n = pDlg->m_WaveHdr.dwBytesRecorded / 2;
        const short* pSamples = (const short*)pDlg->m_WaveHdr.lpData;
        for (UINT k = 0; k < n; k++)
        {
            pDlg->RealIn[k] = (double)pSamples[k];
            pDlg->ImagIn[k] = 0;
        }

        CFFT fft;
        fft.Transform(n, 0, pDlg->RealIn, pDlg->ImagIn, pDlg->RealOut, pDlg->ImagOut);

        pDlg->Analyse();
    }
    return 0;
}

void CQuintorDlg::OnStop()
{
    m_bRunning = 0;
    // The capture thread never waits for this one, so this wait always ends.
    if (m_pCaptureThread != NULL)
    {
        WaitForSingleObject(m_pCaptureThread->m_hThread, INFINITE);
        delete m_pCaptureThread;
    }
    m_pCaptureThread = NULL;
}

void CQuintorDlg::ShutDown()
{
    OnStop();
    CloseSoundCard();
    if (ImagIn != NULL)
    {
        delete[] RealIn;
        delete[] ImagIn;
        delete[] RealOut;
        delete[] ImagOut;
        RealIn = ImagIn = RealOut = ImagOut = NULL;
    }
}

void CQuintorDlg::OnClose()
{
    ShutDown();
    CDialog::OnClose();
}

// Escape and Enter end the dialog without passing through OnClose: they release as it does.
void CQuintorDlg::OnOK()
{
    ShutDown();
    CDialog::OnOK();
}

void CQuintorDlg::OnCancel()
{
    ShutDown();
    CDialog::OnCancel();
}
