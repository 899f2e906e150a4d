// Threads as Win32 gives them, over POSIX threads: a handle that is signalled when the thread
// ends, created suspended or not, with a priority.
#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace
{
// The kernel object behind a handle. The thread holds it too, so closing the handle of a thread
// that still runs leaves the thread alone.
struct ThreadObject
{
    std::mutex mutex;
    std::condition_variable changed;
    bool resumed = false;
    bool ended = false;
    int priority = THREAD_PRIORITY_NORMAL;
    pthread_t native{};
    std::shared_ptr<ThreadObject> self; // the handle's reference, until CloseHandle
};

void ApplyPriority(pthread_t thread, int nPriority)
{
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(thread, nPriority <= THREAD_PRIORITY_IDLE ? SCHED_IDLE : SCHED_OTHER,
                          &param);
}

ThreadObject* ObjectOf(HANDLE h)
{
    return static_cast<ThreadObject*>(h);
}
} // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, std::size_t, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, DWORD* lpThreadId)
{
    auto object = std::make_shared<ThreadObject>();
    object->self = object;
    object->resumed = (dwCreationFlags & CREATE_SUSPENDED) == 0;
    std::lock_guard<std::mutex> lock(object->mutex);
    std::thread worker(
        [object, lpStartAddress, lpParameter]
        {
            {
                std::unique_lock<std::mutex> wait(object->mutex);
                object->changed.wait(wait, [&] { return object->resumed; });
                ApplyPriority(pthread_self(), object->priority);
            }
            lpStartAddress(lpParameter);
            std::lock_guard<std::mutex> done(object->mutex);
            object->ended = true;
            object->changed.notify_all();
        });
    object->native = worker.native_handle();
    worker.detach();
    if (lpThreadId != nullptr)
        *lpThreadId = 0;
    return object.get();
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority)
{
    ThreadObject* object = ObjectOf(hThread);
    if (object == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> lock(object->mutex);
    object->priority = nPriority;
    if (object->resumed && !object->ended)
        ApplyPriority(object->native, nPriority);
    return TRUE;
}

DWORD ResumeThread(HANDLE hThread)
{
    ThreadObject* object = ObjectOf(hThread);
    if (object == nullptr)
        return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(object->mutex);
    const DWORD previous = object->resumed ? 0 : 1;
    object->resumed = true;
    object->changed.notify_all();
    return previous;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    ThreadObject* object = ObjectOf(hHandle);
    if (object == nullptr)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(object->mutex);
    if (dwMilliseconds == INFINITE)
    {
        object->changed.wait(lock, [&] { return object->ended; });
        return WAIT_OBJECT_0;
    }
    const bool ended = object->changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                                                [&] { return object->ended; });
    return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE hObject)
{
    ThreadObject* object = ObjectOf(hObject);
    if (object == nullptr)
        return FALSE;
    std::shared_ptr<ThreadObject> last;
    {
        std::lock_guard<std::mutex> lock(object->mutex);
        last = std::move(object->self);
    }
    return last != nullptr ? TRUE : FALSE;
}
