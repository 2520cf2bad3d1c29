#include "app/hwnd_list.h"

#include <algorithm>

namespace mm {

void CHwndList::Append(HWND hWnd) {
  order_.push_back(hWnd);
  ++count_[hWnd];
  const std::uint32_t bit = FilterBit(hWnd);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void CHwndList::RebuildFilter() {
  std::fill(std::begin(filter_), std::end(filter_), 0);
  for (const auto& entry : count_) {
    const std::uint32_t bit = FilterBit(entry.first);
    filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
}

bool CHwndList::Remove(HWND hWnd) {
  auto counted = count_.find(hWnd);
  if (counted == count_.end()) return false;
  order_.erase(std::find(order_.begin(), order_.end(), hWnd));
  if (--counted->second == 0) {
    count_.erase(counted);
    RebuildFilter();
  }
  return true;
}

}  // namespace mm
