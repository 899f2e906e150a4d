// The Qt 6 Widgets back end of the layer's windows.
#pragma once

#include "afxcp1252.h"
#include "afxwndimpl.h"

#include <QComboBox>
#include <QLabel>
#include <QMargins>
#include <QPushButton>
#include <QSlider>
#include <QString>
#include <QWidget>

namespace afx::qt
{
inline QString FromCp1252(const CString& text)
{
    return QString::fromStdString(Cp1252ToUtf8(static_cast<LPCSTR>(text)));
}

inline CString ToCp1252(const QString& text)
{
    return CString(Utf8ToCp1252(text.toStdString()).c_str());
}

QIcon IconOf(HICON hIcon);
// The margins of the frame the window manager will give a created top-level window; none when
// it cannot tell (no window manager).
QMargins MeasureFrame(QWidget* window);
QFont DialogFont(const CString& face, int pointSize);

// The top-level window of a dialog.
class DialogWidget : public QWidget
{
    Q_OBJECT
public:
    DialogWidget(HWND hWnd, QWidget* owner);
    void PopupSystemMenu(const QPoint& globalPos);
    // Enter and Escape, wherever the focus is in the dialog.
    void DialogKey(UINT vk);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    HWND m_hWnd;
};

// A static control: text or icon, with what client DCs drew into it.
class StaticWidget : public QLabel
{
    Q_OBJECT
public:
    StaticWidget(HWND hWnd, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HWND m_hWnd;
};

class WindowsBackend : public WindowBackend
{
public:
    WindowsBackend();
    ~WindowsBackend() override;
    SIZE DialogBaseUnits(const CString& fontFace, int pointSize) override;
    std::unique_ptr<WindowPeer> CreatePeer(HWND hWnd) override;
    void RunModalLoop(HWND hWnd) override;
    void EndModalLoop(HWND hWnd) override;
    RECT DesktopRect() override;
    void WakeInterfaceThread() override;
    void Execute(void* painter, const DrawOp& op) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
} // namespace afx::qt
