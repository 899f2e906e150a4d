// The presenters that show message boxes and file dialogs. The back end installs its own at
// start-up and the test doubles replace them; the program only calls AfxMessageBox and
// CFileDialog::DoModal, so this header stays on the layer's side.
#pragma once

#include "afxdlgs.h"

#include <string>

namespace afx
{
class MessageBoxPresenter
{
public:
    virtual ~MessageBoxPresenter() = default;
    // Modal: returns the button pressed (IDOK, IDCANCEL). Text and caption are CP1252.
    virtual int Show(const char* text, const char* caption, UINT type) = 0;
};

// Installs the presenter (not owned); nullptr restores the default. Returns the previous one,
// never null: handing it back to SetMessageBoxPresenter restores it, default included.
// Until a back end installs its own, the default writes the text, converted to UTF-8, and a line
// break to the standard error stream and answers IDOK at once.
MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter);
// The presenter in use, never null.
MessageBoxPresenter* GetMessageBoxPresenter();

// The application's name when it gives none: the resources' AFX_IDS_APP_TITLE, else the module's
// file name without folder and extension.
std::string DefaultAppName();
// Caption of message boxes: the application's display name (set at start; by default
// DefaultAppName()). nullptr restores the default.
void SetMessageBoxCaption(const char* caption);
// A copy, so that a concurrent SetMessageBoxCaption cannot pull it away.
std::string GetMessageBoxCaption();

// What a file dialog asks, in code page 1252.
struct FileDialogRequest
{
    BOOL open;
    CString defaultExtension; // without the dot
    CString initialPath;      // a name, or the full path of the last choice
    CString filter;
    DWORD flags;
};

class FileDialogPresenter
{
public:
    virtual ~FileDialogPresenter() = default;
    // Modal. TRUE with the full path of the chosen file (code page 1252), FALSE on cancel.
    virtual BOOL Choose(const FileDialogRequest& request, CString& path) = 0;
};

// Installs the presenter (not owned); nullptr restores the framework's. Returns the previous one.
FileDialogPresenter* SetFileDialogPresenter(FileDialogPresenter* presenter);
FileDialogPresenter* GetFileDialogPresenter();
} // namespace afx
