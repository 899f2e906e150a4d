// Worker threads and waiting for them.
#include "afxwndimpl.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace afx
{
// The kernel object behind a thread's handle: it outlives the CWinThread while the thread runs.
struct ThreadState
{
    std::mutex mutex;
    std::condition_variable changed;
    bool resumed = false;
    bool ended = false;
};

struct ThreadAccess
{
    static std::shared_ptr<ThreadState>& State(CWinThread* t) { return t->m_state; }
};
} // namespace afx

namespace
{
void ApplyPriority(pthread_t thread, int nPriority)
{
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(thread, nPriority <= THREAD_PRIORITY_IDLE ? SCHED_IDLE : SCHED_OTHER,
                          &param);
}
} // namespace

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() = default;

DWORD CWinThread::ResumeThread()
{
    if (!m_state)
        return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(m_state->mutex);
    DWORD previous = m_state->resumed ? 0 : 1;
    m_state->resumed = true;
    m_state->changed.notify_all();
    return previous;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::ExitInstance()
{
    return 0;
}

CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority,
                                  UINT nStackSize, DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES)
{
    (void)nStackSize; // the system's default stack serves every worker here
    auto* pThread = new CWinThread;
    auto state = std::make_shared<afx::ThreadState>();
    afx::ThreadAccess::State(pThread) = state;
    pThread->m_hThread = state.get();
    state->resumed = (dwCreateFlags & CREATE_SUSPENDED) == 0;

    std::lock_guard<std::mutex> lock(state->mutex);
    std::thread worker(
        [state, pThread, pfnThreadProc, pParam, nPriority]
        {
            {
                std::unique_lock<std::mutex> wait(state->mutex);
                ApplyPriority(pthread_self(), nPriority);
                state->changed.wait(wait, [&] { return state->resumed; });
            }
            pfnThreadProc(pParam);
            // What the worker asked of the screen goes out before anyone sees it ended.
            afx::PublishPendingUpdates();
            bool autoDelete;
            {
                std::lock_guard<std::mutex> done(state->mutex);
                autoDelete = pThread->m_bAutoDelete != FALSE;
                state->ended = true;
                state->changed.notify_all();
            }
            if (autoDelete)
                delete pThread;
        });
    worker.detach();
    return pThread;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    auto* state = static_cast<afx::ThreadState*>(hHandle);
    if (state == nullptr)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(state->mutex);
    if (dwMilliseconds == INFINITE)
    {
        state->changed.wait(lock, [&] { return state->ended; });
        return WAIT_OBJECT_0;
    }
    bool ended = state->changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                                         [&] { return state->ended; });
    return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
