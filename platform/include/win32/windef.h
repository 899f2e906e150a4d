// Basic Windows types and macros, as the system's code and the framework headers expect them.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef std::int32_t LONG;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef DWORD COLORREF;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::uintptr_t DWORD_PTR;

struct HWND__;
typedef HWND__* HWND;
struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HDC__;
typedef HDC__* HDC;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HGDIOBJ__;
typedef HGDIOBJ__* HGDIOBJ;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef NULL
#define NULL nullptr
#endif

#define CALLBACK
#define PASCAL
#define WINAPI

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define LOWORD(l) (static_cast<WORD>(static_cast<std::uintptr_t>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<std::uintptr_t>(l) >> 16) & 0xffff))
#define MAKELONG(a, b)                                                                             \
    (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(a)) |                                  \
                       (static_cast<DWORD>(static_cast<WORD>(b)) << 16)))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define RGB(r, g, b)                                                                               \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

struct POINT
{
    LONG x;
    LONG y;
};

struct SIZE
{
    LONG cx;
    LONG cy;
};

struct RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;
