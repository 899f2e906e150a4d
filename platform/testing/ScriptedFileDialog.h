// A file-dialog presenter for tests: answers each request from a script, at once, and keeps
// the requests. Installed for its lifetime.
#pragma once

#include <afxpresenters.h>

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace afx::testing
{
class ScriptedFileDialog : public FileDialogPresenter
{
public:
    ScriptedFileDialog();
    ~ScriptedFileDialog() override;
    ScriptedFileDialog(const ScriptedFileDialog&) = delete;
    ScriptedFileDialog& operator=(const ScriptedFileDialog&) = delete;

    // The next answers, in turn: a path (code page 1252) confirms, nullopt cancels. With the
    // script spent, the dialog is cancelled.
    void Answer(std::optional<CString> path);
    std::vector<FileDialogRequest> Requests() const;

    BOOL Choose(const FileDialogRequest& request, CString& path) override;

private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<CString>> m_answers;
    std::vector<FileDialogRequest> m_requests;
    FileDialogPresenter* m_previous;
};
} // namespace afx::testing
