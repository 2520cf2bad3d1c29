// The manager's list of managed window handles: ordered like the managed
// windows, with a hash index beside it, because the scan asks "is this
// window managed?" once for every top-level window on every tick.
#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>

#include "platform/types.h"

namespace mm {

class CHwndList {
 public:
  void Append(HWND hWnd);
  bool Contains(HWND hWnd) const { return count_.find(hWnd) != count_.end(); }
  // Removes the first occurrence; false when the handle is not listed.
  bool Remove(HWND hWnd);
  std::size_t Size() const { return order_.size(); }
  const std::list<HWND>& Items() const { return order_; }

 private:
  std::list<HWND> order_;
  std::unordered_map<HWND, int> count_;  // occurrences of each handle
};

}  // namespace mm
