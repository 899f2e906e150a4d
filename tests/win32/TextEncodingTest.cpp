// The encodings a text file may come in, down to code page 1252: malformed UTF-8 and UTF-16, the
// characters that lie past 0x7F in both, and what counts as UTF-8 in a file without a mark.
#include "afxcp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using namespace std::string_literals;

TEST(TextEncoding, Utf8ToCodePage1252)
{
    const struct
    {
        std::string utf8;
        std::string cp1252;
    } cases[] = {
        /* 0 */ {"R\xC3\xA9 \xC3\xA0 \xC3\xBF", "R\xE9 \xE0 \xFF"},
        /* 1 */ {"\xE2\x82\xAC\xE2\x80\x99\xC5\x92\xE2\x84\xA2", "\x80\x92\x8C\x99"},
        /* 2 */ {"\xC2\x81\xC2\x9D", "??"},               // C1 controls 1252 has no byte for
        /* 3 */ {"\xE2\x99\xAA \xF0\x9F\x8E\xB8", "? ?"}, // one '?' per character
        /* 4 */ {"\xC0\xAF", "??"},                       // each byte of an overlong form
        /* 5 */ {"\xED\xA0\x80", "???"},
        /* 6 */ {"a\xE9z", "a?z"},
        /* 7 */ {"a\xE2\x82", "a??"},
        /* 8 */
        {"0123456\xC3\xA9" + std::string(17, 'x') + "\xFF",
         "0123456\xE9" + std::string(17, 'x') + "?"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(afx::Utf8ToCp1252(cases[i].utf8), cases[i].cp1252) << "case " << i;
}

TEST(TextEncoding, Utf16ToCodePage1252)
{
    const struct
    {
        std::string littleEndian; // the big-endian case swaps each pair; an odd last byte stays
        std::string cp1252;
    } cases[] = {
        /* 0 */ {"", ""},
        /* 1 */ {"R\0\xE9\0"s, "R\xE9"},
        /* 2 */ {"\xAC\x20\x19\x20\x78\x01"s, "\x80\x92\x9F"}, // €, ’, Ÿ
        /* 3 */ {"\x81\0"s, "?"},
        /* 4 */ {"\x6A\x26"s, "?"},                  // U+266A
        /* 5 */ {"\x3C\xD8\xB8\xDF!\0"s, "?!"},      // a pair: one character
        /* 6 */ {"\x3C\xD8!\0"s, "?!"},              // a high surrogate alone
        /* 7 */ {"a\0\x3C\xD8"s, "a?"},              // ... at the end
        /* 8 */ {"\xB8\xDF\x3C\xD8"s, "??"},         // a low one first
        /* 9 */ {"\x3C\xD8\x3C\xD8\xB8\xDF"s, "??"}, // a lone high before a pair
        /* 10 */ {"a\0b"s, "a?"},                    // odd length
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const std::string& le = cases[i].littleEndian;
        std::string be = le;
        for (std::size_t k = 0; k + 1 < be.size(); k += 2)
            std::swap(be[k], be[k + 1]);
        EXPECT_EQ(afx::Utf16ToCp1252(le, false), cases[i].cp1252) << "little endian, case " << i;
        EXPECT_EQ(afx::Utf16ToCp1252(be, true), cases[i].cp1252) << "big endian, case " << i;
    }
}

// Without a mark, text that is well-formed UTF-8 throughout is UTF-8, any other code page 1252.
TEST(TextEncoding, TextFilesByMarkThenByContent)
{
    const struct
    {
        std::string bytes;
        std::string cp1252;
    } cases[] = {
        /* 0 */ {"R\xE9", "R\xE9"},
        /* 1 */ {"R\xC3\xA9", "R\xE9"},
        /* 2 */ {"\xEF\xBB\xBFR\xC3\xA9", "R\xE9"},
        /* 3 */ {"\xEF\xBB\xBFR\xE9", "R?"}, // the mark wins over the content
        /* 4 */ {"\xEF\xBB\xBF", ""},
        /* 5 */ {"\xFF\xFER\0\xE9\0"s, "R\xE9"},
        /* 6 */ {"\xFE\xFF\0R\0\xE9"s, "R\xE9"},
        /* 7 */ {"\xFF\xFE", ""},
        /* 8 */ {"\xFF", "\xFF"}, // no whole mark: 1252
        /* 9 */ {"\xEF\xBB", "\xEF\xBB"},
        /* 10 */ {"\xC3\xA9 R\xE9", "\xC3\xA9 R\xE9"}, // one byte that is not UTF-8: all 1252
        /* 11 */ {"R\xE9 \xC3\xA9", "R\xE9 \xC3\xA9"},
        /* 12 */ {"\xC2\x80\xDF\xBF", "??"}, // the ends of the two-byte forms
        /* 13 */ {"\xE0\xA0\x80\xEF\xBF\xBF", "??"},
        /* 14 */ {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "??"}, // U+10000 and U+10FFFF
        /* 15 */ {"\xED\x9F\xBF\xEE\x80\x80", "??"},         // either side of the surrogates
        /* 16 */ {"0123456\xC3\xA9", "0123456\xE9"},         // across the end of a run
        // No UTF-8: overlong forms, surrogates, past U+10FFFF, cut short, a lone continuation.
        /* 17 */ {"\xC1\xBF", "\xC1\xBF"},
        /* 18 */ {"\xE0\x9F\xBF", "\xE0\x9F\xBF"},
        /* 19 */ {"\xF0\x8F\xBF\xBF", "\xF0\x8F\xBF\xBF"},
        /* 20 */ {"\xED\xA0\x80", "\xED\xA0\x80"},
        /* 21 */ {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
        /* 22 */ {"\xF5\x80\x80\x80", "\xF5\x80\x80\x80"},
        /* 23 */ {"\xE2\x82", "\xE2\x82"},
        /* 24 */ {"\x80", "\x80"},
        /* 25 */ {"0123456789abcdef\xE9", "0123456789abcdef\xE9"}, // past runs of eight ASCII bytes
                                                                   /* 26 */
        {"01234567\xC3\xA9" + std::string(20, 'x') + "\xC3",
         "01234567\xC3\xA9" + std::string(20, 'x') + "\xC3"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(afx::TextFileToCp1252(cases[i].bytes), cases[i].cp1252) << "case " << i;
}

} // namespace
