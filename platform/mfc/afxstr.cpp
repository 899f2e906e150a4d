// CString: a byte string over std::string, with the framework's clamping and formatting rules.
#include "afx.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string_view>

namespace
{
// The framework treats a null text as an empty one.
const char* OrEmpty(LPCSTR psz)
{
    return psz != nullptr ? psz : "";
}

int Clamp0(int n)
{
    return n < 0 ? 0 : n;
}

// Comparisons see every byte of a CString, NULs included, and compare bytes as unsigned: "é"
// (0xE9) sorts after "z", as with strcmp.
std::string_view View(const CString& s)
{
    return std::string_view(static_cast<LPCSTR>(s), static_cast<std::size_t>(s.GetLength()));
}

std::string_view View(LPCSTR psz)
{
    return std::string_view(OrEmpty(psz));
}
} // namespace

namespace afx::detail
{
void IndexFault(const char* where, int index, int size)
{
    std::fprintf(stderr, "%s: index %d outside 0..%d\n", where, index, size - 1);
    std::abort();
}
} // namespace afx::detail

CString::CString(LPCSTR psz) : m_str(OrEmpty(psz)) {}

CString::CString(LPCSTR pch, int nLength)
{
    if (pch != nullptr && nLength > 0)
        m_str.assign(pch, static_cast<std::size_t>(nLength));
}

CString::CString(char ch, int nRepeat) : m_str(static_cast<std::size_t>(Clamp0(nRepeat)), ch) {}

CString& CString::operator=(LPCSTR psz)
{
    m_str.assign(OrEmpty(psz));
    return *this;
}

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        afx::detail::IndexFault("CString::GetAt", nIndex, GetLength());
    return m_str[static_cast<std::size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        afx::detail::IndexFault("CString::SetAt", nIndex, GetLength());
    m_str[static_cast<std::size_t>(nIndex)] = ch;
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    nFirst = Clamp0(nFirst);
    nCount = Clamp0(nCount);
    const int length = GetLength();
    if (nFirst >= length)
        return CString();
    // Written so that nFirst + nCount cannot overflow.
    if (nCount > length - nFirst)
        nCount = length - nFirst;
    return CString(m_str.data() + nFirst, nCount);
}

CString CString::Left(int nCount) const
{
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const
{
    nCount = Clamp0(nCount);
    const int length = GetLength();
    if (nCount > length)
        nCount = length;
    return CString(m_str.data() + (length - nCount), nCount);
}

int CString::Find(char ch) const
{
    const std::size_t at = m_str.find(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR pszSub) const
{
    if (pszSub == nullptr)
        return -1;
    const std::size_t at = m_str.find(pszSub);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    const std::size_t at = m_str.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Compare(LPCSTR psz) const
{
    const int order = View(*this).compare(View(psz));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR pszFormat, va_list args)
{
    if (pszFormat == nullptr)
    {
        m_str.clear();
        return;
    }
    // Format into a separate string: an argument may be this string's own text.
    va_list probe;
    va_copy(probe, args);
    const int needed = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    if (needed <= 0)
    {
        m_str.clear();
        return;
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    std::vsnprintf(out.data(), out.size() + 1, pszFormat, args);
    m_str = std::move(out);
}

CString& CString::operator+=(const CString& other)
{
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    m_str += OrEmpty(psz);
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    const std::size_t wanted = static_cast<std::size_t>(Clamp0(nMinBufLength));
    if (wanted > m_str.size())
        m_str.resize(wanted, '\0');
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength)
{
    std::size_t length =
        nNewLength < 0 ? std::strlen(m_str.c_str()) : static_cast<std::size_t>(nNewLength);
    if (length > m_str.size())
        length = m_str.size();
    m_str.resize(length);
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(static_cast<std::size_t>(Clamp0(nNewLength)), '\0');
    return m_str.data();
}

bool operator==(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) == 0;
}
bool operator==(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) == 0;
}
bool operator==(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) == 0;
}
bool operator!=(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) != 0;
}
bool operator!=(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) != 0;
}
bool operator!=(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) != 0;
}
bool operator<(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) < 0;
}
bool operator<(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) < 0;
}
bool operator<(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) < 0;
}
bool operator>(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) > 0;
}
bool operator>(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) > 0;
}
bool operator>(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) > 0;
}
bool operator<=(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) <= 0;
}
bool operator<=(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) <= 0;
}
bool operator<=(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) <= 0;
}
bool operator>=(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) >= 0;
}
bool operator>=(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) >= 0;
}
bool operator>=(LPCSTR a, const CString& b)
{
    return View(a).compare(View(b)) >= 0;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}
CString operator+(const CString& a, LPCSTR b)
{
    CString result(a);
    result += b;
    return result;
}
CString operator+(LPCSTR a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}
CString operator+(const CString& a, char ch)
{
    CString result(a);
    result += ch;
    return result;
}
CString operator+(char ch, const CString& a)
{
    CString result(ch);
    result += a;
    return result;
}

void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"';
    for (int i = 0; i < s.GetLength(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\')
        {
            *os << '\\' << static_cast<char>(c);
        }
        else if (c >= 0x20 && c < 0x7F)
        {
            *os << static_cast<char>(c);
        }
        else
        {
            static const char digits[] = "0123456789ABCDEF";
            *os << "\\x" << digits[c >> 4] << digits[c & 0xF];
        }
    }
    *os << '"';
}
