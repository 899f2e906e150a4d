// A message-box presenter for tests.
#include "RecordingMessageBox.h"

namespace afx::testing
{
RecordingMessageBox::RecordingMessageBox(int answer)
    : m_answer(answer), m_previous(afx::SetMessageBoxPresenter(this))
{
}

RecordingMessageBox::~RecordingMessageBox()
{
    afx::SetMessageBoxPresenter(m_previous);
}

int RecordingMessageBox::Show(const char* text, const char* caption, UINT type)
{
    std::lock_guard<std::mutex> guard(m_lock);
    calls.push_back(Call{text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    return m_answer;
}
} // namespace afx::testing
