// The manager's list of managed window handles: ordered like the managed
// windows, with a hash index beside it, because the scan asks "is this
// window managed?" once for every top-level window on every tick. A small
// bit filter in front of the index answers "no" for nearly all of them
// without a lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

#include "platform/types.h"

namespace mm {

class CHwndList {
 public:
  void Append(HWND hWnd);
  bool Contains(HWND hWnd) const {
    const std::uint32_t bit = FilterBit(hWnd);
    if (((filter_[bit / 64] >> (bit % 64)) & 1) == 0) return false;
    return count_.find(hWnd) != count_.end();
  }
  // Removes the first occurrence; false when the handle is not listed.
  bool Remove(HWND hWnd);
  std::size_t Size() const { return order_.size(); }
  const std::list<HWND>& Items() const { return order_; }

 private:
  static constexpr std::uint32_t kFilterBits = 4096;
  static std::uint32_t FilterBit(HWND hWnd) {
    // Handles are small numbers in steps of a few; mixing spreads them.
    const auto v = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hWnd));
    return static_cast<std::uint32_t>((v * 0x9E3779B97F4A7C15ull) >> 52) % kFilterBits;
  }
  void RebuildFilter();

  std::list<HWND> order_;
  std::unordered_map<HWND, int> count_;  // occurrences of each handle
  std::uint64_t filter_[kFilterBits / 64] = {};  // set for every listed handle
};

}  // namespace mm
