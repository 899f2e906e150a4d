// The framework's start-up on Qt: the application, its French translations, the window back end
// and the presenters of message boxes and file dialogs.
#include "QtWindows.h"

#include "afxdrivers.h"
#include "afxpresenters.h"
#include "afxqt.h"

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
        // The program asks for OK alone or OK and Cancel; closing the box cancels where it can.
        const bool canCancel = (type & 0x0F) == MB_OKCANCEL;
        box.setStandardButtons(canCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        if (box.standardButton(box.clickedButton()) == QMessageBox::Ok || !canCancel)
            return IDOK;
        return IDCANCEL;
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

bool Start(int& argc, char* argv[])
{
    if (g_framework != nullptr)
        return true;
    // A window on Wayland cannot place itself; through XWayland it can, as the tuner expects.
    // An explicit choice of platform stays the user's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    g_framework = new Framework;
    g_framework->app = std::make_unique<QApplication>(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    if (g_framework->qtTranslator.load(QLocale(QLocale::French, QLocale::France),
                                       QStringLiteral("qtbase"), QStringLiteral("_"),
                                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&g_framework->qtTranslator);
    g_framework->backend = std::make_unique<WindowsBackend>();
    SetWindowBackend(g_framework->backend.get());
    SetMessageBoxPresenter(&g_framework->messageBox);
    SetFileDialogPresenter(&g_framework->fileDialog);
    return true;
}

void Identify(const char* appName, const ProgramIdentity& program)
{
    // The application's name titles Qt's own dialogs; the desktop id ties the window to the
    // program's menu entry and icon.
    QApplication::setApplicationName(FromCp1252(appName));
    if (program.desktopId != nullptr)
        QGuiApplication::setDesktopFileName(QString::fromUtf8(program.desktopId));
}
} // namespace

const WindowDriver kWindowDriver = {"qt", Start, Identify};

void InitFramework(int& argc, char* argv[])
{
    static const WindowDriver* const drivers[] = {&kWindowDriver, nullptr};
    StartWindows(drivers, argc, argv);
}
} // namespace afx::qt
