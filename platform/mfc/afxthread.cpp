// Worker threads of the framework, over the system's own threads.
#include "afxwndimpl.h"

namespace
{
struct Start
{
    CWinThread* thread;
    AFX_THREADPROC proc;
    LPVOID param;
};

DWORD WINAPI RunWorker(LPVOID pv)
{
    const Start start = *static_cast<Start*>(pv);
    delete static_cast<Start*>(pv);
    start.proc(start.param);
    // What the worker asked of the screen goes out before anyone sees it ended.
    afx::PublishPendingUpdates();
    // The object is the thread's own unless the caller kept it for a wait, and then the caller
    // may delete it as soon as the handle is signalled, which is after this return.
    if (start.thread->m_bAutoDelete)
        delete start.thread;
    return 0;
}
} // namespace

CWinThread::CWinThread() = default;

CWinThread::~CWinThread()
{
    if (m_hThread != nullptr)
        CloseHandle(m_hThread);
}

DWORD CWinThread::ResumeThread()
{
    return m_hThread != nullptr ? ::ResumeThread(m_hThread) : static_cast<DWORD>(-1);
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
                                  UINT nStackSize, DWORD dwCreateFlags,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    auto* pThread = new CWinThread;
    auto* start = new Start{pThread, pfnThreadProc, pParam};
    // Always created suspended: the object must hold its handle, and the thread its priority,
    // before the worker's first instruction.
    pThread->m_hThread = CreateThread(lpSecurityAttrs, nStackSize, RunWorker, start,
                                      CREATE_SUSPENDED, nullptr);
    if (pThread->m_hThread == nullptr)
    {
        delete start;
        delete pThread;
        return nullptr;
    }
    SetThreadPriority(pThread->m_hThread, nPriority);
    if ((dwCreateFlags & CREATE_SUSPENDED) == 0)
        ::ResumeThread(pThread->m_hThread);
    return pThread;
}
