#include "app/hwnd_list.h"

#include <algorithm>

namespace mm {

void CHwndList::Append(HWND hWnd) {
  order_.push_back(hWnd);
  ++count_[hWnd];
}

bool CHwndList::Remove(HWND hWnd) {
  auto counted = count_.find(hWnd);
  if (counted == count_.end()) return false;
  order_.erase(std::find(order_.begin(), order_.end(), hWnd));
  if (--counted->second == 0) count_.erase(counted);
  return true;
}

}  // namespace mm
