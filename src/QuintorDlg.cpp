// QuintorDlg.cpp : the tuner dialog's set-up, tuning file, sound card and window handlers

#include "StdAfx.h"

#include "Quintor.h"
#include "QuintorDlg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define new DEBUG_NEW

// The key buffers hold "Accord" or "Notes" and two digits: no more tunings than that.
static const int MAX_TUNINGS = 99;
// Values longer than the buffer are cut to 79 characters.
static const int VALUE_LENGTH = 80;

static const char TUNING_FILE[] = "Accords.ini";

static const char MSG_NO_FILE[] =
    "Il n'est pas possible de localiser le fichier d'accords\nCe programme va s'arrêter";
static const char MSG_NO_TUNING[] =
    "Le fichier d'accords ne contient aucun accord.\nAucun accord ne peut être choisi.";
static const char MSG_CARD[] = "Impossibilité d'initialiser la carte son\n"
                               "Arrêtez tous les logiciels utilisant la carte son.\n";
static const char MSG_OTHER_CARD[] = "Ou choisissez en une autre\n";

CQuintorDlg::CQuintorDlg(CWnd* pParent /*=NULL*/) : CDialog(CQuintorDlg::IDD, pParent)
{
    ImagOut = NULL;
    RealOut = NULL;
    ImagIn = NULL;
    RealIn = NULL;
    memset(&m_WaveHdr, 0, sizeof(m_WaveHdr));
    m_phWaveIn = NULL;
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    m_bRunning = 0;
    m_pCaptureThread = NULL;
}

CQuintorDlg::~CQuintorDlg()
{
    // However the dialog ended, nothing it owns outlives it, and no pass runs on without it.
    ShutDown();
}

void CQuintorDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GO, m_Go);
    DDX_Control(pDX, IDC_TUNING, m_Tuning);
    DDX_Control(pDX, IDC_SLIDER, m_Slider);
    DDX_Control(pDX, IDC_CARD, m_Card);
}

BEGIN_MESSAGE_MAP(CQuintorDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_GO, OnGo)
ON_BN_CLICKED(IDC_STOP, OnStop)
ON_WM_CLOSE()
ON_CBN_SELCHANGE(IDC_TUNING, OnSelchangeTuning)
ON_CBN_SELCHANGE(IDC_CARD, OpenSoundCard)
END_MESSAGE_MAP()

BOOL CQuintorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The About box is offered in the window menu. The system keeps the low four bits of a
    // window-menu command for itself and numbers its own commands from 0xF000.
    ASSERT((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX);
    ASSERT(IDM_ABOUTBOX < 0xF000);

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != NULL)
    {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty())
        {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The strings sit at positions 140 to 905 under their labels; past 905 is above the sixth.
    m_Slider.SetRange(0, 1000, TRUE);
    ImagIn = NULL;

    FillCardList();
    LoadTunings();

    m_phWaveIn = NULL;
    OpenSoundCard();

    // Top right corner of the desktop, 10 pixels down.
    CRect rDesktop, rDialog;
    GetDesktopWindow()->GetWindowRect(&rDesktop);
    GetWindowRect(&rDialog);
    SetWindowPos(&wndTop, rDesktop.Width() - rDialog.Width(), 10, 0, 0, SWP_NOSIZE);

    OnSelchangeTuning();

    return TRUE;
}

void CQuintorDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
    {
        CDialog::OnSysCommand(nID, lParam);
    }
}

// Minimised, the tuner has nothing to show but its icon, which a dialog does not draw itself.
void CQuintorDlg::OnPaint()
{
    if (IsIconic())
    {
        CPaintDC dc(this);

        SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);

        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - cxIcon + 1) / 2;
        int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    }
    else
    {
        CDialog::OnPaint();
    }
}

// The minimised tuner is dragged as its own icon.
HCURSOR CQuintorDlg::OnQueryDragIcon()
{
    return (HCURSOR)m_hIcon;
}

void CQuintorDlg::OnSelchangeTuning()
{
    // Nothing selected, or text typed into the field: there is no tuning to apply.
    int i = m_Tuning.GetCurSel();
    if (i == CB_ERR || i >= m_Names.GetSize())
        return;

    m_Accord.Set(m_Names[i], m_Notes[i]);

    // Only a sound card that opens enables GO; a wrong tuning can only take it away.
    if (m_Go.IsWindowEnabled())
        m_Go.EnableWindow(m_Accord.IsValid());

    if (m_Accord.IsValid())
    {
        for (int k = 0; k < 6; k++)
            GetDlgItem(IDC_STRING1 + k)->SetWindowText(m_Accord.GetLabel(k));
    }
}

// The tuning file

void CQuintorDlg::LoadTunings()
{
    CString strPath;
    BOOL bFound = FALSE;

    char szDirectory[MAX_PATH];
    DWORD nLength = GetCurrentDirectoryA(MAX_PATH, szDirectory);
    // A directory too long for the path is treated as one without the file.
    if (nLength > 0 && nLength + 1 + strlen(TUNING_FILE) < MAX_PATH)
    {
        strPath = CString(szDirectory) + "\\" + TUNING_FILE;
        WIN32_FIND_DATAA findData;
        HANDLE hFind = FindFirstFileA(strPath, &findData);
        if (hFind != INVALID_HANDLE_VALUE)
        {
            FindClose(hFind);
            bFound = TRUE;
        }
    }

    if (!bFound)
    {
        CFileDialog dlg(TRUE, ".ini", TUNING_FILE, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, NULL,
                        NULL);
        do
        {
            if (dlg.DoModal() != IDOK)
            {
                AfxMessageBox(MSG_NO_FILE, MB_OK);
                exit(0);
            }
            strPath = dlg.GetPathName();
        } while (dlg.GetFileName() != TUNING_FILE);
    }

    for (int n = 1; n <= MAX_TUNINGS; n++)
    {
        char szNameKey[sizeof("Accord99")];
        char szNotesKey[sizeof("Notes99")];
        snprintf(szNameKey, sizeof(szNameKey), "Accord%d", n);
        snprintf(szNotesKey, sizeof(szNotesKey), "Notes%d", n);

        char szName[VALUE_LENGTH];
        char szNotes[VALUE_LENGTH];
        GetPrivateProfileStringA("NOM", szNameKey, "", szName, VALUE_LENGTH, strPath);
        GetPrivateProfileStringA("NOTES", szNotesKey, "", szNotes, VALUE_LENGTH, strPath);
        if (szNotes[0] == '\0')
            break;

        m_Tuning.AddString(szName);
        m_Names.Add(szName);
        m_Notes.Add(szNotes);
    }

    if (m_Names.GetSize() == 0)
        AfxMessageBox(MSG_NO_TUNING, MB_OK);

    m_Tuning.SetCurSel(0);
}

// The sound card

void CQuintorDlg::FillCardList()
{
    UINT nDevices = waveInGetNumDevs();
    for (UINT i = 0; i < nDevices; i++)
    {
        WAVEINCAPSA caps;
        // A device that does not describe itself cannot be judged: it is not offered.
        if (waveInGetDevCapsA(i, &caps, sizeof(caps)) != MMSYSERR_NOERROR)
            continue;
        // Only cards that capture the tuner's format: 44.1 kHz, mono, 16 bits.
        if (caps.dwFormats & WAVE_FORMAT_4M16)
        {
            int nIndex = m_Card.AddString(caps.szPname);
            m_Card.SetItemData(nIndex, i);
        }
    }
    if (m_Card.GetCount() > 0)
        m_Card.SetCurSel(m_Card.GetCount() - 1);
}

void CQuintorDlg::CloseSoundCard()
{
    if (m_phWaveIn == NULL)
        return;
    waveInStop(*m_phWaveIn);
    if (m_WaveHdr.lpData != NULL)
    {
        waveInUnprepareHeader(*m_phWaveIn, &m_WaveHdr, sizeof(WAVEHDR));
        delete[] m_WaveHdr.lpData;
        m_WaveHdr.lpData = NULL;
    }
    waveInClose(*m_phWaveIn);
    delete m_phWaveIn;
    m_phWaveIn = NULL;
}

void CQuintorDlg::OpenSoundCard()
{
    CString strSuffix;
    if (m_Card.GetCount() >= 2)
        strSuffix = MSG_OTHER_CARD;

    OnStop();
    CloseSoundCard();

    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;

    m_phWaveIn = new HWAVEIN;
    // No selection reads as CB_ERR, which is WAVE_MAPPER: the default device.
    UINT nDevice = (UINT)m_Card.GetItemData(m_Card.GetCurSel());
    MMRESULT result = waveInOpen(m_phWaveIn, nDevice, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR)
    {
        char szError[1000];
        waveInGetErrorTextA(result, szError, sizeof(szError));
        AfxMessageBox(CString(MSG_CARD) + strSuffix + szError, MB_OK);
        m_Go.EnableWindow(FALSE);
        delete m_phWaveIn;
        m_phWaveIn = NULL;
        return;
    }

    // 2^19 bytes: 262144 samples, a capture block of about 5.9 s. The transform needs a power
    // of two, and the long block gives bins of about 0.17 Hz.
    m_WaveHdr.dwBufferLength = 1u << 19;
    m_WaveHdr.dwFlags = 0;
    m_WaveHdr.lpData = new char[m_WaveHdr.dwBufferLength];
    m_WaveHdr.dwBytesRecorded = 0;
    m_WaveHdr.dwUser = 0;
    m_WaveHdr.dwLoops = 0;
    result = waveInPrepareHeader(*m_phWaveIn, &m_WaveHdr, sizeof(WAVEHDR));
    if (result != MMSYSERR_NOERROR)
    {
        char szError[1000];
        waveInGetErrorTextA(result, szError, sizeof(szError));
        AfxMessageBox(CString(MSG_CARD) + strSuffix + szError, MB_OK);
        m_Go.EnableWindow(FALSE);
        waveInClose(*m_phWaveIn);
        delete m_phWaveIn;
        m_phWaveIn = NULL;
        delete[] m_WaveHdr.lpData;
        m_WaveHdr.lpData = NULL;
        return;
    }

    m_Go.EnableWindow(TRUE);
}
