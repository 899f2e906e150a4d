// A message-box presenter for tests: it records every box and answers at once.
#pragma once

#include <afxpresenters.h>

#include <mutex>
#include <string>
#include <vector>

namespace afx::testing
{
class RecordingMessageBox : public afx::MessageBoxPresenter
{
public:
    struct Call
    {
        std::string text;    // CP1252
        std::string caption; // CP1252
        UINT type;
    };

    // Installs itself; the previous presenter comes back when this one is destroyed.
    explicit RecordingMessageBox(int answer = IDOK);
    ~RecordingMessageBox() override;
    RecordingMessageBox(const RecordingMessageBox&) = delete;
    RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

    int Show(const char* text, const char* caption, UINT type) override;

    // The boxes shown, oldest first; read it once no other thread can show a box.
    std::vector<Call> calls;

private:
    std::mutex m_lock;
    const int m_answer;
    afx::MessageBoxPresenter* m_previous;
};
} // namespace afx::testing
