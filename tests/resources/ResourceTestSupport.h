// Helpers of the resource and file tests: the source tree's files, temporary folders, and
// bitmaps, .ico files and compiled resource files (.res) written byte by byte.
#pragma once

#include "afxresources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace resources_test
{

// The repository: QUINTOR_SOURCE_DIR, else two folders above this header.
inline std::string SourceDir()
{
    if (const char* dir = std::getenv("QUINTOR_SOURCE_DIR"))
        return dir;
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
}

// The folder of the test programs: QUINTOR_TEST_BIN, else this program's own.
inline std::string TestBinDir()
{
    if (const char* dir = std::getenv("QUINTOR_TEST_BIN"))
        return dir;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

inline bool ReadFile(const std::string& path, std::string& contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    contents = buffer.str();
    return true;
}

inline void WriteFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quintor-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const char* made = mkdtemp(buffer.data());
        EXPECT_NE(made, nullptr);
        path_ = made ? made : "";
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

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
inline Bytes BitmapHeader(int width, int height, int bitCount, std::uint32_t coloursUsed = 0,
                          std::uint32_t compression = 0)
{
    Bytes b;
    b.u32(40).u32(static_cast<std::uint32_t>(width)).u32(static_cast<std::uint32_t>(2 * height));
    b.u16(1).u16(static_cast<unsigned>(bitCount)).u32(compression).u32(0);
    b.u32(0).u32(0).u32(coloursUsed).u32(0);
    return b;
}

// The images of an .ico file, decoded one by one; empty when the file does not read.
inline std::vector<afx::RcIconImage> DecodeIconFile(const std::vector<unsigned char>& ico)
{
    auto u16 = [&ico](std::size_t at) { return ico[at] | (ico[at + 1] << 8); };
    auto u32 = [&](std::size_t at)
    { return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16; };
    std::vector<afx::RcIconImage> images;
    if (ico.size() < 6 || u16(0) != 0 || u16(2) != 1)
        return {};
    const std::size_t count = u16(4);
    if (6 + 16 * count > ico.size())
        return {};
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::uint64_t length = u32(6 + 16 * i + 8), offset = u32(6 + 16 * i + 12);
        afx::RcIconImage image;
        if (offset + length > ico.size() ||
            afx::DecodeIconImage(ico.data() + offset, length, image) != nullptr)
            return {};
        images.push_back(std::move(image));
    }
    return images;
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

inline afx::ResourceReading Read(const std::vector<unsigned char>& bytes)
{
    return afx::ReadResources(bytes.data(), bytes.size());
}

} // namespace resources_test
