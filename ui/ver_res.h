// CVerRes: the version block of a program file, as the about box shows it:
// the product version, and the product name and copyright of the block's
// first translation. A file without a usable block answers empty texts.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace mm {

class CVerRes {
 public:
  // The block of our own program's file.
  CVerRes();
  // The block of any file (an ANSI path).
  explicit CVerRes(const std::string& fileName);
  virtual ~CVerRes() = default;

  // "2.1.0 build(5)": the four parts of the product version (the file
  // version is never used); empty without a block.
  std::string GetVersionText() const;
  // Texts in the ANSI code page, up to their first NUL; empty when the
  // block or the value is missing. Not const: the system writes the
  // answers of its queries into the block's buffer.
  std::string GetProductName() { return QueryText("ProductName"); }
  std::string GetLegalCopyright() { return QueryText("LegalCopyright"); }

 private:
  void Load(const std::string& fileName);
  // The value at `path`, when at least `size` bytes of it lie inside the
  // block; else nullptr.
  const char* Query(const char* path, std::size_t size, UINT* length);
  std::string QueryText(const char* name);

  std::vector<char> block_;  // empty: no usable block
  VS_FIXEDFILEINFO fixed_{};
  WORD language_ = 0;  // of the first translation
  WORD codePage_ = 0;
};

}  // namespace mm
