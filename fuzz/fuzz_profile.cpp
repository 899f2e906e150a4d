// GetPrivateProfileStringA over any tunings file. The first byte of the input picks how the rest is
// saved: as it is, behind a UTF-8 or UTF-16 mark, or widened to UTF-16 behind its mark. The file is
// read as the dialog reads it (every key 1 to 99 into 80-byte buffers) and into buffers of 0 to 3
// bytes, three times: parsed, from the cache, and parsed again after a rewrite of the same bytes.
// Each buffer is followed by a guard zone that must stay as it was filled.
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace
{
constexpr DWORD kValueLength = 80; // the dialog's buffers
constexpr int kTunings = 99;
constexpr std::size_t kGuard = 64;
constexpr char kFill = '\xA5';

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz_profile: %s\n", what.c_str());
    std::abort();
}

std::string Describe(const char* app, const char* key, DWORD size)
{
    return std::string("[") + (app ? app : "(null)") + "] " + (key ? key : "(null)") + ", size " +
           std::to_string(size);
}

// One folder per process for the file under test, removed when the process ends normally.
class Scratch
{
public:
    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_profile.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            Fail("no scratch folder");
        m_dir = pattern;
        m_path = m_dir + "/Accords.ini";
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    const char* Path() const { return m_path.c_str(); }

    // Rewrites the file in place. With settle, waits until the profile reader may trust the new
    // stamp, so that only the first read of a pass parses the file and the others come from its
    // cache.
    void Write(const std::string& bytes, bool settle = true) const
    {
        const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            Fail("cannot write the scratch file");
        close(fd);
        if (!settle)
            return;
        struct stat st;
        if (stat(m_path.c_str(), &st) != 0)
            Fail("cannot stat the scratch file");
        // A stamp is trusted once the coarse clock has passed it (two seconds for whole seconds).
        const std::int64_t grain = st.st_ctim.tv_nsec == 0 ? 2'000'000'000 : 0;
        const std::int64_t stamp =
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
        for (;;)
        {
            timespec now;
            clock_gettime(CLOCK_REALTIME_COARSE, &now);
            const std::int64_t ns =
                static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
            if (ns > stamp + grain)
                break;
            const timespec pause{0, 1'000'000};
            nanosleep(&pause, nullptr);
        }
    }

private:
    std::string m_dir;
    std::string m_path;
};

struct Reading
{
    DWORD count;
    std::string bytes; // the whole buffer

    bool operator==(const Reading& o) const { return count == o.count && bytes == o.bytes; }
};

// Reads into a pre-filled buffer of `size` bytes; the copy must end in its NUL inside the buffer
// and leave the guard zone after it alone.
Reading Read(const char* path, const char* app, const char* key, DWORD size)
{
    std::vector<char> buffer(size + kGuard, kFill);
    const DWORD count = GetPrivateProfileStringA(app, key, "", buffer.data(), size, path);
    for (std::size_t i = size; i < buffer.size(); ++i)
        if (buffer[i] != kFill)
            Fail("written past the buffer: " + Describe(app, key, size));
    if (size == 0)
    {
        if (count != 0 || buffer[0] != kFill)
            Fail("a buffer of no size is written: " + Describe(app, key, size));
    }
    else if (count >= size || buffer[count] != '\0')
        Fail("the copy and its NUL do not fit: " + Describe(app, key, size));
    return Reading{count, std::string(buffer.data(), size)};
}

// A value that does not fit is cut to size - 1 bytes.
void ExpectCut(const Reading& full, const Reading& cut, const char* app, const char* key,
               DWORD size)
{
    if (size == 0)
        return;
    const DWORD kept = full.count + 1 <= size ? full.count : size - 1;
    if (cut.count != kept || cut.bytes.compare(0, kept, full.bytes, 0, kept) != 0)
        Fail("a cut copy is not the start of the full one: " + Describe(app, key, size));
}

std::vector<Reading> Pass(const char* path, DWORD large)
{
    std::vector<Reading> all;
    // As the dialog reads the tunings. A value that fills its buffer is read again into one large
    // enough for any value, and must be its start.
    for (int n = 1; n <= kTunings; ++n)
    {
        const std::string keys[2] = {"Accord" + std::to_string(n), "Notes" + std::to_string(n)};
        const char* const apps[2] = {"NOM", "NOTES"};
        for (int k = 0; k < 2; ++k)
        {
            const Reading value = Read(path, apps[k], keys[k].c_str(), kValueLength);
            if (value.count == kValueLength - 1)
                ExpectCut(Read(path, apps[k], keys[k].c_str(), large), value, apps[k],
                          keys[k].c_str(), kValueLength);
            all.push_back(value);
        }
    }

    // Small buffers; a null name gives the (empty) default.
    const struct
    {
        const char* app;
        const char* key;
    } small[] = {{"NOM", "Accord1"}, {"NOTES", "Notes1"}, {nullptr, "Accord1"}, {"NOM", nullptr}};
    for (const auto& s : small)
    {
        const Reading full = Read(path, s.app, s.key, large);
        all.push_back(full);
        for (DWORD size = 0; size <= 3; ++size)
        {
            const Reading cut = Read(path, s.app, s.key, size);
            ExpectCut(full, cut, s.app, s.key, size);
            all.push_back(cut);
        }
    }
    return all;
}

std::string Saved(const std::uint8_t* data, std::size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 6)
    {
        case 1:
            return "\xEF\xBB\xBF" + body;
        case 2:
            return "\xFF\xFE" + body;
        case 3:
            return "\xFE\xFF" + body;
        case 4:
        case 5:
        {
            const bool bigEndian = data[0] % 6 == 5;
            std::string wide = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
            for (char c : body)
            {
                wide += bigEndian ? '\0' : c;
                wide += bigEndian ? c : '\0';
            }
            return wide;
        }
        default:
            return body;
    }
}

void Compare(const std::vector<Reading>& first, const std::vector<Reading>& again, const char* how)
{
    if (first.size() != again.size())
        Fail(std::string("a different number of readings ") + how);
    for (std::size_t i = 0; i < first.size(); ++i)
        if (!(first[i] == again[i]))
            Fail(std::string("a different result ") + how + " (reading " + std::to_string(i) + ")");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Scratch scratch;
    if (size == 0)
        return 0;
    const std::string file = Saved(data, size);
    // No value of the file is longer than its bytes.
    const DWORD large = static_cast<DWORD>(file.size() + 2);

    scratch.Write(file);
    const std::vector<Reading> parsed = Pass(scratch.Path(), large);
    Compare(parsed, Pass(scratch.Path(), large), "from the cache");

    // An edit of the same size after the file was cached must show at once.
    const std::string edit = "[NOM]\nAccord1=";
    const std::string marker(file.size() > edit.size() ? file.size() - edit.size() : 1, 'x');
    scratch.Write(edit + marker, false);
    const Reading seen = Read(scratch.Path(), "NOM", "Accord1", large);
    if (seen.count != marker.size() || seen.bytes.compare(0, marker.size(), marker) != 0)
        Fail("an edit of the cached file is not seen");

    scratch.Write(file);
    Compare(parsed, Pass(scratch.Path(), large), "once the rewritten file is parsed again");
    return 0;
}
