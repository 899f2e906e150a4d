// Events, per-thread slots and thread priorities as Win32 gives them, over the C++ library and
// POSIX threads.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <sched.h>

namespace
{
struct Event
{
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

Event* EventOf(HANDLE h)
{
    return static_cast<Event*>(h);
}

// What GetCurrentThread hands out: no object, only a mark.
char g_currentThread;
} // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    if (!bManualReset || lpName != nullptr)
        return nullptr;
    auto* event = new Event;
    event->signalled = bInitialState != FALSE;
    return event;
}

BOOL SetEvent(HANDLE hEvent)
{
    Event* event = EventOf(hEvent);
    if (event == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    event->changed.notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    Event* event = EventOf(hHandle);
    if (event == nullptr)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(event->mutex);
    if (dwMilliseconds == INFINITE)
    {
        event->changed.wait(lock, [&] { return event->signalled; });
        return WAIT_OBJECT_0;
    }
    const bool signalled = event->changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                                                   [&] { return event->signalled; });
    return signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE hObject)
{
    if (hObject == nullptr)
        return FALSE;
    delete EventOf(hObject);
    return TRUE;
}

HANDLE GetCurrentThread()
{
    return &g_currentThread;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority)
{
    if (hThread != &g_currentThread)
        return FALSE;
    sched_param param{};
    param.sched_priority = 0;
    return pthread_setschedparam(pthread_self(),
                                 nPriority <= THREAD_PRIORITY_IDLE ? SCHED_IDLE : SCHED_OTHER,
                                 &param) == 0
               ? TRUE
               : FALSE;
}

DWORD FlsAlloc(PFLS_CALLBACK_FUNCTION lpCallback)
{
    pthread_key_t key;
    if (pthread_key_create(&key, lpCallback) != 0)
        return FLS_OUT_OF_INDEXES;
    return static_cast<DWORD>(key);
}

PVOID FlsGetValue(DWORD dwFlsIndex)
{
    return pthread_getspecific(static_cast<pthread_key_t>(dwFlsIndex));
}

BOOL FlsSetValue(DWORD dwFlsIndex, PVOID lpFlsData)
{
    return pthread_setspecific(static_cast<pthread_key_t>(dwFlsIndex), lpFlsData) == 0 ? TRUE
                                                                                       : FALSE;
}
