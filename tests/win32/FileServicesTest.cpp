// GetCurrentDirectoryA and FindFirstFileA at the layer's edge, used as the tuner uses them: the
// current directory, then "\<name>" in it, in a folder whose name is not ASCII.
#include "TempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using test_support::TempFolder;

namespace
{

class InFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir_.Write("dossier-\xC3\xA9t\xC3\xA9/Accords.ini", "12345");
        dir_.Write("dossier-\xC3\xA9t\xC3\xA9/r\xC3\xA9glages.ini", "");
        dir_.Write("dossier-\xC3\xA9t\xC3\xA9/sub/x", "");
        std::filesystem::current_path(dir_ / "dossier-\xC3\xA9t\xC3\xA9");
    }
    TempFolder dir_{TempFolder::MakeCurrent}; // and back to where the test began
    const std::string current_ = dir_.Path() + "/dossier-\xE9t\xE9"; // in code page 1252
};

TEST_F(InFolder, CurrentDirectoryFitsOrTellsTheSizeNeeded)
{
    const DWORD length = static_cast<DWORD>(current_.size());
    const struct
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
        const std::size_t written = cases[i].copied ? length + 1 : 0;
        EXPECT_EQ(buffer.substr(0, written), cases[i].copied ? current_ + '\0' : "");
        EXPECT_EQ(buffer.find_first_not_of('\x7E', written), std::string::npos);
    }
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);
}

TEST_F(InFolder, FindFirstFileTakesTheNameAsItIs)
{
    char folder[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, folder), 0u);
    const struct
    {
        const char* name;
        const char* found; // nullptr: none
        DWORD size = 0, attributes = 0;
    } cases[] = {
        /* 0 */ {"\\Accords.ini", "Accords.ini", 5, FILE_ATTRIBUTE_NORMAL},
        /* 1 */ {"/r\xE9glages.ini", "r\xE9glages.ini", 0, FILE_ATTRIBUTE_NORMAL},
        /* 2 */ {"\\sub", "sub", 0, FILE_ATTRIBUTE_DIRECTORY},
        /* 3 */ {"\\accords.ini", nullptr}, // letter case is the file system's affair
        /* 4 */ {"\\*.ini", nullptr},       // no wildcards
        /* 5 */ {"\\", nullptr},
        /* 6 */ {"\\sub\\", nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        WIN32_FIND_DATAA data;
        std::memset(&data, 0x7E, sizeof data);
        HANDLE h = FindFirstFileA((std::string(folder) + cases[i].name).c_str(), &data);
        if (cases[i].found == nullptr)
        {
            EXPECT_EQ(h, INVALID_HANDLE_VALUE);
            continue;
        }
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_STREQ(data.cFileName, cases[i].found);
        EXPECT_EQ(data.nFileSizeLow, cases[i].size);
        EXPECT_EQ(data.nFileSizeHigh, 0u);
        EXPECT_EQ(data.dwFileAttributes, cases[i].attributes);
        EXPECT_TRUE(FindClose(h));
    }
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

} // namespace
