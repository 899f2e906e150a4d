// Quintor.h : the application object, which runs the tuner dialog, and the About box
#pragma once

#include "resource.h"

class CQuintorApp : public CWinApp
{
public:
    CQuintorApp();
    virtual ~CQuintorApp();

    virtual BOOL InitInstance();

    DECLARE_MESSAGE_MAP()
};

// Opened from the window menu of the tuner.
class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    virtual ~CAboutDlg();

    enum
    {
        IDD = IDD_ABOUTBOX
    };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    DECLARE_MESSAGE_MAP()
};

extern CQuintorApp theApp;
