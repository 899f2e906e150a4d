// The framework's core: byte strings, diagnostics macros, positions for collection walks and the
// debug allocator. Strings hold code page 1252 bytes; nothing here converts them.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
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
    explicit CString(char ch, int nRepeat = 1);
    ~CString() = default;

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty() ? TRUE : FALSE; }
    void Empty() { m_str.clear(); }

    // Valid indexes are 0 to GetLength() - 1; any other index is a fault that stops the process.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);

    operator LPCSTR() const { return m_str.c_str(); }

    // Substrings clamp like the framework's: a negative start counts as 0, a negative count as 0,
    // and whatever lies beyond the end is left out.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Index of the first match, or -1.
    int Find(char ch) const;
    int Find(LPCSTR pszSub) const;
    int ReverseFind(char ch) const;

    // Byte order, bytes compared as unsigned: -1, 0 or 1.
    int Compare(LPCSTR psz) const;

    void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR pszFormat, va_list args) __attribute__((format(printf, 2, 0)));

    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);

    // A writable buffer of at least nMinBufLength bytes plus the terminator, holding the current
    // text. ReleaseBuffer ends the edit: -1 keeps the bytes up to the first NUL.
    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);
    // A buffer of exactly nNewLength bytes (plus the terminator); the length is set at once.
    LPSTR GetBufferSetLength(int nNewLength);

    // Loads string nID from the program's string table; an unknown id empties the string.
    BOOL LoadString(UINT nID);

private:
    std::string m_str;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator==(LPCSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);
bool operator!=(LPCSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCSTR b);
bool operator<(LPCSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCSTR b);
bool operator>(LPCSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, LPCSTR b);
bool operator<=(LPCSTR a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, LPCSTR b);
bool operator>=(LPCSTR a, const CString& b);

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char ch);
CString operator+(char ch, const CString& a);

// Test output: the bytes in quotes, those outside printable ASCII as \xNN.
void PrintTo(const CString& s, std::ostream* os);

// The string table behind CString::LoadString, provided by the resource support: fills text with
// the CP1252 bytes of string nID and returns true, or returns false when there is no such string.
bool AfxLoadStringResource(UINT nID, std::string& text);

namespace afx::detail
{
// Reports an index outside a string or array and stops the process.
[[noreturn]] void IndexFault(const char* where, int index, int size);
} // namespace afx::detail

// Allocation. In debug builds DEBUG_NEW records the source file and line of each block; the
// record lasts until the block is freed. THIS_FILE is the including file's own name array.
#ifdef _DEBUG
void* operator new(std::size_t size, const char* file, int line);
void* operator new[](std::size_t size, const char* file, int line);
// Called only when a constructor throws inside a DEBUG_NEW expression.
void operator delete(void* p, const char* file, int line) noexcept;
void operator delete[](void* p, const char* file, int line) noexcept;

// Source file and line of the live DEBUG_NEW block that contains p; false when there is none.
// Either output may be null.
bool AfxGetAllocationSite(const void* p, const char** file, int* line);

#define DEBUG_NEW new (THIS_FILE, __LINE__)
#else
#define DEBUG_NEW new
#endif
