// Version blocks of files: the VS_VERSIONINFO bytes a test gives for a path,
// read as version.dll reads them, with every query recorded.
//
// A block is a tree of nodes, each 4-byte aligned from the block's start:
// WORD wLength (the node with its children), WORD wValueLength (bytes of a
// binary value, UTF-16 units of a text), WORD wType (1: text), the key in
// UTF-16 with its NUL, padding, the value, padding, the children.
#include <algorithm>
#include <cstring>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

std::string UpperKey(std::string path) {
  for (char& c : path)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return path;
}

WORD ReadWord(const BYTE* at) {
  return static_cast<WORD>(at[0] | (at[1] << 8));
}

size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

struct Node {
  size_t start = 0;
  size_t end = 0;  // start + wLength
  WORD valueLength = 0;
  WORD type = 0;
  std::u16string key;
  size_t value = 0;     // offset of the value
  size_t children = 0;  // offset of the first child
};

// The node at `start`, which must end by `limit`; false when it does not fit.
bool ReadNode(const BYTE* base, size_t start, size_t limit, Node* n) {
  if (start + 6 > limit) return false;
  const WORD length = ReadWord(base + start);
  if (length < 6 || start + length > limit) return false;
  n->start = start;
  n->end = start + length;
  n->valueLength = ReadWord(base + start + 2);
  n->type = ReadWord(base + start + 4);
  n->key.clear();
  size_t at = start + 6;
  for (;; at += 2) {
    if (at + 2 > n->end) return false;
    const char16_t c = static_cast<char16_t>(ReadWord(base + at));
    if (c == 0) break;
    n->key.push_back(c);
  }
  n->value = Align4(at + 2);
  const size_t valueBytes = n->type == 1 ? n->valueLength * 2u : n->valueLength;
  if (n->value + valueBytes > n->end) return false;
  n->children = Align4(n->value + valueBytes);
  return true;
}

// Keys compare as version.dll compares them: without case.
bool SameKey(const std::u16string& key, const std::string& name) {
  if (key.size() != name.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    auto up = [](char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    if (up(key[i]) != up(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

std::string Utf16ToUtf8(const BYTE* at, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    char32_t c = ReadWord(at + 2 * i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
      const char32_t low = ReadWord(at + 2 * (i + 1));
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace

void SimDesktop::SetFileVersionBlock(const std::string& windowsPath, const std::string& block) {
  if (block.empty()) {
    s_->versionBlocks.erase(UpperKey(windowsPath));
  } else {
    s_->versionBlocks[UpperKey(windowsPath)] = block;
  }
}

const std::vector<std::string>& SimDesktop::VersionQueries() const { return s_->versionQueries; }

DWORD SimDesktop::GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  const std::string path = fileName != nullptr ? fileName : "";
  auto it = s_->versionBlocks.find(UpperKey(path));
  if (it == s_->versionBlocks.end()) {
    SetLastError(FileExists(path) ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return 0;
  }
  // As version.dll: twice the block and four bytes, the second half for
  // the ANSI copies of the texts that VerQueryValueA hands out.
  return static_cast<DWORD>(it->second.size() * 2 + 4);
}

BOOL SimDesktop::GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data) {
  (void)handle;
  auto it = s_->versionBlocks.find(UpperKey(fileName != nullptr ? fileName : ""));
  if (it == s_->versionBlocks.end() || data == nullptr) {
    SetLastError(it == s_->versionBlocks.end() ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                               : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memcpy(data, it->second.data(), std::min<size_t>(size, it->second.size()));
  return TRUE;
}

BOOL SimDesktop::VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                UINT* length) {
  const std::string path = subBlock != nullptr ? subBlock : "";
  s_->versionQueries.push_back(path);
  if (block == nullptr || buffer == nullptr) return FALSE;
  auto* base = static_cast<BYTE*>(const_cast<void*>(block));
  Node node;
  if (!ReadNode(base, 0, ReadWord(base), &node)) return FALSE;
  const size_t blockLength = node.end;
  // Down the path, one name between backslashes at a time.
  for (size_t at = 0; at < path.size();) {
    if (path[at] == '\\') {
      ++at;
      continue;
    }
    size_t stop = path.find('\\', at);
    if (stop == std::string::npos) stop = path.size();
    const std::string name = path.substr(at, stop - at);
    at = stop;
    Node child;
    bool found = false;
    for (size_t c = node.children; c < node.end; c = Align4(child.end)) {
      if (!ReadNode(base, c, node.end, &child)) break;
      if (SameKey(child.key, name)) {
        found = true;
        break;
      }
    }
    if (!found) return FALSE;
    node = child;
  }
  if (node.type != 1) {
    *buffer = base + node.value;
    if (length != nullptr) *length = node.valueLength;
    return TRUE;
  }
  // A text: its ANSI copy goes where version.dll puts it, in the second half
  // of the buffer at the text's own offset. The length is the block's count
  // of characters, its NULs included.
  const std::string ansi = Utf8ToAnsi(Utf16ToUtf8(base + node.value, node.valueLength));
  char* copy = reinterpret_cast<char*>(base) + blockLength + 4 + node.value;
  std::memcpy(copy, ansi.data(), std::min(ansi.size(), blockLength - node.value));
  *buffer = copy;
  if (length != nullptr) *length = node.valueLength;
  return TRUE;
}

}  // namespace mm::sim
