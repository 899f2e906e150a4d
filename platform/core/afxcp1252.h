// Code page 1252, the system's strings, to and from UTF-8, the encoding of Qt, file names and ALSA.
#pragma once

#include <string>
#include <string_view>

namespace afx
{
std::string Cp1252ToUtf8(std::string_view text);
// Characters that code page 1252 lacks become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp1252(std::string_view text);
} // namespace afx
