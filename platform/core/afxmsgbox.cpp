// Application message boxes: the presenter in use, the caption, and the console fallback.
#include "afx.h"

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
        const std::string line = afx::Cp1252ToUtf8(text) + "\n";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        return IDOK;
    }
};

ConsolePresenter g_consolePresenter;
std::atomic<afx::MessageBoxPresenter*> g_presenter{&g_consolePresenter};

std::mutex g_captionLock;
const char* const kDefaultCaption = "Quintor";

std::string& CaptionStorage()
{
    static std::string caption = kDefaultCaption;
    return caption;
}

// Unicode code points of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
const char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
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
    CaptionStorage() = caption != nullptr ? caption : kDefaultCaption;
}

std::string GetMessageBoxCaption()
{
    std::lock_guard<std::mutex> lock(g_captionLock);
    return CaptionStorage();
}

std::string Cp1252ToUtf8(const char* text)
{
    std::string out;
    if (text == nullptr)
        return out;
    for (; *text != '\0'; ++text)
    {
        const unsigned char byte = static_cast<unsigned char>(*text);
        char32_t code = byte;
        if (byte >= 0x80 && byte < 0xA0)
            code = kHighControls[byte - 0x80];
        if (code < 0x80)
        {
            out += static_cast<char>(code);
        }
        else if (code < 0x800)
        {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}
} // namespace afx

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    (void)nIDHelp;
    const std::string caption = afx::GetMessageBoxCaption();
    return afx::GetMessageBoxPresenter()->Show(lpszText != nullptr ? lpszText : "", caption.c_str(),
                                               nType);
}
