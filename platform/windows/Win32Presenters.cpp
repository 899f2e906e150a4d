// Message boxes and the file-open dialog of the Win32 back end: Windows' own.
#include "afxpresenters.h"
#include "afxwin32.h"

#include <commdlg.h>
#include <windows.h>

#include <vector>

namespace afx::win32
{
namespace
{
// Boxes belong to the window the user works in, which they block until answered.
class MessageBoxes : public MessageBoxPresenter
{
public:
    int Show(const char* text, const char* caption, UINT type) override
    {
        const int answer = MessageBoxW(GetActiveWindow(), Widen(text).c_str(),
                                       Widen(caption).c_str(), type | MB_SETFOREGROUND);
        return answer == IDCANCEL ? IDCANCEL : IDOK;
    }
};

class FileDialogs : public FileDialogPresenter
{
public:
    BOOL Choose(const FileDialogRequest& request, CString& path) override
    {
        // The framework's filter separates its fields with '|'; the system's with NULs.
        std::wstring filter = Widen(request.filter);
        for (wchar_t& c : filter)
            if (c == L'|')
                c = L'\0';
        if (!filter.empty())
            filter.push_back(L'\0');
        std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
        const std::wstring initial = Widen(request.initialPath);
        initial.copy(file.data(), file.size() - 1);
        const std::wstring extension = Widen(request.defaultExtension);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
        ofn.Flags = request.flags | OFN_EXPLORER;
        const BOOL chosen = request.open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
        if (!chosen)
            return FALSE;
        path = Narrow(file.data()).c_str();
        return TRUE;
    }
};

MessageBoxes g_messageBoxes;
FileDialogs g_fileDialogs;
} // namespace

void InstallPresenters()
{
    SetMessageBoxPresenter(&g_messageBoxes);
    SetFileDialogPresenter(&g_fileDialogs);
}
} // namespace afx::win32
