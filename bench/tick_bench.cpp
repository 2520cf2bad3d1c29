// The cost of one scan tick on the simulated desktop: 1,000 top-level
// windows, 100 rules that match none of them, 20 managed windows. The floor
// is a bare loop that enumerates the same windows and reads each caption
// and class name once; a tick should stay close to it, whatever the number
// of rules.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/morimo_app.h"
#include "app/morimo_dlg.h"
#include "core/tray_wnd_spec.h"
#include "platform/window_text.h"
#include "storage/settings.h"
#include "tests/sim/sim_desktop.h"

namespace {

using namespace mm;

constexpr int kWindows = 1000;
constexpr int kRules = 100;
constexpr int kManaged = 20;

class Desktop {
 public:
  Desktop() : root_(MakeRoot()), desk_(root_) {
    SetOs(&desk_);
    for (int i = 0; i < kWindows - kManaged; ++i) {
      sim::WindowSpec spec;
      // Captions of every kind: plain, long, and double-byte (932) text.
      switch (i % 3) {
        case 0:
          spec.caption = "Document " + std::to_string(i) + ".txt - Editor";
          break;
        case 1:
          spec.caption = "https://example.org/page/" + std::to_string(i) +
                         " - A long browser window title with many words in it";
          break;
        default:
          spec.caption = "\x83\x65\x83\x58\x83\x67 " + std::to_string(i) + " \x95\x5c\x8e\xa6";
          break;
      }
      spec.className = "AppClass" + std::to_string(i % 17);
      spec.visible = i % 10 != 0;  // some invisible ones, as on a real desktop
      desk_.AddWindow(spec);
    }
    for (int i = 0; i < kManaged; ++i) {
      sim::WindowSpec spec;
      spec.caption = "Managed " + std::to_string(i);
      spec.className = "ManagedClass";
      desk_.AddWindow(spec);
    }
  }

  ~Desktop() {
    app_.reset();
    SetOs(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // The manager with the rules, after the tick that adopted the managed
  // windows.
  // The desktop records every message sent to another program; a long
  // benchmark would otherwise time the growth of that record.
  void ForgetHistory() { desk_.ClearHistory(); }

  CMorimoDlg* StartManager() {
    GeneralSettings settings;
    TraySpecList rules;
    for (int i = 0; i < kRules; ++i) {
      auto rule = std::make_unique<CTrayWndSpec>();
      rule->CaptionMatchType = i % 4;
      rule->Caption = i % 4 == 3 ? "no such text " + std::to_string(i)
                                 : "Rule " + std::to_string(i) + " matches nothing";
      rule->UseCaption = i % 10 == 9 ? 0 : 1;
      rule->UseClassname = i % 5 == 0 || i % 10 == 9 ? 1 : 0;
      rule->ClassName = "NoSuchClass" + std::to_string(i);
      rules.push_back(std::move(rule));
    }
    auto managed = std::make_unique<CTrayWndSpec>();
    managed->Caption = "Managed ";
    managed->CaptionMatchType = 1;
    managed->UseClassname = 0;
    rules.push_back(std::move(managed));
    SaveSettings(settings, rules);

    app_ = std::make_unique<CMorimoApp>();
    app_->InitInstance();
    CMorimoDlg* dlg = app_->Manager();
    Tick(dlg);
    return dlg;
  }

  // One scan, as the timer's message brings it.
  void Tick(CMorimoDlg* dlg) {
    desk_.SendMessageToOwnWindow(dlg->Hwnd(), WM_TIMER, CWindowKeeper::kScanTimerId, 0);
  }

 private:
  static std::string MakeRoot() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morimo-bench-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    return made != nullptr ? std::string(made) : pattern;
  }

  std::string root_;
  sim::SimDesktop desk_;
  std::unique_ptr<CMorimoApp> app_;
};

void BM_ScanTick(benchmark::State& state) {
  Desktop desktop;
  CMorimoDlg* dlg = desktop.StartManager();
  if (dlg->ManagedWindows().size() != kManaged + 1) {
    state.SkipWithError("the managed windows were not adopted");
    return;
  }
  int ticks = 0;
  for (auto _ : state) {
    desktop.Tick(dlg);
    // Now and then, so the clearing costs next to nothing (pausing the
    // clock every tick would cost more than the clearing).
    if (++ticks % 256 == 0) desktop.ForgetHistory();
  }
  if (dlg->ManagedWindows().size() != kManaged + 1) state.SkipWithError("a window was adopted");
  state.counters["per_window"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kWindows,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanTick)->Unit(benchmark::kMicrosecond);

struct FloorContext {
  std::string caption;
  std::string className;
  size_t bytes = 0;
};

BOOL FloorProc(HWND window, LPARAM lParam) {
  auto* c = reinterpret_cast<FloorContext*>(lParam);
  // The cheapest reads there are: one call for a short caption, one for the class.
  ReadWindowCaption(window, &c->caption);
  ReadWindowClassName(window, &c->className);
  c->bytes += c->caption.size() + c->className.size();
  return 1;
}

// Enumerate and read each caption and class name once: what any scan must
// pay at the least.
void BM_EnumerateAndReadFloor(benchmark::State& state) {
  Desktop desktop;
  FloorContext context;
  for (auto _ : state) {
    Os().EnumWindows(&FloorProc, reinterpret_cast<LPARAM>(&context));
  }
  benchmark::DoNotOptimize(context.bytes);
  state.counters["per_window"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kWindows,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EnumerateAndReadFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
