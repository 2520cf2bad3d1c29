// The managed-handle list answers exactly for the handles it holds, in the
// order they came, duplicates included.
#include <gtest/gtest.h>

#include <vector>

#include "app/hwnd_list.h"

namespace mm {
namespace {

TEST(HwndListTest, ContainsExactlyWhatWasAppendedAndNotRemoved) {
  CHwndList list;
  std::vector<HWND> handles;
  for (std::intptr_t v = 0x10010; handles.size() < 3000; v += 4) handles.push_back(HwndFromValue(v));
  for (size_t i = 0; i < handles.size(); i += 3) list.Append(handles[i]);
  for (size_t i = 0; i < handles.size(); ++i) {
    ASSERT_EQ(list.Contains(handles[i]), i % 3 == 0) << i;
  }
  for (size_t i = 0; i < handles.size(); i += 6) ASSERT_TRUE(list.Remove(handles[i]));
  for (size_t i = 0; i < handles.size(); ++i) {
    ASSERT_EQ(list.Contains(handles[i]), i % 3 == 0 && i % 6 != 0) << i;
  }
  EXPECT_FALSE(list.Remove(handles[1]));
  EXPECT_FALSE(list.Remove(handles[0]));  // already gone
}

TEST(HwndListTest, KeepsOrderAndCountsDuplicates) {
  CHwndList list;
  HWND a = HwndFromValue(0x100), b = HwndFromValue(0x104), c = HwndFromValue(0x108);
  list.Append(a);
  list.Append(b);
  list.Append(a);
  list.Append(c);
  ASSERT_TRUE(list.Remove(a));  // the first one
  EXPECT_EQ(list.Items(), (std::list<HWND>{b, a, c}));
  EXPECT_TRUE(list.Contains(a));
  ASSERT_TRUE(list.Remove(a));
  EXPECT_FALSE(list.Contains(a));
  EXPECT_EQ(list.Size(), 2u);
}

}  // namespace
}  // namespace mm
