#include "afxcp1252.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace
{
// 0x80 to 0x9F; the other bytes are the Latin-1 code points. 0 marks the five unassigned bytes.
const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char FromCodePoint(std::uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

// The length of the well-formed sequence that starts at text[i], with its code point; 0 when
// there is none.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& cp)
{
    // The smallest code point of each length: below it, the form is overlong.
    static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : (lead & 0xF0) == 0xE0        ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || text.size() - i < length)
        return 0;
    cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
    {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

// The number of bytes below 0x80 from text[i] on, eight at a time while it can: most of a file is
// ASCII.
std::size_t AsciiRun(std::string_view text, std::size_t i)
{
    const std::size_t start = i;
    std::uint64_t word;
    while (i + sizeof(word) <= text.size())
    {
        std::memcpy(&word, text.data() + i, sizeof(word));
        if (word & 0x8080808080808080ull)
            break;
        i += sizeof(word);
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    return i - start;
}

// Code page 1252 of UTF-8 text, a '?' for each character the code page lacks. A malformed
// sequence gives a '?' for each of its bytes, or, when strict, nothing at all.
std::optional<std::string> FromUtf8(std::string_view text, bool strict)
{
    std::string out;
    out.reserve(text.size()); // never longer than the UTF-8
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t ascii = AsciiRun(text, i);
        out.append(text.data() + i, ascii);
        i += ascii;
        if (i == text.size())
            break;
        std::uint32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0 && strict)
            return std::nullopt;
        out += length == 0 ? '?' : FromCodePoint(cp);
        i += length == 0 ? 1 : length;
    }
    return out;
}
} // namespace

namespace afx
{
std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text)
    {
        std::uint32_t cp = c;
        if (c >= 0x80 && c < 0xA0)
            cp = kHigh[c - 0x80] != 0 ? kHigh[c - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    return *FromUtf8(text, false);
}

std::string Utf16ToCp1252(std::string_view bytes, bool bigEndian)
{
    auto unit = [bytes, bigEndian](std::size_t i) -> std::uint32_t
    {
        const std::uint32_t first = static_cast<unsigned char>(bytes[i]);
        const std::uint32_t second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    std::string out(bytes.size() / 2 + 1, '\0');
    std::size_t n = 0, i = 0;
    for (; i + 1 < bytes.size(); i += 2)
    {
        // A pair of surrogates is one character past U+FFFF; a surrogate alone is none either.
        const std::uint32_t u = unit(i);
        if ((u & 0xFC00) == 0xD800 && i + 3 < bytes.size() && (unit(i + 2) & 0xFC00) == 0xDC00)
            i += 2;
        out[n++] = FromCodePoint(u);
    }
    if (i < bytes.size())
        out[n++] = '?';
    out.resize(n);
    return out;
}

// A mark decides: EF BB BF is UTF-8, FF FE UTF-16 little endian, FE FF UTF-16 big endian. Without
// one, a file that is well-formed UTF-8 throughout is UTF-8, else code page 1252 (plain ASCII reads
// the same either way). Some code page 1252 text is also well-formed UTF-8, "Ã©" for one: such a
// file reads as UTF-8 ("é"), since today's editors save UTF-8 without a mark, while French 1252
// text hardly ever puts after each letter from Â to ô just the symbols of 0x80..0xBF (€, ’, «...)
// that UTF-8 would call for.
std::string TextFileToCp1252(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return Utf8ToCp1252(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return Utf16ToCp1252(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return Utf16ToCp1252(bytes.substr(2), true);
    std::optional<std::string> utf8 = FromUtf8(bytes, true);
    return utf8 ? std::move(*utf8) : std::string(bytes);
}
} // namespace afx
