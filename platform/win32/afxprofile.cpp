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
#include <utility>
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

// Names look into the profile's text; of duplicates, the first one wins.
template <typename T> using ByName = std::unordered_map<std::string_view, T, NameHash, SameName>;

struct Key
{
    bool hasValue = false; // a line without '=' names a key that has no value
    std::string_view value;
};

// A parsed file. The names and values look into the text, so a profile is built in place and
// never copied or moved.
struct Profile
{
    Profile() = default;
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    std::string text; // in code page 1252
    // Keys before the first section header: a section without a name.
    ByName<ByName<Key>> sections;
};

// Lines end with LF, CRLF or CR alone; the empty line between CR and LF is skipped as any other.
void Parse(Profile& profile)
{
    // A section's keys are gathered before its index is built at its full size.
    std::vector<std::pair<std::string_view, Key>> keys;
    ByName<Key>* section = &profile.sections[""];
    auto index = [&]
    {
        if (section != nullptr)
        {
            section->reserve(keys.size());
            section->insert(keys.begin(), keys.end());
        }
        keys.clear();
    };
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
        const std::size_t close = line[0] == '[' ? line.rfind(']') : std::string_view::npos;
        if (close != std::string_view::npos)
        {
            // A section seen before keeps what it had: the keys of this one are never read.
            index();
            auto [it, first] = profile.sections.try_emplace(Trim(line.substr(1, close - 1)));
            section = first ? &it->second : nullptr;
            continue;
        }
        // Without its closing bracket, a header is an ordinary line.
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            keys.emplace_back(line, Key{});
        else
            keys.emplace_back(Trim(line.substr(0, eq)), Key{true, Trim(line.substr(eq + 1))});
    }
    index();
}

std::int64_t Nanoseconds(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// What tells one state of a file from another: any write changes the change time (which follows
// the size and the modification time), a replacement the inode.
struct Stamp
{
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t changed = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(std::string path, const struct stat& st)
{
    return Stamp{std::move(path), st.st_dev, st.st_ino, Nanoseconds(st.st_ctim)};
}

// The kernel stamps files with a clock that moves in ticks of a few milliseconds, and some file
// systems keep whole seconds: a change made in the tick (or second) of the stamp could leave it
// as it was. So a stamp is trusted only once that tick is over when the read begins; until then
// the file is read at every call, which costs only the few calls of that moment.
bool Settled(const timespec& changed, const timespec& readStart)
{
    // Whole seconds, or the two of FAT, show as a zero fraction.
    const std::int64_t grain = changed.tv_nsec == 0 ? 2'000'000'000 : 0;
    return Nanoseconds(changed) + grain < Nanoseconds(readStart);
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
    if (cache.profile && cache.trusted && cache.stamp == StampOf(path, st))
        return cache.profile;

    timespec readStart;
    clock_gettime(CLOCK_REALTIME_COARSE, &readStart);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // The stamp of what is read: the open file's, not the one seen by name a moment before.
    std::string bytes;
    ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? 1 : -1;
    bytes.reserve(n > 0 ? static_cast<std::size_t>(st.st_size) : 0);
    char chunk[65536];
    while (n > 0 && (n = read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<std::size_t>(n));
    close(fd);
    if (n < 0)
        return nullptr;

    auto profile = std::make_shared<Profile>();
    profile->text = afx::TextFileToCp1252(bytes);
    Parse(*profile);
    cache.stamp = StampOf(std::move(path), st);
    cache.trusted = Settled(st.st_ctim, readStart);
    cache.profile = profile;
    return profile;
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

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    std::string_view fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.remove_suffix(1);

    // The program always names both: the listings Windows gives for a null name are not made.
    const std::shared_ptr<const Profile> profile = Load(lpFileName);
    if (!profile || lpAppName == nullptr || lpKeyName == nullptr || Trim(lpKeyName).empty())
        return CopyValue(fallback, lpReturnedString, nSize);
    const auto section = profile->sections.find(Trim(lpAppName));
    if (section == profile->sections.end())
        return CopyValue(fallback, lpReturnedString, nSize);
    const auto key = section->second.find(Trim(lpKeyName));
    if (key == section->second.end() || !key->second.hasValue)
        return CopyValue(fallback, lpReturnedString, nSize);
    return CopyValue(Unquote(key->second.value), lpReturnedString, nSize);
}
