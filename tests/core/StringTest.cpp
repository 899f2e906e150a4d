// CString: construction, substrings, comparison, formatting, concatenation, buffers, bytes.
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
        /* 3 */ {CString('x', 3), "xxx"},
        /* 4 */ {CString('x', 0), ""},
        /* 5 */ {CString('x', -2), ""},
        /* 6 */ {CString("ab\0cd", 5), std::string("ab\0cd", 5)},
        /* 7 */ {CString("abcdef", 2), "ab"},
        /* 8 */ {CString(nullptr, 4), ""},
        /* 9 */ {CString("abc", -1), ""},
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
    copy.SetAt(0, 'M');
    CString moved(std::move(copy));
    copy = "reused"; // a moved-from string is still usable
    EXPECT_EQ(Bytes(original), "LA1");
    EXPECT_EQ(Bytes(moved), "MA1");
    EXPECT_EQ(Bytes(copy), "reused");

    CString s("abcdef");
    s = static_cast<LPCSTR>(s) + 2; // from the string's own bytes
    EXPECT_EQ(Bytes(s), "cdef");
    s = 'q';
    EXPECT_EQ(Bytes(s), "q");
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
        /* 1 */ {"SOL2SI2", 4, 2, "SI"},
        /* 2 */ {"SOL2SI2", 5, 10, "I2"}, // count beyond the end
        /* 3 */ {"SOL2SI2", 7, 1, ""},    // start at the end
        /* 4 */ {"SOL2SI2", 20, 3, ""},   // start beyond the end
        /* 5 */ {"SOL2SI2", -3, 2, "SO"}, // negative start counts as 0
        /* 6 */ {"SOL2SI2", 2, -1, ""},   // negative count counts as 0
        /* 7 */ {"SOL2SI2", 3, 0, ""},
        /* 8 */ {"SOL2SI2", 1, INT_MAX, "OL2SI2"}, // no overflow in first + count
        /* 9 */ {"", 0, 1, ""},
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

TEST(CStringTest, LeftAndRightClampToTheText)
{
    struct Case
    {
        int count;
        const char* left;
        const char* right;
    };
    const Case cases[] = {
        /* 0 */ {0, "", ""},
        /* 1 */ {2, "RE", "ée"},
        /* 2 */ {3, "REé", "éée"}, // "é" is one byte
        /* 3 */ {5, "REéée", "REéée"},
        /* 4 */ {9, "REéée", "REéée"}, // beyond the length
        /* 5 */ {-1, "", ""},
    };
    const CString text("REéée");
    ASSERT_EQ(text.GetLength(), 5);
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        EXPECT_EQ(Bytes(text.Left(cases[i].count)), cases[i].left) << "case " << i;
        EXPECT_EQ(Bytes(text.Right(cases[i].count)), cases[i].right) << "case " << i;
    }
}

TEST(CStringTest, ComparisonIsExactCaseSensitiveAndUnsigned)
{
    struct Case
    {
        const char* a;
        const char* b;
        int order; // sign of a compared with b
    };
    const Case cases[] = {
        /* 0 */ {"MI", "MI", 0},
        /* 1 */ {"MI", "mi", -1},  // case counts
        /* 2 */ {"MI", "MI ", -1}, // a prefix sorts first
        /* 3 */ {"", nullptr, 0},  // a null text is empty
        /* 4 */ {"z", "é", -1},    // bytes compare as unsigned: 0x7A < 0xE9
        /* 5 */ {"SOL", "SI", 1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        const CString a(c.a);
        const CString b(c.b);
        // Every mix of operand kinds must agree.
        EXPECT_EQ(a == b, c.order == 0) << "case " << i;
        EXPECT_EQ(c.a == b, c.order == 0) << "case " << i;
        EXPECT_EQ(a != c.b, c.order != 0) << "case " << i;
        EXPECT_EQ(a < b, c.order < 0) << "case " << i;
        EXPECT_EQ(c.a < b, c.order < 0) << "case " << i;
        EXPECT_EQ(a >= c.b, c.order >= 0) << "case " << i;
        EXPECT_EQ(a.Compare(c.b), c.order) << "case " << i;
    }
    // Between two CStrings every byte counts, NULs included.
    EXPECT_LT(CString("ab\0x", 4), CString("ab\0y", 4));
}

TEST(CStringTest, FormatProducesPrintfOutputOfAnyLength)
{
    CString s;
    s.Format("%s%d", "SOL", 2);
    EXPECT_EQ(Bytes(s), "SOL2");

    s.Format("%d Hz, %.1f %%", 110, 82.41);
    EXPECT_EQ(Bytes(s), "110 Hz, 82.4 %");

    const std::string longText(5000, 'k');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(Bytes(s), "<" + longText + ">");

    s.Format("%08d", 42);
    EXPECT_EQ(Bytes(s), "00000042");

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
    EXPECT_EQ(Bytes("DO" + b), "DO1");
    EXPECT_EQ(Bytes(a + '#'), "MI#");
    EXPECT_EQ(Bytes('(' + a), "(MI");
    EXPECT_EQ(Bytes(a + static_cast<LPCSTR>(nullptr)), "MI");

    CString s("RE");
    s += b;
    s += "SOL";
    s += '2';
    s += static_cast<LPCSTR>(nullptr);
    EXPECT_EQ(Bytes(s), "RE1SOL2");
    s += s; // with itself
    EXPECT_EQ(Bytes(s), "RE1SOL2RE1SOL2");
}

TEST(CStringTest, FindLocatesCharactersAndSubstrings)
{
    struct Case
    {
        const char* text;
        const char* sub;
        int first;
    };
    const Case cases[] = {
        /* 0 */ {"MI1LA1RE2", "LA", 3},
        /* 1 */ {"MI1LA1RE2", "1", 2},
        /* 2 */ {"MI1LA1RE2", "SOL", -1},
        /* 3 */ {"MI1LA1RE2", "", 0},
        /* 4 */ {"", "A", -1},
        /* 5 */ {"Ré é", "é", 1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CString(cases[i].text).Find(cases[i].sub), cases[i].first) << "case " << i;

    const CString s("SOL2SOL3");
    EXPECT_EQ(s.Find('O'), 1);
    EXPECT_EQ(s.ReverseFind('O'), 5);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.ReverseFind('x'), -1);
    EXPECT_EQ(s.Find(static_cast<LPCSTR>(nullptr)), -1);
}

TEST(CStringTest, CharacterAccessReadsAndWritesOneByte)
{
    CString s("LA#");
    EXPECT_EQ(s.GetAt(0), 'L');
    EXPECT_EQ(s[2], '#');
    s.SetAt(2, 'b');
    EXPECT_EQ(Bytes(s), "LAb");
    EXPECT_EQ(s.GetLength(), 3);
}

TEST(CStringDeathTest, CharacterAccessOutsideTheTextStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const CString s("abc");
    EXPECT_DEATH(s.GetAt(3), "CString::GetAt: index 3 outside 0..2");
    EXPECT_DEATH(s.GetAt(-1), "CString::GetAt: index -1");
    EXPECT_DEATH(CString().GetAt(0), "CString::GetAt");
    EXPECT_DEATH(CString("x").SetAt(1, 'y'), "CString::SetAt");
}

TEST(CStringTest, ReleaseBufferKeepsTheWrittenBytes)
{
    CString s("old");
    char* buffer = s.GetBuffer(20);
    EXPECT_EQ(std::string(buffer), "old"); // the current text is in the buffer
    std::strcpy(buffer, "Standard Drop D");
    s.ReleaseBuffer();
    EXPECT_EQ(Bytes(s), "Standard Drop D");

    buffer = s.GetBuffer(0);
    buffer[3] = '\0';
    s.ReleaseBuffer(); // up to the first NUL
    EXPECT_EQ(Bytes(s), "Sta");

    buffer = s.GetBuffer(10);
    std::memcpy(buffer, "0123456789", 10);
    s.ReleaseBuffer(4); // an explicit length
    EXPECT_EQ(Bytes(s), "0123");

    buffer = s.GetBufferSetLength(6);
    EXPECT_EQ(s.GetLength(), 6); // set at once
    std::memcpy(buffer, "abcdef", 6);
    EXPECT_EQ(Bytes(s), "abcdef");
    EXPECT_EQ(static_cast<LPCSTR>(s)[6], '\0');

    s.GetBufferSetLength(2);
    EXPECT_EQ(Bytes(s), "ab");
}

TEST(CStringTest, TextIsCodePage1252Bytes)
{
    // The system's narrow literals are CP1252: each accented letter is one byte.
    const CString e("é");
    ASSERT_EQ(e.GetLength(), 1);
    EXPECT_EQ(static_cast<unsigned char>(e[0]), 0xE9);
    EXPECT_EQ(static_cast<unsigned char>(CString("ê")[0]), 0xEA);
    EXPECT_EQ(CString("Votre accord %s est erroné").GetLength(), 26);
    EXPECT_EQ(CString("s'arrêter").GetLength(), 9);
    EXPECT_EQ(Bytes(CString("é")), "\xE9");
}

} // namespace
