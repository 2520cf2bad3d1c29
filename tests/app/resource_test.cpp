// res/morimo.rc (what Windows shows) and res/dialog_templates.cpp (what the
// simulated desktop builds) must describe the same dialogs; the string and
// icon resources the program loads must be there.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "res/resource.h"
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  const auto end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// Splits at commas outside quotes.
std::vector<std::string> SplitArgs(const std::string& line) {
  std::vector<std::string> parts;
  std::string current;
  bool quoted = false;
  for (char ch : line) {
    if (ch == '"') quoted = !quoted;
    if (ch == ',' && !quoted) {
      parts.push_back(Trim(current));
      current.clear();
    } else {
      current += ch;
    }
  }
  parts.push_back(Trim(current));
  return parts;
}

class RcReader {
 public:
  explicit RcReader(const std::string& dir) {
    for (const char* header : {"/resource.h", "/version.h"}) {
      std::istringstream in(ReadText(dir + header));
      std::string line;
      while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        words >> directive >> name;
        std::getline(words, value);
        if (directive == "#define") symbols_[name] = Trim(value);
      }
    }
    const std::map<std::string, DWORD> styles = {
        {"WS_POPUP", 0x80000000},    {"WS_CAPTION", 0x00C00000},  {"WS_SYSMENU", 0x00080000},
        {"WS_MINIMIZEBOX", 0x20000}, {"WS_BORDER", 0x00800000},   {"WS_TABSTOP", 0x10000},
        {"WS_GROUP", 0x20000},       {"WS_VISIBLE", 0x10000000},  {"WS_EX_APPWINDOW", 0x40000},
        {"DS_SETFONT", 0x40},        {"DS_MODALFRAME", 0x80},     {"DS_CENTER", 0x800},
        {"BS_PUSHBUTTON", 0},        {"BS_DEFPUSHBUTTON", 1},     {"BS_AUTOCHECKBOX", 3},
        {"BS_GROUPBOX", 7},          {"SS_LEFT", 0},              {"SS_ICON", 3},
        {"SS_NOPREFIX", 0x80},       {"SS_NOTIFY", 0x100},        {"LVS_ICON", 0},
        {"LVS_SORTASCENDING", 0x10}, {"LVS_AUTOARRANGE", 0x100},  {"LVS_SHOWSELALWAYS", 0x8},
        {"IDOK", 1},
    };
    for (const auto& [name, value] : styles) numbers_[name] = value;
  }

  long Number(const std::string& token) {
    std::string t = Trim(token);
    auto symbol = symbols_.find(t);
    if (symbol != symbols_.end()) return Number(symbol->second);
    auto known = numbers_.find(t);
    if (known != numbers_.end()) return static_cast<long>(known->second);
    size_t used = 0;
    long value = 0;
    try {
      value = std::stol(t, &used, 0);
    } catch (...) {
      used = 0;
    }
    EXPECT_EQ(used, t.size()) << "unknown symbol or number: " << t;
    return value;
  }

  DWORD Flags(const std::string& expression) {
    DWORD value = 0;
    std::istringstream in(expression);
    std::string part;
    while (std::getline(in, part, '|')) value |= static_cast<DWORD>(Number(part));
    return value;
  }

  // A quoted text, or a symbol that stands for one; an icon number as
  // "#128".
  std::string Text(const std::string& token) {
    std::string t = Trim(token);
    if (t.size() >= 2 && t.front() == '"') return t.substr(1, t.size() - 2);
    auto symbol = symbols_.find(t);
    if (symbol != symbols_.end() && !symbol->second.empty() && symbol->second[0] == '"') {
      return Text(symbol->second);
    }
    return "#" + std::to_string(Number(t));
  }

 private:
  std::map<std::string, std::string> symbols_;
  std::map<std::string, DWORD> numbers_;
};

class ResourceTest : public ::testing::Test {
 protected:
  ResourceTest() : dir_(std::string(MORIMO_SOURCE_DIR) + "/res"), rc_(dir_) {
    std::istringstream in(ReadText(dir_ + "/morimo.rc"));
    std::string line;
    while (std::getline(in, line)) lines_.push_back(Trim(line));
  }

  // The template of that id as morimo.rc writes it.
  DialogTemplate ParseDialog(int id) {
    DialogTemplate t{};
    size_t i = 0;
    for (; i < lines_.size(); ++i) {
      std::istringstream words(lines_[i]);
      std::string name, kind;
      words >> name >> kind;
      if (kind == "DIALOGEX" && rc_.Number(name) == id) break;
    }
    EXPECT_LT(i, lines_.size()) << "no DIALOGEX " << id;
    if (i == lines_.size()) return t;
    t.id = id;
    auto head = SplitArgs(lines_[i].substr(lines_[i].find("DIALOGEX") + 8));
    EXPECT_EQ(head.size(), 4u);
    t.x = rc_.Number(head[0]);
    t.y = rc_.Number(head[1]);
    t.cx = rc_.Number(head[2]);
    t.cy = rc_.Number(head[3]);
    for (++i; i < lines_.size() && lines_[i] != "BEGIN"; ++i) {
      const std::string& l = lines_[i];
      if (l.rfind("STYLE ", 0) == 0) t.style = rc_.Flags(l.substr(6));
      if (l.rfind("EXSTYLE ", 0) == 0) t.exStyle = rc_.Flags(l.substr(8));
      if (l.rfind("CAPTION ", 0) == 0) t.titleUtf8 = rc_.Text(l.substr(8));
      if (l.rfind("FONT ", 0) == 0) {
        auto font = SplitArgs(l.substr(5));
        t.fontPoints = rc_.Number(font[0]);
        t.fontUtf8 = rc_.Text(font[1]);
      }
    }
    for (++i; i < lines_.size() && lines_[i] != "END"; ++i) {
      const std::string& l = lines_[i];
      EXPECT_EQ(l.rfind("CONTROL ", 0), 0u) << "only CONTROL statements: " << l;
      auto args = SplitArgs(l.substr(8));
      EXPECT_EQ(args.size(), 8u) << l;
      if (args.size() != 8) continue;
      DialogItemTemplate item{};
      item.textUtf8 = rc_.Text(args[0]);
      item.id = rc_.Number(args[1]);
      item.cls = rc_.Text(args[2]);
      // The resource compiler makes every control a visible child.
      item.style = rc_.Flags(args[3]) | 0x40000000 | 0x10000000;
      item.x = rc_.Number(args[4]);
      item.y = rc_.Number(args[5]);
      item.cx = rc_.Number(args[6]);
      item.cy = rc_.Number(args[7]);
      t.items.push_back(item);
    }
    return t;
  }

  void ExpectSame(int id) {
    const DialogTemplate rc = ParseDialog(id);
    const DialogTemplate* table = FindDialogTemplate(id);
    ASSERT_NE(table, nullptr) << id;
    EXPECT_EQ(rc.titleUtf8, table->titleUtf8);
    EXPECT_EQ(rc.style, table->style);
    EXPECT_EQ(rc.exStyle, table->exStyle);
    EXPECT_EQ((std::vector<int>{rc.x, rc.y, rc.cx, rc.cy}),
              (std::vector<int>{table->x, table->y, table->cx, table->cy}));
    EXPECT_EQ(rc.fontUtf8, table->fontUtf8);
    EXPECT_EQ(rc.fontPoints, table->fontPoints);
    ASSERT_EQ(rc.items.size(), table->items.size());
    for (size_t k = 0; k < rc.items.size(); ++k) {
      const auto& r = rc.items[k];
      const auto& d = table->items[k];
      SCOPED_TRACE("control " + std::to_string(k) + " id " + std::to_string(r.id));
      EXPECT_EQ(r.id, d.id);
      EXPECT_EQ(r.cls, d.cls);
      EXPECT_EQ(r.textUtf8, d.textUtf8);
      EXPECT_EQ(r.style, d.style);
      EXPECT_EQ((std::vector<int>{r.x, r.y, r.cx, r.cy}), (std::vector<int>{d.x, d.y, d.cx, d.cy}));
    }
  }

  std::string dir_;
  RcReader rc_;
  std::vector<std::string> lines_;
};

TEST_F(ResourceTest, ManagerTemplateIsTheSameInBoth) { ExpectSame(IDD_MORIMO_DIALOG); }

TEST_F(ResourceTest, AboutTemplateIsTheSameInBoth) { ExpectSame(IDD_ABOUTBOX); }

TEST_F(ResourceTest, ManagerTemplateHasTheFixedControls) {
  const DialogTemplate* t = FindDialogTemplate(IDD_MORIMO_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->titleUtf8, "MoriMo マネージャ");
  EXPECT_EQ(t->style & WS_VISIBLE, 0u);  // created invisible
  EXPECT_EQ(t->exStyle & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
  std::map<int, std::string> captions;
  for (const auto& item : t->items) captions[item.id] = item.textUtf8;
  EXPECT_EQ(captions[IDOK], "隠す(&C)");
  EXPECT_EQ(captions[IDC_BUTTON_EXIT], "終了(&Q)");
  EXPECT_EQ(captions[IDC_CHECK_REALY_HIDE], "最小化時に完全に隠す（Ctrl+Shiftで表示）");
  for (const auto& item : t->items) {
    if (item.id == IDC_LIST_WINDOWS) {
      EXPECT_EQ(item.cls, "SysListView32");
      EXPECT_EQ(item.style & 0x10, 0x10u);  // sorted
      EXPECT_EQ(item.style & 0x4, 0u);      // several items selectable
    }
  }
}

TEST_F(ResourceTest, StringAndIconsArePresent) {
  bool aboutString = false;
  for (const auto& l : lines_) {
    if (l.rfind("IDS_ABOUTBOX ", 0) == 0) {
      EXPECT_EQ(rc_.Text(l.substr(13)), kAboutItemText);
      aboutString = true;
    }
  }
  EXPECT_TRUE(aboutString);
  for (const char* icon : {"/morimo.ico", "/window.ico"}) {
    const std::string bytes = ReadText(dir_ + icon);
    ASSERT_GE(bytes.size(), 6u) << icon;
    // An icon directory: reserved 0, type 1, and a 32-pixel image among them.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\1\0", 4)) << icon;
    const int count = static_cast<unsigned char>(bytes[4]);
    bool has32 = false;
    for (int k = 0; k < count; ++k) {
      if (static_cast<unsigned char>(bytes[6 + 16 * k]) == 32) has32 = true;
    }
    EXPECT_TRUE(has32) << icon;
  }
}

}  // namespace
}  // namespace mm::testing
