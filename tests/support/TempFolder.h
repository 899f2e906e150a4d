// A private folder (mode 0700) for one test, removed with all it holds; optionally the current
// folder for its life, for code that opens files by relative name.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <stdlib.h>

namespace test_support
{

class TempFolder
{
public:
    enum Current
    {
        Elsewhere,
        MakeCurrent
    };

    explicit TempFolder(Current current = Elsewhere)
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quintor-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        m_path = pattern;
        if (current == MakeCurrent)
        {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_previous.empty())
            std::filesystem::current_path(m_previous, ignored);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Made() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

    // Writes `bytes` as they are to `name` (subfolders made on the way); returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const
    {
        const std::string file = *this / name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary).write(bytes.data(), bytes.size());
        return file;
    }

private:
    std::string m_path;
    std::filesystem::path m_previous;
};

} // namespace test_support
