// The one place the backend includes the Windows SDK headers, with the
// settings every file of it must share. Include after our own headers:
// <windows.h> defines most constants of platform/types.h as macros (same
// values), and a macro seen before our declarations would break them.
#pragma once

// Windows 7 is the oldest system we run on.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WINVER
#define WINVER 0x0601
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0800
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// Not WIN32_LEAN_AND_MEAN: it drops shellapi.h and the OLE types shlobj.h
// needs, and we include those anyway.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
