// The hidden-window recovery file: the handles of all managed windows, so
// that a new run takes back windows an earlier run left hidden.
#pragma once

#include <functional>
#include <vector>

#include "platform/types.h"

namespace mm {

// Does nothing while `restoringHwnds` is set; otherwise replaces the file
// (atomically) with one 4-byte record per handle, in the given order.
void WriteHwndsFile(int restoringHwnds, const std::vector<HWND>& handles);
// Sets *restoringHwnds for the length of the call and offers every stored
// handle, in order, to `tryAddWindow`.
void ReadHwndsFile(int* restoringHwnds, const std::function<int(HWND)>& tryAddWindow);
void DeleteHwndsFile();

// The on-disk form of a handle and back (sign-extended as the system
// widens 32-bit window handles on 64-bit Windows).
DWORD HandleToRecord(HWND hWnd);
HWND RecordToHandle(DWORD record);

}  // namespace mm
