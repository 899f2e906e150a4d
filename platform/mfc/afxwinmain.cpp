// The framework's start: the application's names, the windows' driver, then InitInstance.
#include "afxdrivers.h"
#include "afxpresenters.h"
#include "afxwndimpl.h"

#include <afxres.h>

#include <string>

namespace
{
const afx::WindowDriver* g_driver = nullptr;

// The module's name as Windows gives it to the application: its file name without the folder
// and the extension.
std::string ModuleName()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : MAX_PATH);
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}
} // namespace

namespace afx
{
std::string DefaultAppName()
{
    CString title;
    if (title.LoadString(AFX_IDS_APP_TITLE))
        return static_cast<LPCSTR>(title);
    return ModuleName();
}

bool StartWindows(const WindowDriver* const* drivers, int& argc, char* argv[])
{
    if (g_driver != nullptr)
        return true;
    for (; drivers != nullptr && *drivers != nullptr; ++drivers)
        if ((*drivers)->start(argc, argv))
        {
            SetInterfaceThread();
            g_driver = *drivers;
            return true;
        }
    return false;
}

int RunApplication(const WindowDriver* const* drivers, const ProgramIdentity& program, int argc,
                   char* argv[])
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    static CString exeName;
    static CString title;
    exeName = ModuleName().c_str();
    app->m_pszExeName = exeName;
    if (app->m_pszAppName == nullptr)
    {
        title = DefaultAppName().c_str();
        app->m_pszAppName = title;
    }
    SetMessageBoxCaption(app->m_pszAppName);
    if (!StartWindows(drivers, argc, argv))
    {
        AfxMessageBox("Aucune interface graphique n'est disponible.", MB_OK);
        return 1;
    }
    if (g_driver->identify != nullptr)
        g_driver->identify(app->m_pszAppName, program);
    int result = 0;
    if (!app->InitInstance())
        result = app->ExitInstance();
    // Windows still open belong to objects whose owners are gone: the process ends here.
    return result;
}
} // namespace afx
