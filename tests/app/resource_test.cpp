// What res/morimo.rc itself must hold for the program: the manager's fixed
// controls, the string and icons it loads, the tray menu's commands. Read
// with the simulated desktop's reader, which every app test's dialogs are
// built by.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "res/resource.h"
#include "tests/sim/rc_script.h"

namespace mm::testing {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ResourceTest : public ::testing::Test {
 protected:
  ResourceTest()
      : dir_(std::string(MORIMO_SOURCE_DIR) + "/res"),
        script_(sim::ReadResourceScript(ReadText(dir_ + "/morimo.rc"),
                                        {{"resource.h", ReadText(dir_ + "/resource.h")},
                                         {"version.h", ReadText(dir_ + "/version.h")}})) {}

  std::string dir_;
  sim::ResourceScript script_;
};

TEST_F(ResourceTest, ManagerTemplateHasTheFixedControls) {
  ASSERT_EQ(script_.dialogs.count(IDD_MORIMO_DIALOG), 1u);
  const DialogTemplate& t = script_.dialogs.at(IDD_MORIMO_DIALOG);
  EXPECT_EQ(t.titleUtf8, "MoriMo マネージャ");
  EXPECT_EQ(t.style & WS_VISIBLE, 0u);  // created hidden
  EXPECT_EQ(t.exStyle & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
  std::map<int, const DialogItemTemplate*> items;
  for (const auto& item : t.items) {
    if (item.id == -1) continue;
    EXPECT_TRUE(items.emplace(item.id, &item).second) << "id twice: " << item.id;
  }
  for (int id : {IDOK, IDC_BUTTON_SETTING, IDC_BUTTON_SHOW, IDC_BUTTON_HIDE, IDC_BUTTON_CLOSE,
                 IDC_BUTTON_PROPERTY, IDC_BUTTON_HELP, IDC_BUTTON_EXIT, IDC_CHECK_TOPMOST,
                 IDC_CHECK_SHOW_AT_STARTUP, IDC_CHECK_REALY_HIDE}) {
    ASSERT_EQ(items.count(id), 1u) << id;
    EXPECT_EQ(items[id]->cls, "Button") << id;
  }
  EXPECT_EQ(items[IDOK]->style & BS_TYPEMASK, BS_DEFPUSHBUTTON);  // Enter hides
  EXPECT_EQ(items[IDC_BUTTON_EXIT]->textUtf8, "終了(&Q)");
  ASSERT_EQ(items.count(IDC_LIST_WINDOWS), 1u);
  const DialogItemTemplate& list = *items[IDC_LIST_WINDOWS];
  EXPECT_EQ(list.cls, "SysListView32");
  EXPECT_EQ(list.style & LVS_SORTASCENDING, LVS_SORTASCENDING);
  EXPECT_EQ(list.style & LVS_SINGLESEL, 0u);  // several items selectable
}

TEST_F(ResourceTest, StringAndIconsArePresent) {
  EXPECT_FALSE(script_.strings[IDS_ABOUTBOX].empty());
  for (int id : {IDI_MORIMO, IDI_WINDOW, IDI_PICK_TARGET}) {
    ASSERT_EQ(script_.icons.count(id), 1u) << id;
    const std::string bytes = ReadText(dir_ + "/" + script_.icons.at(id));
    ASSERT_GE(bytes.size(), 6u) << id;
    // An icon directory: reserved 0, type 1, and the large icon's sizes at
    // 96, 144 and 192 DPI among its images.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\1\0", 4)) << id;
    const int count = static_cast<unsigned char>(bytes[4]);
    std::set<int> sizes;
    for (int k = 0; k < count && 6 + 16 * k < static_cast<int>(bytes.size()); ++k)
      sizes.insert(static_cast<unsigned char>(bytes[6 + 16 * k]));
    for (int size : {32, 48, 64}) EXPECT_EQ(sizes.count(size), 1u) << id << " " << size;
  }
}

TEST_F(ResourceTest, TrayMenuOffersOnlyCommandsWithIdsAndTexts) {
  auto menu = script_.menus.find(129);
  if (menu == script_.menus.end()) GTEST_SKIP() << "no menu 129 in the script";
  ASSERT_FALSE(menu->second.empty());
  ASSERT_TRUE(menu->second[0].flags & MF_POPUP);
  std::set<UINT_PTR> ids;
  for (const auto& item : menu->second[0].items) {
    if (item.flags & (MF_SEPARATOR | MF_POPUP)) continue;
    EXPECT_NE(item.id, 0u) << item.textUtf8;
    EXPECT_FALSE(item.textUtf8.empty()) << item.id;
    EXPECT_TRUE(ids.insert(item.id).second) << "id twice: " << item.id;
  }
}

}  // namespace
}  // namespace mm::testing
