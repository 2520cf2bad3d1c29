// The whole manager on a simulated desktop: a settings file with rules,
// foreign windows, the timer, the tray and the files, driven the way the
// user and other applications would.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/morimo_app.h"
#include "app/morimo_dlg.h"
#include "core/tray_wnd.h"
#include "core/tray_wnd_spec.h"
#include "res/resource.h"
#include "storage/paths.h"
#include "storage/recovery.h"
#include "storage/settings.h"
#include "tests/sim/sim_desktop.h"
#include "ui/controls.h"

namespace mm::testing {

// The about item's text as the string table holds it.
inline const char kAboutItemText[] = "Morimo のﾊﾞｰｼﾞｮﾝ情報(&A)...";

class AppWorld : public ::testing::Test {
 protected:
  AppWorld() : root_(MakeRoot()), desk(root_) {}

  void SetUp() override {
    SetOs(&desk);
    ResetModuleDirectoryCache();
    desk.SetString(IDS_ABOUTBOX, kAboutItemText);
  }

  void TearDown() override {
    app.reset();
    SetOs(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // A rule that recognises windows whose caption starts with `prefix`.
  CTrayWndSpec& AddRule(const std::string& prefix) {
    auto spec = std::make_unique<CTrayWndSpec>();
    spec->UserName = prefix;
    spec->Caption = prefix;
    spec->UseCaption = 1;
    spec->CaptionMatchType = 1;
    spec->UseClassname = 0;
    spec->HideIfIconized = 1;
    spec->UseTrayIcon = 1;
    spec->ShowIconOnlyHidden = 0;
    rules.push_back(std::move(spec));
    return *rules.back();
  }

  // Writes the settings file and starts the program.
  void Start() {
    SaveSettings(settings, rules);
    app = std::make_unique<CMorimoApp>();
    ASSERT_TRUE(app->InitInstance());
    dlg = app->Manager();
    ASSERT_NE(dlg, nullptr);
    ASSERT_NE(dlg->Hwnd(), nullptr);
  }

  HWND AddWindow(const std::string& caption, bool visible = true,
                 const std::string& className = "Target") {
    sim::WindowSpec spec;
    spec.caption = caption;
    spec.className = className;
    spec.visible = visible;
    return desk.AddWindow(spec);
  }

  // One scan period passes.
  void Tick() { desk.AdvanceTime(static_cast<UINT>(settings.TimerPeriod)); }

  const CTrayWnd* Managed(HWND window) const {
    for (const auto& trayWnd : dlg->ManagedWindows()) {
      if (trayWnd->Window() == window) return trayWnd.get();
    }
    return nullptr;
  }

  const CTrayWnd* ManagedById(UINT id) const {
    for (const auto& trayWnd : dlg->ManagedWindows()) {
      if (trayWnd->Id() == id) return trayWnd.get();
    }
    return nullptr;
  }

  bool HasIcon(const CTrayWnd* trayWnd) const {
    return desk.FindTrayIcon(dlg->Hwnd(), trayWnd->Id()) != nullptr;
  }

  HWND List() { return desk.GetDlgItem(dlg->Hwnd(), IDC_LIST_WINDOWS); }

  // The balloons shown on the manager's icon so far.
  int Balloons() {
    int count = 0;
    for (const auto& call : desk.TrayCalls()) {
      if ((call.flags & NIF_INFO) != 0 && call.succeeded && call.id == dlg->Self()->Id()) ++count;
    }
    return count;
  }

  std::vector<std::string> ListTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < ui::ListViewItemCount(List()); ++i) {
      texts.push_back(desk.ListViewGetItemText(List(), i));
    }
    return texts;
  }

  int ListIndexOf(HWND window) {
    const CTrayWnd* trayWnd = Managed(window);
    if (trayWnd == nullptr) return -1;
    return desk.ListViewFindItemByParam(List(), -1, static_cast<LPARAM>(trayWnd->Id()));
  }

  bool RecoveryFileExists() { return desk.FileExists(HwndsFilePath()) != 0; }

  // The handles the recovery file lists, in order.
  std::vector<HWND> RecoveryFile() {
    std::vector<HWND> handles;
    ReadHwndsFile(&restoring_, [&](HWND h) {
      handles.push_back(h);
      return 0;
    });
    return handles;
  }

  void WriteRecoveryFile(const std::vector<HWND>& handles) { WriteHwndsFile(0, handles); }

  GeneralSettings ReadSettings(TraySpecList* specs = nullptr) {
    GeneralSettings read;
    TraySpecList ignored;
    LoadSettings(read, specs != nullptr ? *specs : ignored);
    return read;
  }

  int CountMessages(HWND window, UINT msg) const {
    int n = 0;
    for (const auto& record : desk.History()) {
      if (record.hWnd == window && record.msg == msg) ++n;
    }
    return n;
  }

 private:
  static std::string MakeRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morimo-app-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    return made != nullptr ? std::string(made) : pattern;
  }

  std::string root_;
  int restoring_ = 0;

 protected:
  sim::SimDesktop desk;
  GeneralSettings settings;
  TraySpecList rules;
  std::unique_ptr<CMorimoApp> app;
  CMorimoDlg* dlg = nullptr;
};

}  // namespace mm::testing
