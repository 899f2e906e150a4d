// Profile (INI) files: GetPrivateProfileStringA with Windows' reading rules.
#include <windows.h>

#include "afxcp1252.h"
#include "afxfile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace
{

struct Key
{
    std::string name;
    bool hasValue = false; // a line without '=' names a key that has no value
    std::string value;
};

struct Section
{
    std::string name;
    std::vector<Key> keys;
};

bool IsBlank(char c)
{
    // 0x1A: the end-of-file mark old editors leave behind.
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Reads the whole file into sections; keys before the first section header belong to a section
// without a name.
bool Load(LPCSTR fileName, std::vector<Section>& sections)
{
    if (fileName == nullptr)
        return false;
    const std::string path = afx::NativePath(fileName);
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return false;
    std::string text = buffer.str();
    // A file saved as UTF-8 with its mark is read as such; otherwise bytes are code page 1252.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = afx::Utf8ToCp1252(std::string_view(text).substr(3));

    sections.assign(1, Section());
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[')
        {
            std::size_t close = line.rfind(']');
            if (close != std::string::npos)
            {
                Section s;
                s.name = Trim(std::string_view(line).substr(1, close - 1));
                sections.push_back(std::move(s));
                continue;
            }
            // no closing bracket: an ordinary line
        }
        Key key;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            key.name = line;
        else
        {
            key.name = Trim(std::string_view(line).substr(0, eq));
            key.value = Trim(std::string_view(line).substr(eq + 1));
            key.hasValue = true;
        }
        sections.back().keys.push_back(std::move(key));
    }
    return true;
}

const Section* FindSection(const std::vector<Section>& sections, LPCSTR name)
{
    const std::string wanted = Trim(name);
    for (const Section& s : sections)
        if (SameName(s.name, wanted))
            return &s; // the first of duplicates
    return nullptr;
}

const Key* FindKey(const Section& section, LPCSTR name)
{
    const std::string wanted = Trim(name);
    for (const Key& k : section.keys)
        if (SameName(k.name, wanted))
            return &k; // the first of duplicates
    return nullptr;
}

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

DWORD CopyValue(const std::string& value, LPSTR buffer, DWORD size)
{
    std::size_t n = std::min(value.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// Names one after the other, each ending in a NUL, the list in one more. When they do not fit, the
// copy stops at nSize - 2 characters and ends in two NULs, as Windows documents.
DWORD CopyList(const std::vector<const std::string*>& names, LPSTR buffer, DWORD size)
{
    if (size == 1)
    {
        buffer[0] = '\0';
        return 0;
    }
    std::string packed;
    for (const std::string* name : names)
    {
        packed += *name;
        packed += '\0';
    }
    if (packed.size() + 1 <= size)
    {
        std::memcpy(buffer, packed.data(), packed.size());
        buffer[packed.size()] = '\0';
        return static_cast<DWORD>(packed.size());
    }
    std::memcpy(buffer, packed.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    std::string fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();

    std::vector<Section> sections;
    if (!Load(lpFileName, sections))
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return CopyValue(fallback, lpReturnedString, nSize);
    }
    SetLastError(ERROR_SUCCESS);

    std::vector<const std::string*> names;
    if (lpAppName == nullptr)
    {
        for (const Section& s : sections)
            if (!s.name.empty())
                names.push_back(&s.name);
        return CopyList(names, lpReturnedString, nSize);
    }
    const Section* section = FindSection(sections, lpAppName);
    if (lpKeyName == nullptr)
    {
        if (section)
            for (const Key& k : section->keys)
                if (k.hasValue && !k.name.empty())
                    names.push_back(&k.name);
        if (names.empty()) // as Windows: an empty or missing section gives the default
            return CopyValue(fallback, lpReturnedString, nSize);
        return CopyList(names, lpReturnedString, nSize);
    }
    const Key* key = section && !Trim(lpKeyName).empty() ? FindKey(*section, lpKeyName) : nullptr;
    if (key == nullptr || !key->hasValue)
        return CopyValue(fallback, lpReturnedString, nSize);
    return CopyValue(Unquote(key->value), lpReturnedString, nSize);
}
