#include "ScriptedFileDialog.h"

namespace afx::testing
{
ScriptedFileDialog::ScriptedFileDialog() : m_previous(SetFileDialogPresenter(this)) {}

ScriptedFileDialog::~ScriptedFileDialog()
{
    SetFileDialogPresenter(m_previous);
}

void ScriptedFileDialog::Answer(std::optional<CString> path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(std::move(path));
}

std::vector<FileDialogRequest> ScriptedFileDialog::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

BOOL ScriptedFileDialog::Choose(const FileDialogRequest& request, CString& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(request);
    if (m_answers.empty())
        return FALSE;
    std::optional<CString> answer = m_answers.front();
    m_answers.pop_front();
    if (!answer)
        return FALSE;
    path = *answer;
    return TRUE;
}
} // namespace afx::testing
