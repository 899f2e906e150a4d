// Window messages, styles and user-interface services of Win32, as far as the system uses them.
// The resource compiler reads it too (through afxres.h): anything but a definition stays out of
// its sight.
#pragma once

#ifndef RC_INVOKED
#include "windef.h"
#endif

// Messages
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112

// System commands
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

// Window styles
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_VSCROLL 0x00200000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_APPWINDOW 0x00040000L

// Dialog styles
#define DS_SETFONT 0x40L
#define DS_ABSALIGN 0x01L
#define DS_MODALFRAME 0x80L

// Button styles and notifications
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_TYPEMASK 0x0000000FL
#define BN_CLICKED 0

// Combo box styles, notifications and results
#define CBS_DROPDOWN 0x0002L
#define CBS_SORT 0x0100L
#define CBN_SELCHANGE 1
#define CB_ERR (-1)

// Static styles
#define SS_CENTER 0x00000001L
#define SS_ICON 0x00000003L
#define SS_TYPEMASK 0x0000001FL
#define SS_NOPREFIX 0x00000080L
#define SS_CENTERIMAGE 0x00000200L

// ShowWindow
#define SW_HIDE 0
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004

// Menus
#define MF_STRING 0x00000000L
#define MF_SEPARATOR 0x00000800L

// Keys
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B

// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define IDOK 1
#define IDCANCEL 2

// Pens
#define PS_SOLID 0

// GetSystemMetrics
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

#ifndef RC_INVOKED
int GetSystemMetrics(int nIndex);
#endif
