// GetCurrentDirectoryA and FindFirstFileA at the layer's edge: code page 1252 names, '\' paths,
// the documented buffer rules.
#include "ResourceTestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

using resources_test::TempDir;
using resources_test::WriteFile;

namespace
{

// Runs in a folder whose name is not ASCII, and comes back to where it was.
class CurrentDirectory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::create_directory(dir_ / "dossier-\xC3\xA9t\xC3\xA9");
        std::filesystem::current_path(dir_ / "dossier-\xC3\xA9t\xC3\xA9");
        expected_ = dir_.path() + "/dossier-\xE9t\xE9"; // the same name in code page 1252
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    TempDir dir_;
    std::filesystem::path previous_;
    std::string expected_;
};

TEST_F(CurrentDirectory, FitsOrTellsTheSizeNeeded)
{
    const DWORD length = static_cast<DWORD>(expected_.size());
    struct
    {
        DWORD size;
        DWORD result;
        bool copied;
    } cases[] = {
        /* 0 */ {MAX_PATH, length, true},
        /* 1 */ {length + 1, length, true},  // exact fit
        /* 2 */ {length, length + 1, false}, // one short: the size with the NUL
        /* 3 */ {0, length + 1, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        std::string buffer(MAX_PATH + 1, '\x7E');
        EXPECT_EQ(GetCurrentDirectoryA(cases[i].size, buffer.data()), cases[i].result);
        if (cases[i].copied)
        {
            EXPECT_EQ(std::string(buffer.c_str()), expected_);
            EXPECT_EQ(buffer.find_first_not_of('\x7E', length + 1), std::string::npos);
        }
        else
        {
            EXPECT_EQ(buffer, std::string(MAX_PATH + 1, '\x7E'));
        }
    }
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);
}

// The way the tuner builds its path: the current directory, then "\Accords.ini".
TEST_F(CurrentDirectory, PathBuiltOnItReachesTheFile)
{
    WriteFile("Accords.ini", "[NOM]\nAccord1=Standard\n");
    char dir[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, dir), 0u);
    std::string path = std::string(dir) + "\\Accords.ini";

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(path.c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Accords.ini");
    EXPECT_TRUE(FindClose(h));

    char value[80];
    EXPECT_EQ(GetPrivateProfileStringA("NOM", "Accord1", "", value, 80, path.c_str()), 8u);
    EXPECT_STREQ(value, "Standard");
}

class FindFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir_ / "Accords.ini", "12345");
        WriteFile(dir_ / "B.INI", "");
        WriteFile(dir_ / "c.txt", "");
        WriteFile(dir_ / "noext", "");
        WriteFile(dir_ / "r\xC3\xA9glages.ini", "");
        std::filesystem::create_directory(dir_ / "sub");
    }
    // A Windows path to a name in the folder.
    std::string Path(const std::string& name) const
    {
        std::string path = dir_.path() + "\\" + name;
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
    std::vector<std::string> All(const std::string& pattern) const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(Path(pattern).c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(h, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(h));
        return names;
    }
    TempDir dir_;
};

TEST_F(FindFiles, ExactName)
{
    WIN32_FIND_DATAA data;
    std::memset(&data, 0x7E, sizeof data);
    HANDLE h = FindFirstFileA(Path("Accords.ini").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Accords.ini");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_TRUE(FindClose(h));
}

TEST_F(FindFiles, NamesAsTheFileSystemHasThem)
{
    struct
    {
        const char* name;
        const char* found; // nullptr: none
    } cases[] = {
        /* 0 */ {"Accords.ini", "Accords.ini"},
        /* 1 */ {"accords.ini", nullptr}, // letter case is the file system's affair
        /* 2 */ {"absent.ini", nullptr},
        /* 3 */ {"r\xE9glages.ini", "r\xE9glages.ini"},
        /* 4 */ {"sub", "sub"},
        /* 5 */ {"", nullptr},
        /* 6 */ {"sub\\", nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        WIN32_FIND_DATAA data;
        SetLastError(0);
        HANDLE h = FindFirstFileA(Path(cases[i].name).c_str(), &data);
        if (cases[i].found == nullptr)
        {
            EXPECT_EQ(h, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            continue;
        }
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_STREQ(data.cFileName, cases[i].found);
        EXPECT_TRUE(FindClose(h));
    }
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(Path("sub").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(h);
}

TEST_F(FindFiles, Wildcards)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(All("*.ini"), (Names{"Accords.ini", "B.INI", "r\xE9glages.ini"}));
    EXPECT_EQ(All("?.ini"), (Names{"B.INI"}));
    EXPECT_EQ(All("*.*"),
              (Names{"Accords.ini", "B.INI", "c.txt", "noext", "r\xE9glages.ini", "sub"}));
    EXPECT_EQ(All("*ext"), (Names{"noext"}));
    EXPECT_EQ(All("*.doc"), Names{});
}

TEST_F(FindFiles, HandlesAreChecked)
{
    WIN32_FIND_DATAA data;
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE h = FindFirstFileA(Path("Accords.ini").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h)) << "closed twice";
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
}

} // namespace
