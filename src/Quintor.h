// Quintor.h : main header file for the QUINTOR application
//
#pragma once

#include "resource.h" // main symbols

/////////////////////////////////////////////////////////////////////////////
// CQuintorApp:
// See Quintor.cpp for the implementation of this class
//

class CQuintorApp : public CWinApp
{
public:
    CQuintorApp();
    virtual ~CQuintorApp();

    // Overrides
    //{{AFX_VIRTUAL(CQuintorApp)
public:
    virtual BOOL InitInstance();
    //}}AFX_VIRTUAL

    // Implementation
    //{{AFX_MSG(CQuintorApp)
    //}}AFX_MSG
    DECLARE_MESSAGE_MAP()
};

/////////////////////////////////////////////////////////////////////////////
// CAboutDlg dialog used for App About

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    virtual ~CAboutDlg();

    // Dialog Data
    //{{AFX_DATA(CAboutDlg)
    enum
    {
        IDD = IDD_ABOUTBOX
    };
    //}}AFX_DATA

    // ClassWizard generated virtual function overrides
    //{{AFX_VIRTUAL(CAboutDlg)
protected:
    virtual void DoDataExchange(CDataExchange* pDX); // DDX/DDV support
    //}}AFX_VIRTUAL

    // Implementation
protected:
    //{{AFX_MSG(CAboutDlg)
    //}}AFX_MSG
    DECLARE_MESSAGE_MAP()
};

extern CQuintorApp theApp;
