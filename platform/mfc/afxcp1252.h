// Code page 1252, the system's strings, to and from UTF-8, the encoding of Qt, file names and ALSA,
// and from the encodings a text file may be saved in.
#pragma once

#include <string>
#include <string_view>

namespace afx
{
std::string Cp1252ToUtf8(std::string_view text);
// Characters that code page 1252 lacks become '?'; each byte of a malformed sequence too.
std::string Utf8ToCp1252(std::string_view text);
// Two bytes per unit, without a mark. A pair of surrogates is one character, so one '?'; a lone
// surrogate and an odd last byte become '?' as well.
std::string Utf16ToCp1252(std::string_view bytes, bool bigEndian);
// A text file's bytes, whatever it was saved in, in code page 1252 (rule in the source).
std::string TextFileToCp1252(std::string_view bytes);
} // namespace afx
