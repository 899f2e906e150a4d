// The framework's start-up on Qt: the application, its French translations, the window back end
// and the presenters of message boxes and file dialogs.
#include "QtWindows.h"

#include "afxdlgs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <memory>

namespace afx::qt
{
namespace
{
class QtMessageBox : public MessageBoxPresenter
{
public:
    int Show(const char* text, const char* caption, UINT type) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(FromCp1252(caption));
        box.setText(FromCp1252(text));
        switch (type & 0xF0)
        {
            case MB_ICONHAND:
                box.setIcon(QMessageBox::Critical);
                break;
            case MB_ICONQUESTION:
                box.setIcon(QMessageBox::Question);
                break;
            case MB_ICONEXCLAMATION:
                box.setIcon(QMessageBox::Warning);
                break;
            case MB_ICONASTERISK:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        struct Choice
        {
            QMessageBox::StandardButton button;
            int id;
        };
        std::vector<Choice> choices;
        switch (type & 0x0F)
        {
            case MB_OKCANCEL:
                choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
                break;
            case MB_ABORTRETRYIGNORE:
                choices = {{QMessageBox::Abort, IDABORT},
                           {QMessageBox::Retry, IDRETRY},
                           {QMessageBox::Ignore, IDIGNORE}};
                break;
            case MB_YESNOCANCEL:
                choices = {{QMessageBox::Yes, IDYES},
                           {QMessageBox::No, IDNO},
                           {QMessageBox::Cancel, IDCANCEL}};
                break;
            case MB_YESNO:
                choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
                break;
            case MB_RETRYCANCEL:
                choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
                break;
            default:
                choices = {{QMessageBox::Ok, IDOK}};
                break;
        }
        QMessageBox::StandardButtons buttons;
        for (const Choice& c : choices)
            buttons |= c.button;
        box.setStandardButtons(buttons);
        box.setDefaultButton(choices.front().button);
        box.exec();
        QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
        for (const Choice& c : choices)
            if (c.button == pressed)
                return c.id;
        // Closed without a button: Cancel where there is one, else the only answer.
        for (const Choice& c : choices)
            if (c.id == IDCANCEL)
                return IDCANCEL;
        return choices.front().id;
    }
};

class QtFileDialog : public FileDialogPresenter
{
public:
    BOOL Choose(const FileDialogRequest& request, CString& path) override
    {
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!request.defaultExtension.IsEmpty())
            dialog.setDefaultSuffix(FromCp1252(request.defaultExtension));
        QString initial = FromCp1252(request.initialPath).replace('\\', '/');
        QFileInfo info(initial);
        dialog.setDirectory(info.isAbsolute() ? info.absolutePath() : QDir::currentPath());
        if (!info.fileName().isEmpty())
            dialog.selectFile(info.fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return FALSE;
        path = ToCp1252(QDir::toNativeSeparators(dialog.selectedFiles().front()));
        return TRUE;
    }
};

struct Framework
{
    std::unique_ptr<QApplication> app;
    QTranslator qtTranslator;
    std::unique_ptr<WindowsBackend> backend;
    QtMessageBox messageBox;
    QtFileDialog fileDialog;
};

Framework* g_framework = nullptr;
} // namespace
} // namespace afx::qt

namespace afx
{
void InitFramework(int& argc, char* argv[])
{
    using namespace afx::qt;
    if (g_framework != nullptr)
        return;
    g_framework = new Framework;
    // A window on Wayland cannot place itself; through XWayland it can, as the tuner expects.
    // An explicit choice of platform stays the user's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    g_framework->app = std::make_unique<QApplication>(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    if (g_framework->qtTranslator.load(QLocale(QLocale::French, QLocale::France),
                                       QStringLiteral("qtbase"), QStringLiteral("_"),
                                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&g_framework->qtTranslator);
    g_framework->backend = std::make_unique<WindowsBackend>();
    SetWindowBackend(g_framework->backend.get());
    SetInterfaceThread();
    SetMessageBoxPresenter(&g_framework->messageBox);
    SetFileDialogPresenter(&g_framework->fileDialog);
}
} // namespace afx

int AFXAPI AfxWinMain(int argc, char* argv[])
{
    afx::InitFramework(argc, argv);
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    // The application's default name is its module's, as the framework gives it; it captions
    // the message boxes and names the window's class for the desktop.
    static CString exeName;
    exeName = AfxModuleName(argc > 0 ? argv[0] : nullptr).c_str();
    app->m_pszExeName = exeName;
    if (app->m_pszAppName == nullptr)
    {
        app->m_pszAppName = exeName;
        afx::SetMessageBoxCaption(exeName);
    }
    QApplication::setApplicationName(afx::qt::FromCp1252(app->m_pszAppName));
    QGuiApplication::setDesktopFileName(QStringLiteral("fr.quintor.Quintor"));
    int result = 0;
    if (!app->InitInstance())
        result = app->ExitInstance();
    // Windows still open belong to objects whose owners are gone: the process ends here.
    return result;
}
