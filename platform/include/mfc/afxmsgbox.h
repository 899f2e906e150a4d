// Application message boxes: the button kinds and results the program uses.
#pragma once

#include <windows.h>

// Shows lpszText (CP1252) with the application's caption through the installed presenter and
// returns the button pressed. nIDHelp is accepted and ignored: there is no help.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
