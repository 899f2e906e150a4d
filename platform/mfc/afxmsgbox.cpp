// Application message boxes: the presenter in use, the caption, and the console fallback.
#include "afxpresenters.h"
#include "afxcp1252.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace
{
// Before a back end installs its own presenter there is no window to show: the text goes to the
// console and the box counts as acknowledged.
class ConsolePresenter : public afx::MessageBoxPresenter
{
public:
    int Show(const char* text, const char* caption, UINT type) override
    {
        (void)caption;
        (void)type;
        const std::string line = afx::Cp1252ToUtf8(text != nullptr ? text : "") + "\n";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        return IDOK;
    }
};

ConsolePresenter g_consolePresenter;
std::atomic<afx::MessageBoxPresenter*> g_presenter{&g_consolePresenter};

std::mutex g_captionLock;

// Empty until set: the default is looked up when it is needed, once the resources are there.
std::string& CaptionStorage()
{
    static std::string caption;
    return caption;
}
} // namespace

namespace afx
{
MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter)
{
    return g_presenter.exchange(presenter != nullptr ? presenter : &g_consolePresenter);
}

MessageBoxPresenter* GetMessageBoxPresenter()
{
    return g_presenter.load();
}

void SetMessageBoxCaption(const char* caption)
{
    std::lock_guard<std::mutex> lock(g_captionLock);
    CaptionStorage() = caption != nullptr ? caption : "";
}

std::string GetMessageBoxCaption()
{
    {
        std::lock_guard<std::mutex> lock(g_captionLock);
        if (!CaptionStorage().empty())
            return CaptionStorage();
    }
    return DefaultAppName();
}

} // namespace afx

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    (void)nIDHelp;
    const std::string caption = afx::GetMessageBoxCaption();
    return afx::GetMessageBoxPresenter()->Show(lpszText != nullptr ? lpszText : "", caption.c_str(),
                                               nType);
}
