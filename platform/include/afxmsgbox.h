// Application message boxes: button and icon flags, results, and the presenter that shows them.
#pragma once

#include <windef.h>

#include <string>

#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001u
#endif
#ifndef MB_ABORTRETRYIGNORE
#define MB_ABORTRETRYIGNORE 0x00000002u
#endif
#ifndef MB_YESNOCANCEL
#define MB_YESNOCANCEL 0x00000003u
#endif
#ifndef MB_YESNO
#define MB_YESNO 0x00000004u
#endif
#ifndef MB_RETRYCANCEL
#define MB_RETRYCANCEL 0x00000005u
#endif
#ifndef MB_TYPEMASK
#define MB_TYPEMASK 0x0000000Fu
#endif

#ifndef MB_ICONHAND
#define MB_ICONHAND 0x00000010u
#endif
#ifndef MB_ICONSTOP
#define MB_ICONSTOP MB_ICONHAND
#endif
#ifndef MB_ICONERROR
#define MB_ICONERROR MB_ICONHAND
#endif
#ifndef MB_ICONQUESTION
#define MB_ICONQUESTION 0x00000020u
#endif
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030u
#endif
#ifndef MB_ICONWARNING
#define MB_ICONWARNING MB_ICONEXCLAMATION
#endif
#ifndef MB_ICONASTERISK
#define MB_ICONASTERISK 0x00000040u
#endif
#ifndef MB_ICONINFORMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#endif
#ifndef MB_ICONMASK
#define MB_ICONMASK 0x000000F0u
#endif

#ifndef MB_DEFBUTTON1
#define MB_DEFBUTTON1 0x00000000u
#endif
#ifndef MB_DEFBUTTON2
#define MB_DEFBUTTON2 0x00000100u
#endif
#ifndef MB_DEFBUTTON3
#define MB_DEFBUTTON3 0x00000200u
#endif
#ifndef MB_DEFMASK
#define MB_DEFMASK 0x00000F00u
#endif

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDABORT
#define IDABORT 3
#endif
#ifndef IDRETRY
#define IDRETRY 4
#endif
#ifndef IDIGNORE
#define IDIGNORE 5
#endif
#ifndef IDYES
#define IDYES 6
#endif
#ifndef IDNO
#define IDNO 7
#endif

// Shows lpszText (CP1252) with the application's caption through the installed presenter and
// returns the button pressed. nIDHelp is accepted and ignored: there is no help.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

namespace afx
{
class MessageBoxPresenter
{
public:
    virtual ~MessageBoxPresenter() = default;
    // Modal: returns the button pressed (IDOK, IDCANCEL, ...). Text and caption are CP1252.
    virtual int Show(const char* text, const char* caption, UINT type) = 0;
};

// Installs the presenter (not owned); nullptr restores the default. Returns the previous one,
// never null: handing it back to SetMessageBoxPresenter restores it, default included.
// Until a back end installs its own, the default writes the text, converted to UTF-8, and a line
// break to the standard error stream and answers IDOK at once.
MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter);
// The presenter in use, never null.
MessageBoxPresenter* GetMessageBoxPresenter();

// Caption of message boxes: the application's display name (set by CWinApp later; default
// "Quintor"). nullptr restores the default.
void SetMessageBoxCaption(const char* caption);
// A copy, so that a concurrent SetMessageBoxCaption cannot pull it away.
std::string GetMessageBoxCaption();
} // namespace afx
