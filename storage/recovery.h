// The hidden-window recovery file: the handles of all managed windows, so
// that a new run takes back windows an earlier run left hidden.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "core/tray_wnd.h"
#include "platform/types.h"

namespace mm {

// Does nothing while `restoringHwnds` is set; otherwise replaces the file
// (atomically) with one 4-byte record per handle, in the given order.
void WriteHwndsFile(int restoringHwnds, const std::vector<HWND>& handles);
// Sets *restoringHwnds for the length of the call and offers every stored
// handle, in order, to `tryAddWindow`.
void ReadHwndsFile(int* restoringHwnds, const std::function<int(HWND)>& tryAddWindow);
// Deletes the recovery file and the looks and ruleless files beside it.
void DeleteHwndsFile();

// The looks file beside the recovery file: for every managed window, the
// looks we found it with (five 4-byte little-endian words a window: handle,
// thread, style, extended style, alpha or 0xFFFFFFFF). Written and read
// like the recovery file; the two are changed together.
void WriteLooksFile(int restoringHwnds, const std::vector<std::pair<HWND, FoundLooks>>& looks);
// The stored looks by handle record; empty without a file.
std::map<DWORD, FoundLooks> ReadLooksFile();

// The ruleless file beside the recovery file: the handles, in the same
// form, of the managed windows taken without a rule (by the hotkey), which
// a run started after a crash gives back instead of leaving them hidden
// with nothing to reach them. Written and read like the recovery file.
void WriteRulelessFile(int restoringHwnds, const std::vector<HWND>& handles);
std::set<DWORD> ReadRulelessFile();

// The on-disk form of a handle and back (sign-extended as the system
// widens 32-bit window handles on 64-bit Windows).
DWORD HandleToRecord(HWND hWnd);
HWND RecordToHandle(DWORD record);

}  // namespace mm
