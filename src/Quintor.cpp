// Quintor.cpp : the application object, which runs the tuner dialog, and the About box

#include "StdAfx.h"

#include "Quintor.h"
#include "QuintorDlg.h"

BEGIN_MESSAGE_MAP(CQuintorApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CQuintorApp::CQuintorApp() : CWinApp(NULL) {}

CQuintorApp::~CQuintorApp() {}

// The framework finds the application through this object, not by any call from here.
CQuintorApp theApp;

BOOL CQuintorApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    CQuintorDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // The tuner is the dialog: once it is closed there is nothing left to run, so FALSE ends the
    // process instead of starting the application's message loop.
    return FALSE;
}

CAboutDlg::CAboutDlg() : CDialog(CAboutDlg::IDD) {}

CAboutDlg::~CAboutDlg() {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()
