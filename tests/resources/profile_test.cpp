// GetPrivateProfileStringA against Windows' documented reading rules, over LF, CRLF and CR files
// in each encoding a tunings file may use, into pre-filled buffers so that a byte written past the
// copy shows.
#include "ResourceTestSupport.h"

#include "afxcp1252.h"

#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

using resources_test::TempDir;
using resources_test::WriteFile;

namespace
{

constexpr char kFill = '\x7E';
constexpr DWORD kBuffer = 100;

const char* const kLineEnds[] = {"\n", "\r\n", "\r"};

std::string LineEndName(const char* eol)
{
    return eol[0] == '\n' ? "LF" : eol[1] == '\n' ? "CRLF" : "CR";
}

// The file of the value cases, one line per element.
const char* const kLines[] = {
    "; the tunings",
    "[NOM]",
    "Accord1=Standard",
    "Accord2 = Open D  ",
    "accord3=\"Drop D\"",
    "Accord4='Single quoted'",
    "Accord5=\"unbalanced",
    "Accord6=",
    "\t Accord7  =  spaced value  ",
    "Accord1=Second",
    "KeyOnly",
    "Accord8=a=b",
    "Accord9=\"\"",
    "Accord11=\"a\" \"b\"",
    "",
    "[notes]",
    "Notes1=MI1LA1RE2SOL2SI2MI3",
    "Notes2=RE1  ;not a comment",
    ";Notes3=commented",
    "  ; Notes4=commented too",
    "[ Spaced Section ]",
    "K=v",
    "[NOM]",
    "Accord10=in the second NOM",
    "[Empty]",
    "[Accents]",
    "Nom=R\xE9 mineur",
};

std::string Join(const char* eol)
{
    std::string text;
    for (const char* line : kLines)
        text += std::string(line) + eol;
    return text;
}

struct Result
{
    DWORD count;
    std::string buffer; // all kBuffer bytes
};

Result Read(const char* app, const char* key, const char* def, DWORD size, const std::string& file)
{
    Result r{0, std::string(kBuffer, kFill)};
    r.count = GetPrivateProfileStringA(app, key, def, r.buffer.data(), size, file.c_str());
    return r;
}

// The value, its NUL, and nothing written after them.
void ExpectValue(const Result& r, const std::string& expected)
{
    EXPECT_EQ(r.count, expected.size());
    EXPECT_EQ(r.buffer.substr(0, expected.size()), expected);
    ASSERT_LT(expected.size(), kBuffer);
    EXPECT_EQ(r.buffer[expected.size()], '\0');
    EXPECT_EQ(r.buffer.find_first_not_of(kFill, expected.size() + 1), std::string::npos)
        << "written past the copy";
}

class ProfileValues : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { WriteFile(path_, Join(GetParam())); }
    TempDir dir_;
    std::string path_ = dir_ / "Accords.ini";
};

TEST_P(ProfileValues, Cases)
{
    struct
    {
        const char* app;
        const char* key;
        const char* def;
        DWORD size;
        const char* expected;
    } cases[] = {
        /* 0 */ {"NOM", "Accord1", "", 80, "Standard"}, // the first of duplicate keys
        /* 1 */ {"nom", "ACCORD1", "", 80, "Standard"},
        /* 2 */ {"NOM", "Accord2", "", 80, "Open D"},
        /* 3 */ {"NOM", "Accord3", "", 80, "Drop D"},
        /* 4 */ {"NOM", "Accord4", "", 80, "Single quoted"},
        /* 5 */ {"NOM", "Accord5", "", 80, "\"unbalanced"},
        /* 6 */ {"NOM", "Accord6", "def", 80, ""},
        /* 7 */ {"NOM", "Accord7", "", 80, "spaced value"},
        /* 8 */ {"NOM", "KeyOnly", "def", 80, "def"},
        /* 9 */ {"NOM", "Accord8", "", 80, "a=b"},
        /* 10 */ {"NOM", "Accord9", "def", 80, ""},
        /* 11 */ {"NOM", "Accord11", "", 80, "a\" \"b"},
        /* 12 */ {"NOTES", "Notes1", "", 80, "MI1LA1RE2SOL2SI2MI3"},
        /* 13 */ {"NOTES", "Notes2", "", 80, "RE1  ;not a comment"},
        /* 14 */ {"NOTES", "Notes3", "def", 80, "def"},
        /* 15 */ {"NOTES", "Notes4", "def", 80, "def"},
        /* 16 */ {"NOTES", ";Notes3", "def", 80, "def"},
        /* 17 */ {"Spaced Section", "K", "", 80, "v"},
        /* 18 */ {"  NOM ", " Accord1\t", "", 80, "Standard"},
        /* 19 */ {"NOM", "Accord10", "def", 80, "def"}, // only the first [NOM] is read
        /* 20 */ {"Missing", "Accord1", "def", 80, "def"},
        /* 21 */ {"NOM", "Missing", "def", 80, "def"},
        /* 22 */ {"Empty", "K", "def", 80, "def"},
        /* 23 */ {"NOM", "Missing", "abc   ", 80, "abc"},
        /* 24 */ {"NOM", "Missing", "  abc", 80, "  abc"},
        /* 25 */ {"NOM", "Missing", nullptr, 80, ""},
        /* 26 */ {"NOM", "", "def", 80, "def"},
        /* 27 */ {"NOM", "Accord1", "", 9, "Standard"}, // exact fit
        /* 28 */ {"NOM", "Accord1", "", 8, "Standar"},  // one short
        /* 29 */ {"NOM", "Accord1", "", 4, "Sta"},
        /* 30 */ {"NOM", "Accord1", "", 1, ""},
        /* 31 */ {"NOM", "Accord3", "", 7, "Drop D"}, // unquoted, then fitted
        /* 32 */ {"NOM", "Accord3", "", 6, "Drop "},
        /* 33 */ {"NOM", "Missing", "default", 4, "def"},
        /* 34 */ {"Accents", "nom", "", 80, "R\xE9 mineur"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        ExpectValue(Read(cases[i].app, cases[i].key, cases[i].def, cases[i].size, path_),
                    cases[i].expected);
    }
}

TEST_P(ProfileValues, ZeroSizeWritesNothing)
{
    Result r = Read("NOM", "Accord1", "def", 0, path_);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.buffer, std::string(kBuffer, kFill));
}

INSTANTIATE_TEST_SUITE_P(LineEnds, ProfileValues, ::testing::ValuesIn(kLineEnds),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         { return LineEndName(info.param); });

class ProfileLists : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        const char* eol = GetParam();
        WriteFile(path_, std::string("[One]") + eol + "a=1" + eol + "b = 2" + eol + "KeyOnly" +
                             eol + ";c=3" + eol + "=4" + eol + "[Two]" + eol);
    }
    TempDir dir_;
    std::string path_ = dir_ / "list.ini";
};

void ExpectList(const Result& r, const std::string& expected, DWORD count)
{
    EXPECT_EQ(r.count, count);
    EXPECT_EQ(r.buffer.substr(0, expected.size()), expected);
    EXPECT_EQ(r.buffer.find_first_not_of(kFill, expected.size()), std::string::npos)
        << "written past the list";
}

TEST_P(ProfileLists, SectionAndKeyNames)
{
    using namespace std::string_literals;
    struct
    {
        const char* app;
        DWORD size;
        std::string expected; // with every NUL written
        DWORD count;
    } cases[] = {
        /* 0 */ {nullptr, 80, "One\0Two\0\0"s, 8},
        /* 1 */ {nullptr, 9, "One\0Two\0\0"s, 8}, // exact fit
        /* 2 */ {nullptr, 8, "One\0Tw\0\0"s, 6},  // one short: cut, two NULs, size - 2
        /* 3 */ {nullptr, 5, "One\0\0"s, 3},
        /* 4 */ {nullptr, 2, "\0\0"s, 0},
        /* 5 */ {"one", 80, "a\0b\0\0"s, 4}, // neither the line without '=' nor the comment
        /* 6 */ {"One", 4, "a\0\0\0"s, 2},
        /* 7 */ {"Two", 80, "none\0"s, 4}, // no keys: the default, as a value
        /* 8 */ {"Three", 80, "none\0"s, 4},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        ExpectList(Read(cases[i].app, nullptr, "none", cases[i].size, path_), cases[i].expected,
                   cases[i].count);
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, ProfileLists, ::testing::ValuesIn(kLineEnds),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         { return LineEndName(info.param); });

TEST(Profile, MissingFileGivesTheDefault)
{
    TempDir dir;
    SetLastError(0);
    ExpectValue(Read("NOM", "Accord1", "def  ", 80, dir / "absent.ini"), "def");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ExpectValue(Read("NOM", "Accord1", "def", 80, dir.path()), "def"); // a folder is no file
}

TEST(Profile, WindowsPathInCodePage1252)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "sous dossier");
    WriteFile(dir / "sous dossier/r\xC3\xA9glages.ini", "[S]\nk=v"); // UTF-8 name, no final EOL
    std::string path = dir.path() + "\\sous dossier\\r\xE9glages.ini";
    std::replace(path.begin(), path.end(), '/', '\\');
    ExpectValue(Read("S", "k", "", 80, path), "v");
}

// Encodings a tunings file may be saved in.
enum class Encoding
{
    Cp1252,
    Utf8,
    Utf8Mark,
    Utf16LE,
    Utf16BE,
};

const Encoding kEncodings[] = {Encoding::Cp1252, Encoding::Utf8, Encoding::Utf8Mark,
                               Encoding::Utf16LE, Encoding::Utf16BE};

std::string EncodingName(Encoding e)
{
    switch (e)
    {
        case Encoding::Cp1252:
            return "Cp1252";
        case Encoding::Utf8:
            return "Utf8";
        case Encoding::Utf8Mark:
            return "Utf8Mark";
        case Encoding::Utf16LE:
            return "Utf16LE";
        case Encoding::Utf16BE:
            return "Utf16BE";
    }
    return "";
}

// With its mark.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text)
    {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// Text in code page 1252 saved as the encoding asks. Its letters must lie below 0x80 or from 0xA0
// on, where the code page and Unicode agree.
std::string Encode(const std::string& cp1252, Encoding e)
{
    std::u16string wide;
    for (unsigned char c : cp1252)
    {
        EXPECT_FALSE(c >= 0x80 && c < 0xA0) << "not a Latin-1 letter";
        wide += static_cast<char16_t>(c);
    }
    switch (e)
    {
        case Encoding::Cp1252:
            return cp1252;
        case Encoding::Utf8:
            return afx::Cp1252ToUtf8(cp1252);
        case Encoding::Utf8Mark:
            return "\xEF\xBB\xBF" + afx::Cp1252ToUtf8(cp1252);
        case Encoding::Utf16LE:
            return Utf16Bytes(wide, false);
        case Encoding::Utf16BE:
            return Utf16Bytes(wide, true);
    }
    return "";
}

// 79 letters reach the caller of an 80-byte buffer; accented ones at the cut show a value that is
// cut in bytes of the file rather than in characters.
const std::string kLong = std::string(76, 'e') + "éèàçù";

const char* const kTunings[] = {
    "; Accords d'été",
    "[NOM]",
    "Accord1=Standard",
    "Accord2=Ré ouvert",
    "  Accord3 = Sol ouvert  ",
    "accord4=\"Open E (Mi ouvert)\"",
    "Accord2=Doublon ignoré",
    "[NOTES]",
    "Notes1=MI1LA1RE2SOL2SI2MI3",
    "Notes2=RE1LA1RE2FA#2LA2RE3",
    ";Notes3=commenté",
    "[Réglages]",
    "Long=",
    "Clé=Valeur d'été", // the last line, without a line end
};

class ProfileEncodings : public ::testing::TestWithParam<std::tuple<Encoding, const char*>>
{
protected:
    void SetUp() override
    {
        const char* eol = std::get<1>(GetParam());
        std::string text;
        for (std::string line : kTunings)
        {
            if (line == "Long=")
                line += kLong;
            text += (text.empty() ? "" : eol) + line;
        }
        WriteFile(path_, Encode(text, std::get<0>(GetParam())));
    }
    TempDir dir_;
    std::string path_ = dir_ / "Accords.ini";
};

TEST_P(ProfileEncodings, ReadBackInCodePage1252)
{
    using namespace std::string_literals;
    const struct
    {
        const char* app;
        const char* key;
        DWORD size;
        std::string expected; // with every NUL written
        int listed = -1;      // the count of a list, when app or key is null
    } cases[] = {
        /* 0 */ {"NOM", "Accord1", 80, "Standard"},
        /* 1 */ {"NOM", "Accord2", 80, "Ré ouvert"},
        /* 2 */ {"nom", "ACCORD3", 80, "Sol ouvert"},
        /* 3 */ {"NOM", "Accord4", 80, "Open E (Mi ouvert)"},
        /* 4 */ {"NOM", "Accord2", 10, "Ré ouvert"}, // exact fit
        /* 5 */ {"NOM", "Accord2", 9, "Ré ouver"},   // one short
        /* 6 */ {"NOM", "Accord2", 3, "Ré"},
        /* 7 */ {"NOTES", "Notes2", 80, "RE1LA1RE2FA#2LA2RE3"},
        /* 8 */ {"NOTES", "Notes3", 80, "aucun"},
        /* 9 */ {"Réglages", "Long", 80, kLong.substr(0, 79)},
        /* 10 */ {"Réglages", "CLé", 80, "Valeur d'été"},
        /* 11 */ {nullptr, nullptr, 80, "NOM\0NOTES\0Réglages\0\0"s, 19},
        /* 12 */ {nullptr, nullptr, 20, "NOM\0NOTES\0Réglages\0\0"s, 19}, // exact fit
        /* 13 */ {nullptr, nullptr, 19, "NOM\0NOTES\0Réglage\0\0"s, 17},  // one short
        /* 14 */ {"NOTES", nullptr, 80, "Notes1\0Notes2\0\0"s, 14},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& c = cases[i];
        const Result r = Read(c.app, c.key, "aucun", c.size, path_);
        if (c.listed >= 0)
            ExpectList(r, c.expected, static_cast<DWORD>(c.listed));
        else
            ExpectValue(r, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EncodingsAndLineEnds, ProfileEncodings,
    ::testing::Combine(::testing::ValuesIn(kEncodings), ::testing::ValuesIn(kLineEnds)),
    [](const ::testing::TestParamInfo<std::tuple<Encoding, const char*>>& info)
    { return EncodingName(std::get<0>(info.param)) + "_" + LineEndName(std::get<1>(info.param)); });

std::string Utf8(std::u8string_view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TEST(Profile, CharactersOutsideCodePage1252BecomeQuestionMarks)
{
    const struct
    {
        std::u8string_view utf8;
        std::u16string_view utf16;
        std::string expected;
    } cases[] = {
        /* 0 */ {u8"Mi \u266A ouvert", u"Mi \u266A ouvert", "Mi ? ouvert"},
        /* 1 */ {u8"\U0001F3B8 Drop D", u"\U0001F3B8 Drop D", "? Drop D"}, // beyond U+FFFF
        /* 2 */ {u8"R\u00E9 \u20AC \u2019 \u0152", u"R\u00E9 \u20AC \u2019 \u0152", "Ré € ’ Œ"},
    };
    TempDir dir;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const auto& c = cases[i];
        const std::pair<const char*, std::string> files[] = {
            {"UTF-8", "[S]\nk=" + Utf8(c.utf8) + "\n"},
            {"UTF-8 with its mark", "\xEF\xBB\xBF[S]\nk=" + Utf8(c.utf8) + "\n"},
            {"UTF-16LE", Utf16Bytes(u"[S]\nk=" + std::u16string(c.utf16) + u"\n", false)},
            {"UTF-16BE", Utf16Bytes(u"[S]\nk=" + std::u16string(c.utf16) + u"\n", true)},
        };
        for (const auto& [encoding, bytes] : files)
        {
            SCOPED_TRACE("case " + std::to_string(i) + ", " + encoding);
            const std::string path = dir / (std::to_string(i) + encoding + ".ini");
            WriteFile(path, bytes);
            ExpectValue(Read("S", "k", "", 80, path), c.expected);
        }
    }
}

// Without a mark, a file that is well-formed UTF-8 is read as UTF-8, any other as code page 1252.
TEST(Profile, Utf8WithoutMarkOrCodePage1252)
{
    const struct
    {
        const char* file;
        const char* expected; // of k
    } cases[] = {
        /* 0 */ {"[S]\nk=R\xE9 ouvert\n", "R\xE9 ouvert"},
        /* 1 */ {"[S]\nk=R\xC3\xA9 ouvert\n", "R\xE9 ouvert"},
        /* 2 */ {"[S]\nk=\xC3\xA9\n", "\xE9"}, // "Ã©" in 1252 is also UTF-8, and read as such
        /* 3 */ {"[S]\nj=R\xE9\nk=\xC3\xA9\n", "\xC3\xA9"}, // one 1252 letter makes it all 1252
        /* 4 */ {"[S]\nk=\xC3\xA9\nj=R\xE9\n", "\xC3\xA9"},
        /* 5 */ {"[S]\nk=\x80 \x92\n", "\x80 \x92"},
        /* 6 */ {"[S]\nk=\xC0\xAF\n", "\xC0\xAF"},         // overlong forms are no UTF-8
        /* 7 */ {"[S]\nk=\xED\xA0\x80\n", "\xED\xA0\x80"}, // nor are surrogates
        /* 8 */ {"[S]\nk=\xC3\n", "\xC3"},                 // nor a sequence cut short
    };
    TempDir dir;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string path = dir / (std::to_string(i) + ".ini");
        WriteFile(path, cases[i].file);
        ExpectValue(Read("S", "k", "", 80, path), cases[i].expected);
    }
}

struct stat StatOf(const std::string& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st;
}

void SetModified(const std::string& path, const timespec& modified)
{
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// Until the kernel's file clock has left the tick of the file's last change (whole seconds when
// the file system keeps no fraction), so that a change made now gives it a new change time.
void WaitPastLastChange(const std::string& path)
{
    const timespec changed = StatOf(path).st_ctim;
    const std::int64_t past = changed.tv_sec * 1'000'000'000LL + changed.tv_nsec +
                              (changed.tv_nsec == 0 ? 2'000'000'000LL : 0);
    for (;;)
    {
        timespec now;
        clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (now.tv_sec * 1'000'000'000LL + now.tv_nsec > past)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Each change keeps the size, and the modification time too, as a quick editor or a copy that
// keeps times would.
TEST(ProfileCache, SeesEveryChangeOfTheFile)
{
    const struct
    {
        const char* what;
        bool settled; // the first read made after the tick of the file's writing
        void (*change)(const std::string& path, const timespec& modified);
        const char* expected;
    } cases[] = {
        {"rewritten in place at once", false,
         [](const std::string& path, const timespec& modified)
         {
             WriteFile(path, "[NOM]\nAccord1=Ré ouvert\n");
             SetModified(path, modified);
         },
         "Ré ouvert"},
        {"rewritten in place later", true,
         [](const std::string& path, const timespec& modified)
         {
             WriteFile(path, "[NOM]\nAccord1=Ré ouvert\n");
             SetModified(path, modified);
         },
         "Ré ouvert"},
        {"replaced by another file", true,
         [](const std::string& path, const timespec& modified)
         {
             WriteFile(path + ".new", "[NOM]\nAccord1=Ré ouvert\n");
             SetModified(path + ".new", modified);
             std::filesystem::rename(path + ".new", path);
         },
         "Ré ouvert"},
        {"removed", true,
         [](const std::string& path, const timespec&) { std::filesystem::remove(path); }, "absent"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "Accords.ini";
        WriteFile(path, "[NOM]\nAccord1=Standard!\n");
        if (c.settled)
            WaitPastLastChange(path);
        const struct stat before = StatOf(path);
        ExpectValue(Read("NOM", "Accord1", "absent", 80, path), "Standard!");
        c.change(path, before.st_mtim);
        struct stat after
        {
        };
        if (stat(path.c_str(), &after) == 0)
        {
            ASSERT_EQ(after.st_size, before.st_size);
            ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
            ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        }
        ExpectValue(Read("NOM", "Accord1", "absent", 80, path), c.expected);
    }
}

// Threads reading two files in turn make every call replace the kept file while others still
// read it.
TEST(ProfileCache, ThreadsReadingInTurn)
{
    TempDir dir;
    const std::string files[2] = {dir / "a.ini", dir / "b.ini"};
    WriteFile(files[0],
              "[NOM]\r\nAccord1=Sol ouvert\r\n[NOTES]\r\nNotes1=RE1SOL1RE2SOL2SI2RE3\r\n");
    WriteFile(files[1], Encode("[NOM]\nAccord1=Ré ouvert\n", Encoding::Utf16LE));
    const char* const names[2] = {"Sol ouvert", "Ré ouvert"};

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 200; ++i)
                {
                    const int f = (i + t) % 2;
                    char value[80];
                    GetPrivateProfileStringA("NOM", "Accord1", "", value, sizeof(value),
                                             files[f].c_str());
                    if (std::strcmp(value, names[f]) != 0)
                        ++wrong;
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
