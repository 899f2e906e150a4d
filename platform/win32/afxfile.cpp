// Kernel file services: the current directory, and finding whether a file is there.
#include <windows.h>

#include "afxcp1252.h"
#include "afxfile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace
{

// Without a next file to find, a search holds nothing: every search is this one.
char g_search;

// The program reads nothing of what is found: the name, size and kind are filled in for a
// reader of the structure, and the times left at zero.
void Fill(const struct stat& st, const std::string& name, LPWIN32_FIND_DATAA data)
{
    std::memset(data, 0, sizeof *data);
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((st.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (name[0] == '.')
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    data->dwFileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    std::uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::memcpy(data->cFileName, name.data(), std::min<std::size_t>(name.size(), MAX_PATH - 1));
}

} // namespace

namespace afx
{
std::string NativePath(const char* windowsPath)
{
    std::string path = Cp1252ToUtf8(windowsPath ? windowsPath : "");
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
} // namespace afx

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    std::error_code error;
    const std::string path = afx::Utf8ToCp1252(std::filesystem::current_path(error).string());
    if (error)
        return 0;
    if (lpBuffer == nullptr || nBufferLength <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(lpBuffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

// The program looks for one file by its exact name: names are taken as they are, wildcards
// included, and letter case is the file system's affair.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (lpFileName == nullptr || lpFindFileData == nullptr)
        return INVALID_HANDLE_VALUE;
    const std::string native = afx::NativePath(lpFileName);
    const std::string leaf = native.substr(native.find_last_of('/') + 1);
    struct stat st;
    if (leaf.empty() || stat(native.c_str(), &st) != 0)
        return INVALID_HANDLE_VALUE;
    Fill(st, afx::Utf8ToCp1252(leaf), lpFindFileData);
    return &g_search;
}

BOOL FindClose(HANDLE hFindFile)
{
    return hFindFile == &g_search;
}
