// CString: a byte string over std::string, with the framework's clamping and formatting rules.
#include "afx.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Equality sees every byte of a CString, NULs included.
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

CString& CString::operator=(LPCSTR psz)
{
    m_str.assign(OrEmpty(psz));
    return *this;
}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        afx::detail::IndexFault("CString::GetAt", nIndex, GetLength());
    return m_str[static_cast<std::size_t>(nIndex)];
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
    m_str.resize(std::min(length, m_str.size()));
}

bool operator==(const CString& a, const CString& b)
{
    return View(a).compare(View(b)) == 0;
}
bool operator==(const CString& a, LPCSTR b)
{
    return View(a).compare(View(b)) == 0;
}
bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}
bool operator!=(const CString& a, LPCSTR b)
{
    return !(a == b);
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
