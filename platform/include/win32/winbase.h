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
// regard to ASCII case, blanks around names and values dropped, a value in matching single or double
// quotes unquoted, lines starting with ';' ignored, LF, CRLF or CR line ends, the first of duplicate
// sections and keys used. The file may be in code page 1252, UTF-8 or UTF-16 (see afxprofile.cpp).
// The result is cut to nSize - 1 characters. A missing value, or a NULL section or key name, gives
// lpDefault (NULL: "") with its trailing blanks dropped. Returns the characters copied, without the
// terminating NUL. The last file read stays parsed until it changes on disk.
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

// Threads. A thread's handle is signalled once the thread has ended; the layer's threads are
// created for the framework's workers and waited for, nothing else.
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_NORMAL 0
#define CREATE_SUSPENDED 0x00000004
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF

typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);

// Creates a thread running lpStartAddress(lpParameter), suspended when dwCreationFlags has
// CREATE_SUSPENDED. Security attributes and the stack size are not used. Returns its handle.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, std::size_t dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, DWORD* lpThreadId);
// THREAD_PRIORITY_IDLE and lower run the thread under SCHED_IDLE, so it takes only the time no
// one else wants. Takes effect when the thread next runs its own code (at once once resumed).
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
// Returns the previous suspend count (1 for a suspended thread, 0 for a running one).
DWORD ResumeThread(HANDLE hThread);
// Waits until a thread's handle is signalled (the thread has ended); WAIT_OBJECT_0, WAIT_TIMEOUT
// or WAIT_FAILED for a null handle.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// Releases a thread's handle; the thread itself runs on.
BOOL CloseHandle(HANDLE hObject);
