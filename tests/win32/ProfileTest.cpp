// GetPrivateProfileStringA against Windows' documented reading rules, over LF, CRLF and CR files;
// then the kept copy of the last file read. How values are cut to small buffers, and that nothing
// is written past them, is checked by fuzz_profile.
#include "TempFolder.h"
#include "Wait.h"

#include <windows.h>

#include <gtest/gtest.h>

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
#include <vector>

using test_support::TempFolder;

namespace
{

// Into a buffer filled beforehand, so that the NUL must be written.
void ExpectRead(const char* app, const char* key, const char* def, DWORD size,
                const std::string& file, const std::string& expected)
{
    std::string buffer(100, '\x7E');
    EXPECT_EQ(GetPrivateProfileStringA(app, key, def, buffer.data(), size, file.c_str()),
              expected.size());
    EXPECT_EQ(buffer.substr(0, expected.size() + 1), expected + '\0');
}

const std::string kLines[] = {
    "; Accords d'été",
    "[NOM]",
    "Accord1=Standard",
    "Accord2 = Ré ouvert  ",
    "accord3=\"Drop D\"",
    "Accord4='Single quoted'",
    "Accord5=\"unbalanced",
    "Accord6=",
    "\t Accord7  =  spaced value  ",
    "Accord1=Second",
    "KeyOnly",
    "Accord8=a=b",
    "Accord11=\"a\" \"b\"",
    "",
    "[notes]",
    "Notes2=RE1  ;not a comment",
    ";Notes3=commented",
    "  ; Notes4=commented too",
    "[ Spaced Section ]",
    "K=v",
    "[NOM]",
    "Accord10=in the second NOM",
    "[Empty]",
    "[Réglages]",
    "Clé=Valeur d'été", // the last line, without a line end
};

// In code page 1252: how each encoding comes down to it is text_encoding_test's affair, and the
// UTF-16 file of the threads below shows that the reader decodes.
TEST(Profile, ValuesAsWindowsReadsThemAtEachLineEnd)
{
    for (const char* eol : {"\n", "\r\n", "\r"})
    {
        std::string text;
        for (const std::string& line : kLines)
            text += (text.empty() ? "" : eol) + line;
        TempFolder dir;
        const std::string path = dir.Write("Accords.ini", text);
        const struct
        {
            const char* app;
            const char* key;
            const char* def;
            DWORD size;
            std::string expected;
        } cases[] = {
            /* 0 */ {"NOM", "Accord1", "", 80, "Standard"}, // the first of duplicate keys
            /* 1 */ {"NOM", "Accord2", "", 80, "Ré ouvert"},
            /* 2 */ {"NOM", "Accord3", "", 80, "Drop D"},
            /* 3 */ {"NOM", "Accord4", "", 80, "Single quoted"},
            /* 4 */ {"NOM", "Accord5", "", 80, "\"unbalanced"},
            /* 5 */ {"NOM", "Accord6", "def", 80, ""},
            /* 6 */ {"NOM", "Accord7", "", 80, "spaced value"},
            /* 7 */ {"NOM", "KeyOnly", "def", 80, "def"},
            /* 8 */ {"NOM", "Accord8", "", 80, "a=b"},
            /* 9 */ {"NOM", "Accord11", "", 80, "a\" \"b"},
            /* 10 */ {"NOTES", "Notes2", "", 80, "RE1  ;not a comment"},
            /* 11 */ {"NOTES", "Notes3", "def", 80, "def"},
            /* 12 */ {"NOTES", "Notes4", "def", 80, "def"},
            /* 13 */ {"Spaced Section", "K", "", 80, "v"},
            /* 14 */ {"  NOM ", " Accord1\t", "", 80, "Standard"},
            /* 15 */ {"NOM", "Accord10", "def", 80, "def"}, // only the first [NOM] is read
            /* 16 */ {"Missing", "Accord1", "def", 80, "def"},
            /* 17 */ {"Empty", "K", "def", 80, "def"},
            /* 18 */ {"NOM", "Missing", "abc   ", 80, "abc"},
            /* 19 */ {"NOM", "Missing", "  abc", 80, "  abc"},
            /* 20 */ {"NOM", "Missing", nullptr, 80, ""},
            /* 21 */ {"NOM", "", "def", 80, "def"},
            /* 22 */ {nullptr, "Accord1", "def", 80, "def"}, // no listings: the default
            /* 23 */ {"NOM", nullptr, "def", 80, "def"},
            /* 24 */ {"NOM", "Missing", "default", 4, "def"},
            /* 25 */ {"réglages", "CLé", "", 80, "Valeur d'été"},
        };
        for (std::size_t i = 0; i < std::size(cases); ++i)
        {
            SCOPED_TRACE(::testing::PrintToString(eol) + ", case " + std::to_string(i));
            const auto& c = cases[i];
            ExpectRead(c.app, c.key, c.def, c.size, path, c.expected);
        }
    }
}

TEST(Profile, FileNames)
{
    TempFolder dir;
    dir.Write("sous dossier/r\xC3\xA9glages.ini", "[S]\nk=v"); // UTF-8 name
    std::string windows = dir.Path() + "\\sous dossier\\r\xE9glages.ini";
    std::replace(windows.begin(), windows.end(), '/', '\\');
    const struct
    {
        std::string path;
        const char* expected;
    } cases[] = {
        {windows, "v"}, {dir / "absent.ini", "def"}, {dir.Path(), "def"}, // a folder is no file
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        ExpectRead("S", "k", "def  ", 80, c.path, c.expected);
    }
    char value[8] = "x";
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "def", value, 8, nullptr), 3u);
    EXPECT_STREQ(value, "def");
}

struct stat StatOf(const std::string& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st;
}

// Until the kernel's file clock has left the tick of the file's last change (whole seconds when
// the file system keeps no fraction), so that a change made now gives it a new change time.
void WaitPastLastChange(const std::string& path)
{
    const timespec changed = StatOf(path).st_ctim;
    const std::int64_t past = changed.tv_sec * 1'000'000'000LL + changed.tv_nsec +
                              (changed.tv_nsec == 0 ? 2'000'000'000LL : 0);
    test_support::WaitUntil("the file clock to pass the last change",
                            [&]
                            {
                                timespec now;
                                clock_gettime(CLOCK_REALTIME_COARSE, &now);
                                return now.tv_sec * 1'000'000'000LL + now.tv_nsec > past;
                            });
}

// Each change keeps the size, and the modification time too, as a quick editor or a copy that
// keeps times would.
TEST(ProfileCache, SeesEveryChangeOfTheFile)
{
    enum Change
    {
        Rewrite,
        Replace,
        Remove
    };
    const struct
    {
        const char* what;
        bool settled; // the first read made after the tick of the file's writing
        Change change;
        const char* expected;
    } cases[] = {
        {"rewritten in place at once", false, Rewrite, "Ré ouvert"},
        {"rewritten in place later", true, Rewrite, "Ré ouvert"},
        {"replaced by another file", true, Replace, "Ré ouvert"},
        {"removed", true, Remove, "absent"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const std::string path = dir.Write("Accords.ini", "[NOM]\nAccord1=Standard!\n");
        if (c.settled)
            WaitPastLastChange(path);
        const struct stat before = StatOf(path);
        ExpectRead("NOM", "Accord1", "absent", 80, path, "Standard!");
        if (c.change == Remove)
            std::filesystem::remove(path);
        else
        {
            const std::string written = dir.Write(c.change == Replace ? "new.ini" : "Accords.ini",
                                                  "[NOM]\nAccord1=Ré ouvert\n");
            const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
            ASSERT_EQ(utimensat(AT_FDCWD, written.c_str(), times, 0), 0);
            std::filesystem::rename(written, path);
            const struct stat after = StatOf(path);
            ASSERT_EQ(after.st_size, before.st_size);
            ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
            ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        }
        ExpectRead("NOM", "Accord1", "absent", 80, path, c.expected);
    }
}

// Threads reading two files in turn make every call replace the kept file while others still
// read it.
TEST(ProfileCache, ThreadsReadingInTurn)
{
    TempFolder dir;
    std::string wide = "\xFF\xFE"; // UTF-16LE behind its mark
    for (char c : std::string("[NOM]\nAccord1=Ré ouvert\n"))
        wide += std::string{c, '\0'};
    const std::string files[2] = {
        dir.Write("a.ini",
                  "[NOM]\r\nAccord1=Sol ouvert\r\n[NOTES]\r\nNotes1=RE1SOL1RE2SOL2SI2RE3\r\n"),
        dir.Write("b.ini", wide)};
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
