// The module's file, as Win32 names it: the running executable's path, in code page 1252.
#include "afxcp1252.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr || lpFilename == nullptr || nSize == 0)
        return 0;
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return 0;
    const std::string name = afx::Utf8ToCp1252(std::string(path, static_cast<std::size_t>(length)));
    // Cut to fit with its NUL, as Windows does when the buffer is short.
    const std::size_t copied = std::min<std::size_t>(name.size(), nSize - 1);
    std::memcpy(lpFilename, name.data(), copied);
    lpFilename[copied] = '\0';
    return static_cast<DWORD>(copied);
}
