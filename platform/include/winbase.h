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
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
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

// GetLastError codes set by these functions.
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_INVALID_PARAMETER 87L

// The calling thread's last error.
DWORD GetLastError(void);
void SetLastError(DWORD dwErrCode);

// Reads a value (or, with lpKeyName NULL, the section's key names; with lpAppName NULL, the
// section names: each ending in a NUL, the list in a second one) from a profile file, as Windows
// does: section and key names compared without regard to ASCII case, blanks around names and values
// dropped, a value in matching single or double quotes unquoted, lines starting with ';' ignored,
// LF or CRLF line ends, the first of duplicate sections and keys used. The result is cut to
// nSize - 1 characters (a list: to nSize - 2, ending in two NULs, returning nSize - 2). A missing
// value gives lpDefault (NULL: "") with its trailing blanks dropped. Returns the characters copied,
// without the terminating NUL. The file is read afresh at each call.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
#define GetPrivateProfileString GetPrivateProfileStringA

// The process's current directory, as the file system names it ('/' separators), in code page
// 1252. Returns its length when it fits in nBufferLength with its NUL; otherwise the size needed,
// NUL included, leaving the buffer alone. 0 on failure.
DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
#define GetCurrentDirectory GetCurrentDirectoryA

// Finds the file named by lpFileName ("folder\name"): an exact name, or a name with the wildcards
// '*' and '?' (matched without regard to ASCII case, "*.*" matching every name; "." and ".." are
// not listed; matches come in name order, case aside). Returns a search handle for FindNextFileA
// and FindClose, or INVALID_HANDLE_VALUE when nothing matches (GetLastError: ERROR_FILE_NOT_FOUND).
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
#define FindFirstFile FindFirstFileA
#define FindNextFile FindNextFileA
