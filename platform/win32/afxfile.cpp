// Kernel file services: the current directory, finding files, the calling thread's last error.
#include <windows.h>

#include "afxcp1252.h"
#include "afxfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct FindResult
{
    std::string nativePath;
    std::string name; // CP1252
};

struct Search
{
    std::vector<FindResult> matches;
    std::size_t next = 0;
};

// Live search handles: a handle that is not one of them is refused instead of followed.
std::mutex g_searchMutex;
std::set<Search*>& Searches()
{
    static std::set<Search*>* searches = new std::set<Search*>;
    return *searches;
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Windows' wildcards, on code page 1252 names: '*' any run, '?' one character, ASCII case folded.
bool Matches(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
    {
        for (const char* n = name;; ++n)
        {
            if (Matches(pattern + 1, n))
                return true;
            if (*n == '\0')
                return false;
        }
    }
    if (*name == '\0')
        return false;
    if (*pattern != '?' && Lower(*pattern) != Lower(*name))
        return false;
    return Matches(pattern + 1, name + 1);
}

FILETIME ToFileTime(const struct timespec& t)
{
    // 100-nanosecond intervals since 1 January 1601.
    const std::uint64_t kEpochDifference = 11644473600ULL;
    std::uint64_t ticks = (static_cast<std::uint64_t>(t.tv_sec) + kEpochDifference) * 10000000ULL +
                          static_cast<std::uint64_t>(t.tv_nsec) / 100;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

bool Fill(const FindResult& found, LPWIN32_FIND_DATAA data)
{
    struct stat st;
    if (stat(found.nativePath.c_str(), &st) != 0)
        return false;
    std::memset(data, 0, sizeof *data);
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!found.name.empty() && found.name[0] == '.')
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    data->dwFileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    data->ftCreationTime = ToFileTime(st.st_ctim);
    data->ftLastAccessTime = ToFileTime(st.st_atim);
    data->ftLastWriteTime = ToFileTime(st.st_mtim);
    std::uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::size_t n = std::min(found.name.size(), static_cast<std::size_t>(MAX_PATH - 1));
    std::memcpy(data->cFileName, found.name.data(), n);
    return true;
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

DWORD GetLastError(void)
{
    return t_lastError;
}

void SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr)
    {
        if (errno != ERANGE)
        {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string path = afx::Utf8ToCp1252(buffer.data());
    if (lpBuffer == nullptr || nBufferLength <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(lpBuffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (lpFileName == nullptr || lpFindFileData == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string native = afx::NativePath(lpFileName);
    const std::size_t slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : native.substr(0, slash + 1);
    const std::string leaf = slash == std::string::npos ? native : native.substr(slash + 1);
    auto search = std::make_unique<Search>();
    if (leaf.find_first_of("*?") == std::string::npos)
    {
        struct stat st;
        if (!leaf.empty() && stat(native.c_str(), &st) == 0)
            search->matches.push_back({native, afx::Utf8ToCp1252(leaf)});
    }
    else if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str()))
    {
        const std::string pattern = afx::Utf8ToCp1252(leaf == "*.*" ? std::string("*") : leaf);
        while (const dirent* entry = readdir(dir))
        {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::string cp1252 = afx::Utf8ToCp1252(name);
            if (Matches(pattern.c_str(), cp1252.c_str()))
                search->matches.push_back({folder + name, cp1252});
        }
        closedir(dir);
        // In name order without regard to case, as NTFS lists them.
        std::sort(search->matches.begin(), search->matches.end(),
                  [](const FindResult& a, const FindResult& b)
                  {
                      return std::lexicographical_compare(
                          a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                          [](char x, char y) {
                              return static_cast<unsigned char>(Lower(x)) <
                                     static_cast<unsigned char>(Lower(y));
                          });
                  });
    }
    while (search->next < search->matches.size())
    {
        if (Fill(search->matches[search->next++], lpFindFileData))
        {
            std::lock_guard<std::mutex> lock(g_searchMutex);
            Search* handle = search.release();
            Searches().insert(handle);
            SetLastError(ERROR_SUCCESS);
            return static_cast<HANDLE>(handle);
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    std::lock_guard<std::mutex> lock(g_searchMutex);
    auto it = Searches().find(static_cast<Search*>(hFindFile));
    if (it == Searches().end() || lpFindFileData == nullptr)
    {
        SetLastError(it == Searches().end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Search* search = *it;
    while (search->next < search->matches.size())
    {
        if (Fill(search->matches[search->next++], lpFindFileData))
            return TRUE;
    }
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}

BOOL FindClose(HANDLE hFindFile)
{
    std::lock_guard<std::mutex> lock(g_searchMutex);
    auto it = Searches().find(static_cast<Search*>(hFindFile));
    if (it == Searches().end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete *it;
    Searches().erase(it);
    return TRUE;
}
