// The simulated desktop's resources come from the script itself: dialogs,
// strings and popup menus change when the script does.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/sim/sim_desktop.h"

namespace mm::sim {
namespace {

constexpr int kName = 200, kKind = 201;
constexpr UINT kOpen = 40001, kTicked = 40002, kGrey = 40003, kExit = 40004;

// The statement forms the program's script uses, and those the reader must
// take the way the resource compiler does.
const char kScript[] = R"rc(#pragma code_page(65001)
#include <winresrc.h>
#include "resource.h"
#define IDC_NAME 200
#define IDC_KIND (IDC_NAME + 1)  /* a comment */

STRINGTABLE
BEGIN
  IDS_ABOUTBOX "a\tb ""q"" " "joined"
END

IDD_ABOUTBOX DIALOGEX 0, 0, 100, 50
STYLE DS_MODALFRAME | WS_POPUP
CAPTION "試験"
FONT 9, "MS UI Gothic", 0, 0, 0x1
BEGIN
  CONTROL "", IDC_NAME, "Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 5, 60, 12
  CONTROL "", IDC_KIND, "ComboBox", CBS_DROPDOWNLIST | NOT WS_VISIBLE | WS_TABSTOP, 5, 20, 60, 50
  CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_DISABLED, 70, 5, 25, 12
  CONTROL IDI_MORIMO, -1, "Static", SS_ICON, 70, 20, 20, 20
END

129 MENU
BEGIN
  POPUP "Tray"
  BEGIN
    MENUITEM "&Open", 40001
    MENUITEM SEPARATOR
    POPUP "More"
    BEGIN
      MENUITEM "Ticked", 40002, CHECKED
      MENUITEM "Grey", 40003, GRAYED
    END
    MENUITEM "E&xit\tAlt+F4", 40004
  END
END
)rc";

class Host : public DialogHost {
 public:
  bool HandleDialogMessage(HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) override {
    if (msg == WM_INITDIALOG) initFocus = reinterpret_cast<HWND>(wParam);
    *result = msg == WM_INITDIALOG;
    return msg == WM_INITDIALOG;
  }
  HWND initFocus = nullptr;
};

class SimResourcesTest : public ::testing::Test {
 protected:
  SimResourcesTest() : desk(::testing::TempDir() + "morimo_sim_resources") { SetOs(&desk); }
  ~SimResourcesTest() override { SetOs(nullptr); }
  DWORD Style(HWND h) { return static_cast<DWORD>(desk.GetWindowLongA(h, GWL_STYLE)); }

  SimDesktop desk;
  Host host;
};

TEST_F(SimResourcesTest, AChangedTemplateInTheScriptChangesTheDialog) {
  HWND about = desk.CreateDialogU8(IDD_ABOUTBOX, nullptr, &host);
  ASSERT_NE(desk.GetDlgItem(about, IDC_LINK_MAKER), nullptr);  // res/morimo.rc's about box
  EXPECT_EQ(desk.LoadStringU8(IDS_ABOUTBOX), "Morimo のﾊﾞｰｼﾞｮﾝ情報(&A)...");

  desk.UseResourceScript(kScript);
  HWND d = desk.CreateDialogU8(IDD_ABOUTBOX, nullptr, &host);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(desk.DialogTitleUtf8(d), "試験");
  EXPECT_EQ(desk.GetDlgItem(d, IDC_LINK_MAKER), nullptr);
  // CAPTION and FONT add their bits; a control starts visible and a child.
  EXPECT_EQ(Style(d), DS_MODALFRAME | WS_POPUP | WS_CAPTION | DS_SETFONT);
  HWND name = desk.GetDlgItem(d, kName);
  EXPECT_EQ(Style(name), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP);
  EXPECT_EQ(Style(desk.GetDlgItem(d, kKind)), WS_CHILD | CBS_DROPDOWNLIST | WS_TABSTOP);
  EXPECT_FALSE(desk.IsWindowEnabled(desk.GetDlgItem(d, IDOK)));
  EXPECT_EQ(desk.GetWindowTextU8(desk.GetDlgItem(d, -1)), "#128");  // an icon by number
  EXPECT_EQ(host.initFocus, name);
  EXPECT_EQ(desk.GetFocus(), name);
  // Escapes, doubled quotes and adjacent literals as the compiler reads them.
  EXPECT_EQ(desk.LoadStringU8(IDS_ABOUTBOX), "a\tb \"q\" joined");
  desk.SetString(IDS_ABOUTBOX, "own");
  EXPECT_EQ(desk.LoadStringU8(IDS_ABOUTBOX), "own");
}

TEST_F(SimResourcesTest, AScriptItCannotReadIsRefusedNamingTheLine) {
  auto errorOf = [&](const std::string& text) {
    try {
      desk.UseResourceScript(text);
    } catch (const ResourceScriptError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  EXPECT_EQ(errorOf("1 DIALOGEX 0, 0, 9, 9\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 9, 9\nEND\n"),
            "morimo.rc:3: write the control as a CONTROL statement");
  EXPECT_EQ(errorOf("1 DIALOGEX 0, 0, 9, 9\nSTYLE WS_POPUP | WS_NONSUCH\nBEGIN\nEND\n"),
            "morimo.rc:2: unknown name WS_NONSUCH");
  EXPECT_EQ(errorOf("#include \"other.h\"\n"), "morimo.rc:1: no header other.h");
  // The script in use stays.
  EXPECT_NE(desk.CreateDialogU8(IDD_MORIMO_DIALOG, nullptr, &host), nullptr);
}

MenuItemChange Change(UINT id, int grayed, int checked) {
  MenuItemChange c;
  c.id = id;
  c.grayed = grayed;
  c.checked = checked;
  return c;
}

class SimMenuTest : public SimResourcesTest {
 protected:
  SimMenuTest() {
    desk.UseResourceScript(kScript);
    owner = desk.CreateDialogU8(IDD_ABOUTBOX, nullptr, &host);
  }
  UINT Track(std::vector<MenuItemChange> changes = {}, int menu = 129, int popup = 0) {
    return desk.TrackPopupMenuU8(owner, PopupMenuDescription{menu, popup, changes}, {10, 20});
  }
  HWND owner = nullptr;
};

TEST_F(SimMenuTest, PopupShowsTheResourceWithTheProgramsChanges) {
  MenuItemChange relabel = Change(kExit, 1, -1);
  relabel.relabel = true;
  relabel.textUtf8 = "終了";
  relabel.newId = 40005;
  desk.ShowWindow(owner, SW_SHOW);
  Track({Change(kTicked, -1, 0), Change(kGrey, 0, -1), relabel});
  ASSERT_EQ(desk.TrackedMenus().size(), 1u);
  const MenuRecord& shown = desk.TrackedMenus()[0];
  EXPECT_EQ(shown.owner, owner);
  EXPECT_EQ(shown.foreground, owner);
  EXPECT_EQ(shown.at.y, 20);
  ASSERT_EQ(shown.items.size(), 4u);
  EXPECT_EQ(shown.items[0].textUtf8, "&Open");
  EXPECT_EQ(shown.items[1].flags, MF_SEPARATOR);
  EXPECT_EQ(shown.items[2].flags, MF_POPUP);
  EXPECT_EQ(shown.items[2].items[0].flags, 0u);  // unticked
  EXPECT_EQ(shown.items[2].items[1].flags, 0u);  // enabled
  EXPECT_EQ(shown.items[3].textUtf8, "終了");
  EXPECT_EQ(shown.items[3].id, 40005u);
  EXPECT_EQ(shown.items[3].flags, MF_GRAYED);
  // The resource itself is unchanged for the next popup.
  Track();
  EXPECT_EQ(desk.TrackedMenus()[1].items[2].items[0].flags, MF_CHECKED);
  EXPECT_EQ(desk.TrackedMenus()[1].items[3].textUtf8, "E&xit\tAlt+F4");
}

TEST_F(SimMenuTest, OnlyAnEnabledCommandOfTheShownPopupIsChosen) {
  desk.QueueMenuChoice(kOpen);
  EXPECT_EQ(Track(), kOpen);
  desk.QueueMenuChoice(kGrey);  // greyed in the resource
  EXPECT_EQ(Track(), 0u);
  desk.QueueMenuChoice(kOpen);  // greyed by the program
  EXPECT_EQ(Track({Change(kOpen, 1, -1)}), 0u);
  desk.QueueMenuChoice(4242);  // no such item
  EXPECT_EQ(Track(), 0u);
  EXPECT_EQ(Track(), 0u);  // nothing queued: dismissed
  bool openMeanwhile = false;
  desk.QueueMenuScript([&](HWND menuOwner, const MenuRecord& menu) {
    openMeanwhile = menuOwner == owner && menu.items.size() == 4;
    return kTicked;  // in the submenu
  });
  EXPECT_EQ(Track(), kTicked);
  EXPECT_TRUE(openMeanwhile);
  desk.SetLastError(0);
  EXPECT_EQ(Track({}, 130), 0u);
  EXPECT_EQ(desk.GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_EQ(Track({}, 129, 1), 0u);
  EXPECT_EQ(desk.TrackedMenus().size(), 6u);  // the failed ones never showed
}

TEST_F(SimMenuTest, CursorIsWhereTheTestPutsIt) {
  POINT at{};
  ASSERT_TRUE(desk.GetCursorPos(&at));
  EXPECT_GT(at.x, 1000);  // near the tray, bottom right
  desk.MoveCursor({5, 6});
  ASSERT_TRUE(desk.GetCursorPos(&at));
  EXPECT_EQ(at.x, 5);
  EXPECT_EQ(at.y, 6);
}

}  // namespace
}  // namespace mm::sim
