// CString: construction, substrings, equality, formatting, concatenation, bytes.
#include <afx.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace
{
// The bytes of a CString, NULs included, for exact comparisons.
std::string Bytes(const CString& s)
{
    return std::string(static_cast<LPCSTR>(s), static_cast<std::size_t>(s.GetLength()));
}

TEST(CStringTest, ConstructionGivesTheExpectedBytes)
{
    struct Case
    {
        CString value;
        std::string bytes;
    };
    const Case cases[] = {
        /* 0 */ {CString(), ""},
        /* 1 */ {CString(static_cast<LPCSTR>(nullptr)), ""},
        /* 2 */ {CString("MI1"), "MI1"},
        /* 3 */ {CString("ab\0cd", 5), std::string("ab\0cd", 5)},
        /* 5 */ {CString(nullptr, 4), ""},
        /* 6 */ {CString("abc", -1), ""},
        // The system's narrow literals are CP1252: each accented letter is one byte.
        /* 7 */ {CString("é"), "\xE9"},
        /* 8 */ {CString("s'arrêter"), "s'arr\xEAter"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        EXPECT_EQ(Bytes(cases[i].value), cases[i].bytes) << "case " << i;
        EXPECT_EQ(cases[i].value.GetLength(), static_cast<int>(cases[i].bytes.size()))
            << "case " << i;
        EXPECT_EQ(cases[i].value.IsEmpty() != FALSE, cases[i].bytes.empty()) << "case " << i;
    }
}

TEST(CStringTest, CopiesAndAssignmentsAreIndependent)
{
    CString original("LA1");
    CString copy(original);
    copy += "b";
    CString moved(std::move(copy));
    copy = "reused"; // a moved-from string is still usable
    EXPECT_EQ(Bytes(original), "LA1");
    EXPECT_EQ(Bytes(moved), "LA1b");
    EXPECT_EQ(Bytes(copy), "reused");

    CString s("abcdef");
    s = static_cast<LPCSTR>(s) + 2; // from the string's own bytes
    EXPECT_EQ(Bytes(s), "cdef");
    s = static_cast<LPCSTR>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = "x";
    s.Empty();
    EXPECT_EQ(std::strlen(static_cast<LPCSTR>(s)), 0u);
}

TEST(CStringTest, SubstringsClampToTheText)
{
    struct Case
    {
        const char* text;
        int first;
        int count; // -100: the one-argument Mid
        const char* expected;
    };
    const Case cases[] = {
        /* 0 */ {"SOL2SI2", 0, 3, "SOL"},
        /* 2 */ {"SOL2SI2", 5, 10, "I2"},          // count beyond the end
        /* 3 */ {"SOL2SI2", 7, 1, ""},             // start at the end
        /* 4 */ {"SOL2SI2", 20, 3, ""},            // start beyond the end
        /* 5 */ {"SOL2SI2", -3, 2, "SO"},          // negative start counts as 0
        /* 6 */ {"SOL2SI2", 2, -1, ""},            // negative count counts as 0
        /* 8 */ {"SOL2SI2", 1, INT_MAX, "OL2SI2"}, // no overflow in first + count
        /* 10 */ {"SOL2SI2", 4, -100, "SI2"},
        /* 11 */ {"SOL2SI2", 9, -100, ""},
        /* 12 */ {"SOL2SI2", -1, -100, "SOL2SI2"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const CString text(cases[i].text);
        const CString got = cases[i].count == -100 ? text.Mid(cases[i].first)
                                                   : text.Mid(cases[i].first, cases[i].count);
        EXPECT_EQ(Bytes(got), cases[i].expected) << "case " << i;
    }
}

TEST(CStringTest, EqualityIsExactAndCaseSensitive)
{
    struct Case
    {
        CString a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        /* 0 */ {"MI", "MI", true},
        /* 1 */ {"MI", "mi", false}, // case counts
        /* 2 */ {"MI", "MI ", false},
        /* 3 */ {"", nullptr, true}, // a null text is empty
        /* 4 */ {"é", "\xE9", true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        EXPECT_EQ(cases[i].a == cases[i].b, cases[i].equal) << "case " << i;
        EXPECT_EQ(cases[i].a == CString(cases[i].b), cases[i].equal) << "case " << i;
        EXPECT_EQ(cases[i].a != cases[i].b, !cases[i].equal) << "case " << i;
        EXPECT_EQ(cases[i].a != CString(cases[i].b), !cases[i].equal) << "case " << i;
    }
    // Between two CStrings every byte counts, NULs included.
    EXPECT_FALSE(CString("ab\0x", 4) == CString("ab\0y", 4));
}

TEST(CStringTest, AWrittenBufferBecomesTheTextUpToItsNulOrTheGivenLength)
{
    CString s("LA");
    char* buffer = s.GetBuffer(80);
    EXPECT_EQ(buffer[0], 'L') << "the text stays at the start of the buffer";
    std::snprintf(buffer, 81, "%s", "MI1LA1RE2SOL2SI2MI3");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "MI1LA1RE2SOL2SI2MI3");
    s.GetBuffer(2); // never shorter than the text
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "MI1");
    s.ReleaseBuffer(10); // never longer than the buffer
    EXPECT_EQ(s, "MI1");
}

TEST(CStringTest, FormatProducesPrintfOutputOfAnyLength)
{
    CString s;
    s.Format("%d Hz, %.1f %%", 110, 82.41);
    EXPECT_EQ(Bytes(s), "110 Hz, 82.4 %");

    const std::string longText(5000, 'k');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(Bytes(s), "<" + longText + ">");

    s = "moi";
    s.Format("%s et %s", static_cast<LPCSTR>(s), static_cast<LPCSTR>(s)); // own text as argument
    EXPECT_EQ(Bytes(s), "moi et moi");

    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, ConcatenationJoinsEveryOperandKind)
{
    const CString a("MI");
    const CString b("1");
    EXPECT_EQ(Bytes(a + b), "MI1");
    EXPECT_EQ(Bytes(a + "b"), "MIb");
    EXPECT_EQ(Bytes(a + static_cast<LPCSTR>(nullptr)), "MI");

    CString s("RE");
    s += b;
    s += "SOL";
    s += static_cast<LPCSTR>(nullptr);
    EXPECT_EQ(Bytes(s), "RE1SOL");
    s += s; // with itself
    EXPECT_EQ(Bytes(s), "RE1SOLRE1SOL");
}

TEST(CStringDeathTest, CharacterAccessOutsideTheTextStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const CString s("LA#");
    EXPECT_EQ(s.GetAt(0), 'L');
    EXPECT_EQ(s[2], '#');
    EXPECT_DEATH(s.GetAt(3), "CString::GetAt: index 3 outside 0..2");
    EXPECT_DEATH(s.GetAt(-1), "CString::GetAt: index -1");
    EXPECT_DEATH(CString().GetAt(0), "CString::GetAt");
}

} // namespace
