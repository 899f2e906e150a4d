// Quintor.cpp : Defines the class behaviors for the application.
//

#include "StdAfx.h"

#include "Quintor.h"
#include "QuintorDlg.h"

/////////////////////////////////////////////////////////////////////////////
// CQuintorApp

BEGIN_MESSAGE_MAP(CQuintorApp, CWinApp)
//{{AFX_MSG_MAP(CQuintorApp)
//}}AFX_MSG
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

/////////////////////////////////////////////////////////////////////////////
// CQuintorApp construction

CQuintorApp::CQuintorApp() : CWinApp(NULL) {}

CQuintorApp::~CQuintorApp() {}

/////////////////////////////////////////////////////////////////////////////
// The one and only CQuintorApp object

CQuintorApp theApp;

/////////////////////////////////////////////////////////////////////////////
// CQuintorApp initialization

BOOL CQuintorApp::InitInstance()
{
    AfxEnableControlContainer();

    // Standard initialization
    Enable3dControls();

    CQuintorDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // Since the dialog has been closed, return FALSE so that we exit the
    //  application, rather than start the application's message pump.
    return FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// CAboutDlg dialog used for App About

CAboutDlg::CAboutDlg() : CDialog(CAboutDlg::IDD)
{
    //{{AFX_DATA_INIT(CAboutDlg)
    //}}AFX_DATA_INIT
}

CAboutDlg::~CAboutDlg() {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    //{{AFX_DATA_MAP(CAboutDlg)
    //}}AFX_DATA_MAP
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
//{{AFX_MSG_MAP(CAboutDlg)
//}}AFX_MSG_MAP
END_MESSAGE_MAP()
