// The framework's core: byte strings, diagnostics macros, positions for collection walks and
// DEBUG_NEW. Strings hold code page 1252 bytes; nothing here converts them.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "afxmsgbox.h"

// Diagnostics are compiled out in every build; VERIFY still evaluates its argument.
#ifndef ASSERT
#define ASSERT(f) ((void)0)
#endif
#ifndef VERIFY
#define VERIFY(f) ((void)(f))
#endif

// Opaque cursor of a collection walk.
struct __POSITION
{
};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(static_cast<std::intptr_t>(-1)))

class CString
{
public:
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(LPCSTR psz);              // nullptr gives an empty string
    CString(LPCSTR pch, int nLength); // exactly nLength bytes, NULs included
    ~CString() = default;

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(LPCSTR psz);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty() ? TRUE : FALSE; }
    void Empty() { m_str.clear(); }

    // Valid indexes are 0 to GetLength() - 1; any other index is a fault that stops the process.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }

    operator LPCSTR() const { return m_str.c_str(); }

    // Substrings clamp like the framework's: a negative start counts as 0, a negative count as 0,
    // and whatever lies beyond the end is left out.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR pszFormat, va_list args) __attribute__((format(printf, 2, 0)));

    // A writable buffer of at least nMinBufLength bytes and a NUL, for C functions that fill a
    // buffer; ReleaseBuffer then sets the length (-1: up to the first NUL).
    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR psz);

    // Loads string nID from the program's string table; an unknown id empties the string.
    BOOL LoadString(UINT nID);

private:
    std::string m_str;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);

// The string table behind CString::LoadString, provided by the resource support: fills text with
// the CP1252 bytes of string nID and returns true, or returns false when there is no such string.
bool AfxLoadStringResource(UINT nID, std::string& text);

namespace afx::detail
{
// Reports an index outside a string or array and stops the process.
[[noreturn]] void IndexFault(const char* where, int index, int size);
} // namespace afx::detail

// The program's sources route new through DEBUG_NEW; nothing in the program reads
// a record of where a block came from, so it is plain new in every build.
#define DEBUG_NEW new
