// morimo_measure_save: times SaveSettings and LoadSettings on the real
// profile and file functions, with the data folder moved to a scratch
// folder so that the user's own settings stay untouched.
//
//   morimo_measure_save [--repeat N] COUNT...     (default: 10 100 1000)
//
// For every count it builds that many realistic rules (captions of 20 to 40
// bytes, every third one double-byte in code page 932, class and rule
// names), then measures N times: a save into a missing file, a second save
// over it with one caption changed, and a load as at start-up. One line a
// count, medians in milliseconds. Then the same for a damaged file whose
// TraySpec_Count is 2147483647, alone and among 1,200 other sections.
#include "core/tray_wnd_spec.h"
#include "platform/win32/win32_platform.h"
#include "storage/paths.h"
#include "storage/settings.h"
// After our own headers: it turns constants of theirs into macros.
#include "platform/win32/win32_sdk.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ScratchDataPlatform : public mm::Win32Platform {
 public:
  explicit ScratchDataPlatform(const std::string& folder) : folder_(folder) {}
  mm::BOOL SHGetSpecialFolderPathA(mm::HWND, char* buffer, int, mm::BOOL) override {
    std::snprintf(buffer, MAX_PATH, "%s", folder_.c_str());
    return TRUE;
  }

 private:
  std::string folder_;
};

std::string ScratchFolder() {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "morimo-measure-save-" + std::to_string(::GetCurrentProcessId());
}

// A caption of 20 to 40 bytes; "メモ帳" and "表示" in code page 932 for
// every third rule.
mm::TraySpecList MakeRules(int count) {
  mm::TraySpecList rules;
  for (int i = 0; i < count; ++i) {
    auto rule = std::make_unique<mm::CTrayWndSpec>();
    std::string n = std::to_string(i);
    if (i % 3 == 0) {
      rule->Caption = "\x83\x81\x83\x82\x92\xA0 - \x95\x5C\x8E\xA6 document " + n + ".txt";
    } else {
      rule->Caption = "Untitled report " + n + " - Editor";
    }
    rule->Caption += std::string(static_cast<size_t>(i % 12), 'x');
    rule->ClassName = i % 2 == 0 ? "Notepad" : "ConsoleWindowClass";
    rule->UserName = "rule " + n;
    rule->CaptionMatchType = i % 4;
    rule->AlphaPercent = 80 + i % 21;
    rule->ShowIconOnlyHidden = i % 2;
    rules.push_back(std::move(rule));
  }
  return rules;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename F>
double Time(F&& f) {
  LARGE_INTEGER from, to;
  ::QueryPerformanceCounter(&from);
  f();
  ::QueryPerformanceCounter(&to);
  return Milliseconds(from, to);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A load as at start-up, then a save of what was loaded.
void MeasureDamaged(const char* what, const std::string& file, const std::string& text,
                    int repeat) {
  std::vector<double> load, save;
  size_t rules = 0;
  for (int r = 0; r < repeat; ++r) {
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    ::Sleep(2200);  // older than Wine's 2.1 s, as at start-up
    mm::GeneralSettings settings;
    mm::TraySpecList loaded;
    load.push_back(Time([&] { mm::LoadSettings(settings, loaded); }));
    save.push_back(Time([&] { mm::SaveSettings(settings, loaded); }));
    rules = loaded.size();
  }
  std::printf("%s: %zu rules, load %.1f ms, save %.1f ms\n", what, rules, Median(load),
              Median(save));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (std::atoi(arg.c_str()) > 0) {
      counts.push_back(std::atoi(arg.c_str()));
    } else {
      std::fprintf(stderr, "usage: morimo_measure_save [--repeat N] COUNT...\n");
      return 2;
    }
  }
  if (counts.empty()) counts = {10, 100, 1000};

  const std::string folder = ScratchFolder();
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ScratchDataPlatform os(folder);
  mm::SetOs(&os);
  const std::string file = mm::SettingsFilePath();

  std::printf("rules  file bytes  first save ms  second save ms  load ms  (median of %d, ACP %u)\n",
              repeat, ::GetACP());
  for (int count : counts) {
    mm::GeneralSettings settings;
    mm::TraySpecList rules = MakeRules(count);
    std::vector<double> first, second, load;
    for (int r = 0; r < repeat; ++r) {
      ::DeleteFileA(file.c_str());
      first.push_back(Time([&] { mm::SaveSettings(settings, rules); }));
      rules.back()->Caption += "!";
      second.push_back(Time([&] { mm::SaveSettings(settings, rules); }));
      // Wine's profile functions read a file written in the last 2.1 s
      // afresh on every call; at start-up the file is older than that.
      ::Sleep(2200);
      load.push_back(Time([&] {
        mm::GeneralSettings loadedSettings;
        mm::TraySpecList loaded;
        mm::LoadSettings(loadedSettings, loaded);
      }));
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
    std::printf("%5d  %10lu  %13.1f  %14.1f  %7.1f\n", count, data.nFileSizeLow,
                Median(first), Median(second), Median(load));
    std::fflush(stdout);
  }
  const std::string damaged = "[General]\r\nTraySpec_Count=2147483647\r\n";
  std::string others;
  for (int i = 0; i < 1200; ++i) others += "[Other_" + std::to_string(i) + "]\r\nk=v\r\n";
  MeasureDamaged("damaged count", file, damaged, repeat);
  MeasureDamaged("damaged count, 1,200 other sections", file, damaged + others, repeat);
  ::DeleteFileA(file.c_str());
  ::RemoveDirectoryA((folder + "\\MoriMo").c_str());
  ::RemoveDirectoryA(folder.c_str());
  mm::SetOs(nullptr);
  return 0;
}
