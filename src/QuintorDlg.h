// QuintorDlg.h : the tuner's dialog: tuning and sound card choice, capture, pitch and the slider
#pragma once

#include "Accord.h"
#include "resource.h"

#include <atomic>

class CQuintorDlg : public CDialog
{
public:
    CQuintorDlg(CWnd* pParent = NULL);
    virtual ~CQuintorDlg();

    // The capture thread's body: passes until the running flag drops; pParam is the dialog.
    static UINT CaptureThread(LPVOID pParam);

    // Pitch analysis, on the capture thread (QuintorAnalysis.cpp)
    double FindPitch();
    double FindPitch(const CAccord::Targets& targets);
    int IsPeak(UINT k);
    void Analyse();
    void DrawFrame(int nString, COLORREF color);

    enum
    {
        IDD = IDD_QUINTOR_DIALOG
    };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    // Spectrum arrays, one element per byte of the capture buffer; none until the first GO.
    double* ImagOut;
    double* RealOut;
    double* ImagIn;
    double* RealIn;
    // One buffer, given back to the device at every pass.
    WAVEHDR m_WaveHdr;
    // Null while no card is open: GO does nothing then.
    HWAVEIN* m_phWaveIn;

    CButton m_Go;
    CComboBox m_Tuning;
    CSliderCtrl m_Slider;
    CComboBox m_Card;

    HICON m_hIcon;
    CStringArray m_Names;
    CStringArray m_Notes;
    CAccord m_Accord;
    // Read by the capture thread at every pass while the interface thread may clear it.
    std::atomic<int> m_bRunning;
    CWinThread* m_pCaptureThread;

    void FillCardList();
    void LoadTunings();
    void CloseSoundCard();
    void ShutDown();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnGo();
    afx_msg void OnStop();
    afx_msg void OnClose();
    afx_msg void OnSelchangeTuning();
    // Also the card list's handler: a card is opened as soon as it is chosen.
    afx_msg void OpenSoundCard();
    DECLARE_MESSAGE_MAP()
};
