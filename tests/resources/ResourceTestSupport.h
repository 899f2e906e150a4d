// Helpers of the resource and file tests: the source tree's files, temporary folders, and .ico
// images written byte by byte.
#pragma once

#include "afxrcscript.h"

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

// The program's script, read from the source tree as the build reads it.
inline afx::RcScript ReadProgramScript()
{
    std::string text;
    EXPECT_TRUE(ReadFile(SourceDir() + "/res/Quintor.rc", text));
    return afx::ParseResourceScript("Quintor.rc", text,
                                    [](const std::string& name, std::string& contents)
                                    {
                                        return ReadFile(SourceDir() + "/res/" + name, contents) ||
                                               ReadFile(SourceDir() + "/src/" + name, contents);
                                    });
}

// Reads a script whose included files are given in memory.
inline afx::RcScript ParseWith(const std::string& text,
                               const std::map<std::string, std::string>& files = {},
                               const std::string& name = "t.rc")
{
    return afx::ParseResourceScript(name, text,
                                    [&files](const std::string& file, std::string& contents)
                                    {
                                        auto it = files.find(file);
                                        if (it == files.end())
                                            return false;
                                        contents = it->second;
                                        return true;
                                    });
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

// Little-endian bytes, for writing .ico files field by field.
class Bytes
{
public:
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

// An .ico file holding the given images, in order.
inline std::vector<unsigned char> IconFile(const std::vector<Bytes>& images)
{
    Bytes file;
    file.u16(0).u16(1).u16(static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Bytes& image : images)
    {
        file.u8(0).u8(0).u8(0).u8(0).u16(1).u16(0);
        file.u32(static_cast<std::uint32_t>(image.data.size())).u32(offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const Bytes& image : images)
        file.append(image);
    return file.data;
}

inline std::string AsString(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace resources_test
