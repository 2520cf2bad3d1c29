// The shell and the simulated ANSI code page (932 unless a test changes its
// lead bytes or makes it UTF-8): byte counting that never splits a character, the sort order
// of sorted lists, and conversion to and from UTF-8.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

// Converts between encodings with iconv; an unconvertible character becomes
// '?' and the conversion goes on. Without the converter the bytes pass
// unchanged.
std::string Convert(const char* to, const char* from, const std::string& in, bool fromUtf8) {
  if (in.empty()) return in;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  std::vector<char> buffer(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one character of the input.
    out.push_back('?');
    size_t skip = 1;
    if (fromUtf8) {
      unsigned char c = static_cast<unsigned char>(*src);
      skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    }
    skip = std::min(skip, srcLeft);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

bool SimDesktop::State::IsLead(BYTE b) const {
  for (const auto& r : leadRanges)
    if (b >= r.first && b <= r.second) return true;
  return false;
}

// Bytes of `text` that fit into a buffer of `size` with its NUL, without
// splitting a double-byte character.
size_t SimDesktop::State::FitBytes(const std::string& text, int size) const {
  if (size <= 0) return 0;
  size_t limit = std::min(text.size(), static_cast<size_t>(size - 1));
  size_t i = 0;
  while (i < limit) {
    size_t step = IsLead(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

// The order of sorted lists: letters compare without case, and, as in the
// system's word sort, hyphens and apostrophes do not count. Trail bytes of
// double-byte characters are never folded.
int SimDesktop::State::CompareForSort(const std::string& a, const std::string& b) const {
  auto key = [this](const std::string& text) {
    std::string k;
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (IsLead(c) && i + 1 < text.size()) {
        k.push_back(text[i]);
        k.push_back(text[++i]);
        continue;
      }
      if (c == '-' || c == '\'') continue;
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
      k.push_back(static_cast<char>(c));
    }
    return k;
  };
  const std::string x = key(a);
  const std::string y = key(b);
  const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

void SimDesktop::SetLeadByteRanges(std::vector<std::pair<BYTE, BYTE>> ranges) {
  s_->leadRanges = std::move(ranges);
}

void SimDesktop::SetAnsiCodePage(UINT codePage) {
  s_->codePage = codePage;
  if (codePage == 65001) s_->leadRanges.clear();
}

UINT SimDesktop::GetACP() { return s_->codePage; }

BOOL SimDesktop::IsDBCSLeadByte(BYTE b) { return s_->IsLead(b) ? TRUE : FALSE; }

std::string SimDesktop::AnsiToUtf8(const std::string& ansi) {
  return Convert("UTF-8", s_->Charset(), ansi, s_->codePage == 65001);
}

std::string SimDesktop::State::Ansi(const std::string& utf8) const {
  return Convert(Charset(), "UTF-8", utf8, true);
}

std::string SimDesktop::Utf8ToAnsi(const std::string& utf8) { return s_->Ansi(utf8); }

// ---- shell -------------------------------------------------------------------------------

INT_PTR SimDesktop::ShellExecuteA(HWND owner, const char* verb, const char* file,
                                  const char* parameters, const char* directory, int show) {
  (void)owner;
  (void)directory;
  (void)show;
  if (file == nullptr) return SE_ERR_FNF;
  if (verb != nullptr && std::string(verb) == "runas") {
    s_->elevatedStarts.push_back(std::string(file) + (parameters ? std::string(" ") + parameters : ""));
    // The user's answer to the elevation prompt: No is "access denied".
    if (s_->declineElevation) return SE_ERR_ACCESSDENIED;
    return 42;
  }
  s_->shellOpened.emplace_back(file);
  return 42;  // above 32: success
}

const std::vector<std::string>& SimDesktop::ShellOpened() const { return s_->shellOpened; }

void SimDesktop::DeclineElevation(bool decline) { s_->declineElevation = decline; }

const std::vector<std::string>& SimDesktop::ElevatedStarts() const { return s_->elevatedStarts; }

}  // namespace mm::sim
