#include "ui/ver_res.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/text.h"

namespace mm {

CVerRes::CVerRes() {
  char path[MAX_PATH] = {};
  const DWORD n = Os().GetModuleFileNameA(path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) Load(std::string(path, n));
}

CVerRes::CVerRes(const std::string& fileName) { Load(fileName); }

void CVerRes::Load(const std::string& fileName) {
  DWORD handle = 0;
  const DWORD size = Os().GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) return;
  std::vector<char> block(size, '\0');
  if (!Os().GetFileVersionInfoA(fileName.c_str(), handle, size, block.data())) return;
  block_.swap(block);
  // A block counts only with its fixed part and a translation to read the
  // texts under.
  UINT fixedLength = 0;
  UINT translationLength = 0;
  const char* fixed = Query("\\", sizeof fixed_, &fixedLength);
  const char* translation =
      Query("\\VarFileInfo\\Translation", 2 * sizeof(WORD), &translationLength);
  if (fixed == nullptr || fixedLength < sizeof fixed_ || translation == nullptr ||
      translationLength < 2 * sizeof(WORD)) {
    block_.clear();
    return;
  }
  std::memcpy(&fixed_, fixed, sizeof fixed_);
  std::memcpy(&language_, translation, sizeof(WORD));
  std::memcpy(&codePage_, translation + sizeof(WORD), sizeof(WORD));
}

const char* CVerRes::Query(const char* path, std::size_t size, UINT* length) {
  void* value = nullptr;
  *length = 0;
  if (!Os().VerQueryValueA(block_.data(), path, &value, length)) return nullptr;
  // A binary value's length counts bytes; a text's is checked by its reader.
  const char* at = static_cast<const char*>(value);
  const bool inside = at != nullptr && at >= block_.data() && size <= block_.size() &&
                      at <= block_.data() + (block_.size() - size);
  return inside ? at : nullptr;
}

std::string CVerRes::GetVersionText() const {
  if (block_.empty()) return std::string();
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d build(%d)", HIWORD(fixed_.dwProductVersionMS),
                LOWORD(fixed_.dwProductVersionMS), HIWORD(fixed_.dwProductVersionLS),
                LOWORD(fixed_.dwProductVersionLS));
  return text;
}

std::string CVerRes::QueryText(const char* name) {
  if (block_.empty()) return std::string();
  char path[80];
  std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\%s", language_, codePage_, name);
  UINT length = 0;
  const char* text = Query(path, 1, &length);
  if (text == nullptr) return std::string();
  // The length counts characters, and a double-byte one is two bytes.
  const std::string_view rest(text, static_cast<std::size_t>(block_.data() + block_.size() - text));
  std::size_t bytes = 0;
  for (UINT i = 0; i < length && bytes < rest.size(); ++i) bytes += CharBytes(rest, bytes);
  return std::string(UpToNul(rest.substr(0, bytes)));
}

}  // namespace mm
