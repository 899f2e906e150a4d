// Icon bitmaps and compiled resource files (.res) written byte by byte, for the resource tests.
#pragma once

#include "afxresources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace resources_test
{

// Little-endian bytes, for writing .ico and .res files field by field.
class Bytes
{
public:
    Bytes() = default;
    Bytes(std::vector<unsigned char> bytes) : data(std::move(bytes)) {}
    Bytes& u8(unsigned v)
    {
        data.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(std::initializer_list<unsigned> bytes)
    {
        for (unsigned b : bytes)
            u8(b);
        return *this;
    }
    Bytes& append(const Bytes& other)
    {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
    // Zero-terminated UTF-16 of an ASCII or code page 1252 text (below U+0100 either way).
    Bytes& text(const std::string& s)
    {
        for (unsigned char c : s)
            u16(c);
        return u16(0);
    }
    Bytes& ordinal(unsigned id) { return u16(0xFFFF).u16(id); }
    // Zeros up to the next multiple of four bytes.
    Bytes& align()
    {
        while (data.size() % 4 != 0)
            u8(0);
        return *this;
    }
    std::vector<unsigned char> data;
};

// BITMAPINFOHEADER of an icon image: the height counts the colour bitmap and the mask.
inline Bytes BitmapHeader(int width, int height, int bitCount, std::uint32_t coloursUsed = 0)
{
    Bytes b;
    b.u32(40).u32(static_cast<std::uint32_t>(width)).u32(static_cast<std::uint32_t>(2 * height));
    b.u16(1).u16(static_cast<unsigned>(bitCount)).u32(0).u32(0);
    b.u32(0).u32(0).u32(coloursUsed).u32(0);
    return b;
}

// A compiled resource file: the empty entry that opens it, then the resources added.
class ResFile
{
public:
    ResFile() { add(0, 0, 0, {}); }
    ResFile& add(unsigned type, unsigned id, unsigned language, const Bytes& body)
    {
        return entry(Bytes().ordinal(type), Bytes().ordinal(id), language, body);
    }
    // type and name as stored: ordinals or zero-terminated UTF-16 names.
    ResFile& entry(const Bytes& type, const Bytes& name, unsigned language, const Bytes& body)
    {
        Bytes header;
        header.append(type).append(name).align();
        header.u32(0).u16(0x1030).u16(language).u32(0).u32(0);
        bytes.u32(static_cast<std::uint32_t>(body.data.size()))
            .u32(static_cast<std::uint32_t>(8 + header.data.size()));
        bytes.append(header).append(body).align();
        return *this;
    }
    Bytes bytes;
};

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

inline afx::ResourceReading Read(const std::vector<unsigned char>& bytes)
{
    return afx::ReadResources(bytes.data(), bytes.size());
}

} // namespace resources_test
