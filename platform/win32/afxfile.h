// File names at the layer's edge: the system's code speaks Windows-style paths in code page 1252.
#pragma once

#include <string>

namespace afx
{
// The file system's name (UTF-8, '/' separators) of a Windows-style path in code page 1252, in
// which '\' and '/' both separate folders.
std::string NativePath(const char* windowsPath);
} // namespace afx
