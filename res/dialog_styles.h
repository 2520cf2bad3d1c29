// Style bits of dialog templates and controls that platform/types.h does
// not carry (their Win32 names are macros in <windows.h>, hence the k
// names). Portable: used by the template table and by its tests.
#pragma once

#include "platform/types.h"

namespace mm::res {

constexpr DWORD kWsChild = 0x40000000;
constexpr DWORD kWsVisible = 0x10000000;
constexpr DWORD kWsBorder = 0x00800000;
constexpr DWORD kWsGroup = 0x00020000;
constexpr DWORD kWsTabStop = 0x00010000;

constexpr DWORD kDsSetFont = 0x40;
constexpr DWORD kDsModalFrame = 0x80;
constexpr DWORD kDsCenter = 0x800;

constexpr DWORD kSsLeft = 0x0;
constexpr DWORD kSsIcon = 0x3;
constexpr DWORD kSsNoPrefix = 0x80;
constexpr DWORD kSsNotify = 0x100;

constexpr DWORD kLvsIcon = 0x0;
constexpr DWORD kLvsShowSelAlways = 0x8;
constexpr DWORD kLvsSortAscending = 0x10;
constexpr DWORD kLvsAutoArrange = 0x100;

// What the resource compiler adds to every control of a CONTROL statement.
constexpr DWORD kControlDefault = kWsChild | kWsVisible;

}  // namespace mm::res
