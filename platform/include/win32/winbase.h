// Kernel services of Win32 that the system uses: profile (INI) files, the current directory and
// finding a file. Paths are Windows-style in code page 1252: '\' separates folders (so does '/');
// the layer maps them to the file system's names (UTF-8) itself.
#pragma once

#include "windef.h"

typedef struct _FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

typedef struct _WIN32_FIND_DATAA
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;
typedef WIN32_FIND_DATAA WIN32_FIND_DATA;
typedef LPWIN32_FIND_DATAA LPWIN32_FIND_DATA;

// Reads a value from a profile file, as Windows does: section and key names compared without
// regard to ASCII case, blanks around names and values dropped, a value in matching single or
// double quotes unquoted, lines starting with ';' ignored, LF, CRLF or CR line ends, the first of
// duplicate sections and keys used. The file may be in code page 1252, UTF-8 or UTF-16 (see
// afxprofile.cpp). The result is cut to nSize - 1 characters. A missing value, or a NULL section or
// key name, gives lpDefault (NULL: "") with its trailing blanks dropped. Returns the characters
// copied, without the terminating NUL. The last file read stays parsed until it changes on disk.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
#define GetPrivateProfileString GetPrivateProfileStringA

// The process's current directory, as the file system names it ('/' separators), in code page
// 1252. Returns its length when it fits in nBufferLength with its NUL; otherwise the size needed,
// NUL included, leaving the buffer alone. 0 on failure.
DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
#define GetCurrentDirectory GetCurrentDirectoryA

// Finds the file named by lpFileName ("folder\name"), taken as an exact name: the program looks for
// one file, never a pattern. Returns a handle for FindClose, or INVALID_HANDLE_VALUE when there is
// no such file.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
#define FindFirstFile FindFirstFileA

// The file of a module; only the running program's (hModule null) is known. Returns the length
// copied, cut to nSize - 1 characters; 0 on failure.
typedef HINSTANCE HMODULE;
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// Per-thread slots whose callback runs with the slot's value when a thread that set it ends
// (over POSIX thread keys: fibers are not offered).
typedef void* PVOID;
typedef void (*PFLS_CALLBACK_FUNCTION)(PVOID);
#define FLS_OUT_OF_INDEXES 0xFFFFFFFF
DWORD FlsAlloc(PFLS_CALLBACK_FUNCTION lpCallback);
PVOID FlsGetValue(DWORD dwFlsIndex);
BOOL FlsSetValue(DWORD dwFlsIndex, PVOID lpFlsData);

// Threads and events. An event's handle, or a thread's, is signalled or not; a manual-reset event
// stays signalled once set.
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_NORMAL 0
#define CREATE_SUSPENDED 0x00000004
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF

typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// A manual-reset event (bManualReset must be TRUE: the layer needs no other), unnamed.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
// The calling thread, as a pseudo-handle that only SetThreadPriority takes.
HANDLE GetCurrentThread();
// THREAD_PRIORITY_IDLE and lower run the calling thread under SCHED_IDLE, so it takes only the
// time no one else wants. Only the calling thread's pseudo-handle is taken.
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
// Waits until the handle is signalled: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED for a null
// handle.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL CloseHandle(HANDLE hObject);
