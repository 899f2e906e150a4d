// Profile (INI) files: GetPrivateProfileStringA with Windows' reading rules. The last file read is
// kept parsed, as Windows keeps it, and read again only once it has changed.
#include <windows.h>

#include "afxcp1252.h"
#include "afxfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace
{

bool IsBlank(char c)
{
    // 0x1A: the end-of-file mark old editors leave behind.
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to the case of ASCII letters, as Windows compares them.
struct NameHash
{
    std::size_t operator()(std::string_view s) const
    {
        std::uint64_t h = 14695981039346656037ull;
        for (char c : s)
            h = (h ^ static_cast<unsigned char>(Folded(c))) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

struct SameName
{
    bool operator()(std::string_view a, std::string_view b) const
    {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return Folded(x) == Folded(y); });
    }
};

// Name to the position of its first occurrence: the first of duplicates wins.
using NameIndex = std::unordered_map<std::string_view, std::size_t, NameHash, SameName>;

struct Key
{
    std::string_view name;
    bool hasValue = false; // a line without '=' names a key that has no value
    std::string_view value;
};

struct Section
{
    std::string_view name;
    std::vector<Key> keys;
    NameIndex index;
};

// A parsed file. The names and values look into the text, so a profile is built in place and
// never copied or moved.
struct Profile
{
    Profile() = default;
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    std::string text;              // in code page 1252
    std::vector<Section> sections; // keys before the first section header: a section without a name
    NameIndex index;
};

// Lines end with LF, CRLF or CR alone; the empty line between CR and LF is skipped as any other.
void Parse(Profile& profile)
{
    std::vector<Section>& sections = profile.sections;
    sections.assign(1, Section());
    const std::string_view text = profile.text;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[')
        {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos)
            {
                Section s;
                s.name = Trim(line.substr(1, close - 1));
                sections.push_back(std::move(s));
                continue;
            }
            // no closing bracket: an ordinary line
        }
        Key key;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            key.name = line;
        else
        {
            key.name = Trim(line.substr(0, eq));
            key.value = Trim(line.substr(eq + 1));
            key.hasValue = true;
        }
        sections.back().keys.push_back(key);
    }
    for (std::size_t i = 0; i < sections.size(); ++i)
    {
        profile.index.emplace(sections[i].name, i);
        Section& s = sections[i];
        s.index.reserve(s.keys.size());
        for (std::size_t k = 0; k < s.keys.size(); ++k)
            s.index.emplace(s.keys[k].name, k);
    }
}

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// What tells one state of a file from another: a rewrite changes the change time, a replacement
// the inode, even when the size and the modification time stay the same.
struct Stamp
{
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    Stamp() = default;
    Stamp(std::string p, const struct stat& st)
        : path(std::move(p)), device(st.st_dev), inode(st.st_ino), size(st.st_size),
          modified(st.st_mtim), changed(st.st_ctim)
    {
    }
    bool operator==(const Stamp& o) const
    {
        return path == o.path && device == o.device && inode == o.inode && size == o.size &&
               SameTime(modified, o.modified) && SameTime(changed, o.changed);
    }
};

// The kernel stamps files with a clock that moves in ticks of a few milliseconds, and some file
// systems keep whole seconds: a change made in the tick (or second) of the stamp could leave it
// as it was. So a stamp is trusted only once that tick is over when the read begins; until then
// the file is read at every call, which costs only the few calls of that moment.
bool Settled(const timespec& changed, const timespec& readStart)
{
    // Whole seconds, or the two of FAT, show as a zero fraction.
    const std::int64_t grain = changed.tv_nsec == 0 ? 2'000'000'000 : 0;
    const std::int64_t stamp =
        static_cast<std::int64_t>(changed.tv_sec) * 1'000'000'000 + changed.tv_nsec + grain;
    const std::int64_t start =
        static_cast<std::int64_t>(readStart.tv_sec) * 1'000'000'000 + readStart.tv_nsec;
    return stamp < start;
}

bool ReadAll(int fd, std::string& bytes)
{
    char chunk[65536];
    for (;;)
    {
        const ssize_t n = read(fd, chunk, sizeof(chunk));
        if (n == 0)
            return true;
        if (n < 0)
            return false;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

struct Cache
{
    std::mutex mutex;
    Stamp stamp;
    bool trusted = false;
    std::shared_ptr<const Profile> profile;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

// The parsed file, from the cache when it has not changed; null when it cannot be read.
std::shared_ptr<const Profile> Load(LPCSTR fileName)
{
    if (fileName == nullptr)
        return nullptr;
    std::string path = afx::NativePath(fileName);
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);

    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    if (cache.profile && cache.trusted && cache.stamp == Stamp(path, st))
        return cache.profile;

    timespec readStart;
    clock_gettime(CLOCK_REALTIME_COARSE, &readStart);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // The stamp of what is read: the open file's, not the one seen by name a moment before.
    std::string bytes;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok)
    {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        ok = ReadAll(fd, bytes);
    }
    close(fd);
    if (!ok)
        return nullptr;

    auto profile = std::make_shared<Profile>();
    profile->text = afx::TextFileToCp1252(bytes);
    Parse(*profile);
    cache.stamp = Stamp(std::move(path), st);
    cache.trusted = Settled(st.st_ctim, readStart);
    cache.profile = profile;
    return profile;
}

const Section* FindSection(const Profile& profile, LPCSTR name)
{
    auto it = profile.index.find(Trim(name));
    return it == profile.index.end() ? nullptr : &profile.sections[it->second];
}

const Key* FindKey(const Section& section, LPCSTR name)
{
    auto it = section.index.find(Trim(name));
    return it == section.index.end() ? nullptr : &section.keys[it->second];
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

DWORD CopyValue(std::string_view value, LPSTR buffer, DWORD size)
{
    std::size_t n = std::min(value.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// Names one after the other, each ending in a NUL, the list in one more. When they do not fit, the
// copy stops at nSize - 2 characters and ends in two NULs, as Windows documents.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR buffer, DWORD size)
{
    if (size == 1)
    {
        buffer[0] = '\0';
        return 0;
    }
    std::string packed;
    for (std::string_view name : names)
    {
        packed += name;
        packed += '\0';
    }
    if (packed.size() + 1 <= size)
    {
        std::memcpy(buffer, packed.data(), packed.size());
        buffer[packed.size()] = '\0';
        return static_cast<DWORD>(packed.size());
    }
    std::memcpy(buffer, packed.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    std::string_view fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.remove_suffix(1);

    const std::shared_ptr<const Profile> profile = Load(lpFileName);
    if (!profile)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return CopyValue(fallback, lpReturnedString, nSize);
    }
    SetLastError(ERROR_SUCCESS);

    std::vector<std::string_view> names;
    if (lpAppName == nullptr)
    {
        for (const Section& s : profile->sections)
            if (!s.name.empty())
                names.push_back(s.name);
        return CopyList(names, lpReturnedString, nSize);
    }
    const Section* section = FindSection(*profile, lpAppName);
    if (lpKeyName == nullptr)
    {
        if (section)
            for (const Key& k : section->keys)
                if (k.hasValue && !k.name.empty())
                    names.push_back(k.name);
        if (names.empty()) // as Windows: an empty or missing section gives the default
            return CopyValue(fallback, lpReturnedString, nSize);
        return CopyList(names, lpReturnedString, nSize);
    }
    const Key* key = section && !Trim(lpKeyName).empty() ? FindKey(*section, lpKeyName) : nullptr;
    if (key == nullptr || !key->hasValue)
        return CopyValue(fallback, lpReturnedString, nSize);
    return CopyValue(Unquote(key->value), lpReturnedString, nSize);
}
