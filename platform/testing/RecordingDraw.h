// Records every drawing operation made through the layer's device contexts while installed.
#pragma once

#include "afxwndimpl.h"

#include <mutex>
#include <vector>

namespace afx::testing
{
struct DrawnOp
{
    int controlId; // the window's control id (0 for a dialog)
    bool paintContext;
    DrawOp op;
};

class RecordingDraw : public DrawObserver
{
public:
    RecordingDraw() : m_previous(SetDrawObserver(this)) {}
    ~RecordingDraw() override { SetDrawObserver(m_previous); }
    RecordingDraw(const RecordingDraw&) = delete;
    RecordingDraw& operator=(const RecordingDraw&) = delete;

    void Drawn(HWND hWnd, bool paintContext, const DrawOp& op) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ops.push_back(DrawnOp{hWnd->id, paintContext, op});
    }

    std::vector<DrawnOp> Ops() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ops;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ops.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<DrawnOp> m_ops;
    DrawObserver* m_previous;
};
} // namespace afx::testing
