// Worker threads of the framework: the language's threads, with the system's priority and a
// system event as the handle a caller waits on. The handle is signalled once the worker's
// function has returned and its screen requests are out.
#include "afxwndimpl.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace afx
{
struct ThreadStart
{
    std::mutex mutex;
    std::condition_variable resumed;
    bool running = false;
};

struct ThreadAccess
{
    static std::shared_ptr<ThreadStart>& Start(CWinThread* t) { return t->m_start; }
};
} // namespace afx

CWinThread::CWinThread() = default;

CWinThread::~CWinThread()
{
    if (m_hThread != nullptr)
        CloseHandle(m_hThread);
}

DWORD CWinThread::ResumeThread()
{
    if (!m_start)
        return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(m_start->mutex);
    const DWORD previous = m_start->running ? 0 : 1;
    m_start->running = true;
    m_start->resumed.notify_all();
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
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ended == nullptr)
        return nullptr;
    auto* pThread = new CWinThread;
    pThread->m_hThread = ended;
    auto start = std::make_shared<afx::ThreadStart>();
    start->running = (dwCreateFlags & CREATE_SUSPENDED) == 0;
    afx::ThreadAccess::Start(pThread) = start;
    std::thread worker(
        [start, pThread, ended, pfnThreadProc, pParam, nPriority]
        {
            {
                std::unique_lock<std::mutex> wait(start->mutex);
                start->resumed.wait(wait, [&] { return start->running; });
            }
            SetThreadPriority(GetCurrentThread(), nPriority);
            pfnThreadProc(pParam);
            // What the worker asked of the screen goes out before anyone sees it ended.
            afx::PublishPendingUpdates();
            // An object kept for a wait is the waiter's to delete once the handle is signalled;
            // otherwise it is the thread's own, and nobody waits on its handle.
            if (pThread->m_bAutoDelete)
                delete pThread;
            else
                SetEvent(ended);
        });
    worker.detach();
    return pThread;
}
