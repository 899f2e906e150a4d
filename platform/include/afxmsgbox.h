// Application message boxes: the button kinds and results the program uses.
#pragma once

#include <windef.h>

#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001u
#endif

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// Shows lpszText (CP1252) with the application's caption through the installed presenter and
// returns the button pressed. nIDHelp is accepted and ignored: there is no help.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
