// GetPrivateProfileStringA against Windows' documented reading rules, over LF and CRLF files,
// into pre-filled buffers so that a byte written past the copy shows.
#include "ResourceTestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

using resources_test::TempDir;
using resources_test::WriteFile;

namespace
{

constexpr char kFill = '\x7E';
constexpr DWORD kBuffer = 100;

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

INSTANTIATE_TEST_SUITE_P(LineEnds, ProfileValues, ::testing::Values("\n", "\r\n"),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         { return std::string(info.param[0] == '\r' ? "CRLF" : "LF"); });

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

INSTANTIATE_TEST_SUITE_P(LineEnds, ProfileLists, ::testing::Values("\n", "\r\n"),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         { return std::string(info.param[0] == '\r' ? "CRLF" : "LF"); });

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

TEST(Profile, Utf8FileWithItsMarkReadsAsCodePage1252)
{
    TempDir dir;
    WriteFile(dir / "u.ini", "\xEF\xBB\xBF[S]\r\nk=R\xC3\xA9\r\n");
    ExpectValue(Read("S", "k", "", 80, dir / "u.ini"), "R\xE9");
}

} // namespace
