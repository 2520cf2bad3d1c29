// The data folder and path helpers. Paths are ANSI bytes with backslashes;
// folder paths handed on end with a backslash.
#pragma once

#include <functional>
#include <string>

namespace mm {

std::string GetSpecialFolder(int csidl);
int CreateDirectories(const std::string& path, int lastIsFile);
// This program's file, whole however long its path; empty when the system
// will not say.
std::string ModuleFilePath();
std::string GetModuleDirectory();
// Forgets the cached module folder and portable decision (tests that
// change the module path).
void ResetModuleDirectoryCache();

// A portable copy: a MoriMo.ini stands beside the program in a folder we
// may write to (decided once a run). Its files are all kept there.
bool PortableCopy();
// Where the files are: the program's folder for a portable copy, else
// <local app data>\MoriMo\ (with a trailing backslash, nothing created).
std::string DataFolder();
// <data folder>MoriMo.ini, with the folders on the way created.
std::string SettingsFilePath();
// <data folder>hwnds (nothing is created).
std::string HwndsFilePath();

// Replaces a file's content in one step: `bytes` go to a file beside it
// (`path` + ".new"), `edit`, when given, changes that file further, and it
// is renamed over `path`. A crash in the middle leaves the old content or
// the new, never a mixture or a cut file. When writing, `edit` or the
// rename fails, the old file stays as it was and the new one is removed.
bool ReplaceFileContent(const std::string& path, const std::string& bytes,
                        const std::function<bool(const std::string& newFile)>& edit = {});

}  // namespace mm
