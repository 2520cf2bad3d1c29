// A simulated desktop with an empty drive C: for the persistence tests, and
// direct access to the files behind it.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "storage/paths.h"
#include "tests/sim/sim_desktop.h"

namespace mm::test {

inline const std::string kDataFolder = "C:\\Users\\sim\\AppData\\Local\\";
inline const std::string kIniPath = kDataFolder + "MoriMo\\MoriMo.ini";
inline const std::string kHwndsPath = kDataFolder + "MoriMo\\hwnds";

class StorageTest : public ::testing::Test {
 protected:
  StorageTest() : root_(NewRoot()), desk(root_) {
    SetOs(&desk);
    ResetModuleDirectoryCache();
  }
  ~StorageTest() override {
    SetOs(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // The bytes of a file as the disk holds them; "<none>" when missing.
  std::string HostRead(const std::string& windowsPath) {
    std::ifstream in(desk.HostPath(windowsPath), std::ios::binary);
    if (!in) return "<none>";
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // Writes the file behind the program's back (the data folder is made).
  void HostWrite(const std::string& windowsPath, const std::string& bytes) {
    char folder[260];
    desk.SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, 1);
    desk.CreateDirectoryA(kDataFolder + "MoriMo");
    std::ofstream(desk.HostPath(windowsPath), std::ios::binary) << bytes;
  }

  std::string root_;

 public:
  sim::SimDesktop desk;

 private:
  // Process ids come round again: a root left by a program that crashed is
  // cleared first.
  static std::string NewRoot() {
    static int n = 0;
    const std::string root = ::testing::TempDir() + "morimo_storage_" +
                             std::to_string(::getpid()) + "_" + std::to_string(++n);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return root;
  }
};

}  // namespace mm::test
