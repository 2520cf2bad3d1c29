// The data folder and path helpers. Paths are ANSI bytes with backslashes;
// folder paths handed on end with a backslash.
#pragma once

#include <string>

namespace mm {

std::string GetSpecialFolder(int csidl);
int CreateDirectories(const std::string& path, int lastIsFile);
std::string GetModuleDirectory();
// Forgets the cached module folder (tests that change the module path).
void ResetModuleDirectoryCache();

// <local app data>\MoriMo\MoriMo.ini, with the folders on the way created.
std::string SettingsFilePath();
// <local app data>\MoriMo\hwnds (nothing is created).
std::string HwndsFilePath();

}  // namespace mm
