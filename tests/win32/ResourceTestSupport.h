// A dialog template as the reader gives it, in a form one expected text can be compared with.
#pragma once

#include "afxresources.h"

#include <sstream>
#include <string>

namespace resources_test
{

// Every field the reader gives, on one line, and each control on one more.
inline std::string Describe(const afx::RcDialog& d)
{
    std::ostringstream out;
    out << std::hex << d.style << " " << d.exStyle << std::dec << " " << d.x << "," << d.y << " "
        << d.cx << "x" << d.cy << " \"" << d.caption << "\" " << d.pointSize << " " << d.fontFace;
    for (const afx::RcControl& c : d.controls)
        out << "\n"
            << c.className << " \"" << c.text << "\" " << c.iconId << " " << c.id << " " << c.x
            << "," << c.y << " " << c.cx << "x" << c.cy << " " << std::hex << c.style << " "
            << c.exStyle << std::dec;
    return out.str();
}

} // namespace resources_test
