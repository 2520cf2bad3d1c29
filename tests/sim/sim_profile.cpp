// The profile (INI) functions of the simulated file system, with the
// contracts of the Win32 ones: lookups without case, trimmed names and
// values, quotes, and writes that keep every other line as it was.
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "tests/sim/sim_files.h"

namespace mm::sim {

namespace {

// Blanks the profile functions trim around names and values (0x1A is the
// old end-of-file mark some editors leave behind).
bool IsProfileBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsProfileBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsProfileBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// The text of a C string argument up to its NUL; profile names and values
// cannot hold a NUL, so text read from a file is cut there too.
std::string CutAtNul(const std::string& s) {
  size_t z = s.find('\0');
  return z == std::string::npos ? s : s.substr(0, z);
}

}  // namespace

// ---- INI text ------------------------------------------------------------------
//
// The file is kept as its lines; reads look up names in them, writes change
// the few lines concerned and write every line back with CR LF. A line that
// is not a section header is a key, with a value after its "=" or without
// one (comments, junk): a key without a value reads as missing, yet hides a
// later key of its name. CR LF, LF and a lone CR end a line; blanks around
// lines, names and values are trimmed.
// Parsed files are cached per host path and checked against the file's
// identity, size and time on every use, as the system's own profile cache
// is, so edits made behind the sim's back are seen.

constexpr size_t kNoLine = static_cast<size_t>(-1);

struct SimFileSystem::IniKey {
  size_t line;
  std::string name;
  std::string value;  // trimmed, quotes kept
  bool hasValue;      // the line has an "="
  bool listed;        // comments and keys without a value are not
};

struct SimFileSystem::IniSection {
  size_t header;  // line of "[name]"; kNoLine for the keys before any header
  std::string name;
  std::vector<IniKey> keys;
  std::unordered_map<std::string, size_t> keyIndex;  // folded name -> first key
  size_t lastLine;  // last non-blank line of the section (kNoLine: none)
};

struct SimFileSystem::IniText {
  std::vector<std::string> lines;
  std::vector<IniSection> sections;
  std::unordered_map<std::string, size_t> sectionIndex;  // folded -> first
  bool utf8Mark = false;  // the file starts with a UTF-8 byte order mark
};

struct SimFileSystem::IniLine {
  enum Kind { kBlank, kHeader, kKey } kind = kBlank;
  std::string name;   // of a header or key, trimmed
  std::string value;  // of a key, trimmed
  bool hasValue = false;
};

struct SimFileSystem::IniCacheEntry {
  dev_t device;
  ino_t inode;
  off_t size;
  struct timespec modified;
  std::shared_ptr<IniText> ini;
};

// Made and destroyed here, where the profile cache's records are complete.
SimFileSystem::SimFileSystem(const std::string& root) : root_(root) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  // The root and drive C: always exist, as the system drive does.
  ::mkdir(root_.c_str(), 0777);
  ::mkdir((root_ + "/C").c_str(), 0777);
}

SimFileSystem::~SimFileSystem() = default;

SimFileSystem::IniLine SimFileSystem::ClassifyLine(const std::string& raw) const {
  // The line is taken apart first; its names and values then end at a NUL,
  // as the C strings the system compares them as.
  IniLine l;
  std::string t = TrimBlanks(raw);
  if (t.empty()) return l;
  // The last "]" character closes a header; a trail byte that looks like
  // one does not (the system reads the line as characters).
  size_t close = std::string::npos;
  if (t[0] == '[') {
    for (size_t i = 0; i < t.size(); i += IsLead(static_cast<unsigned char>(t[i])) ? 2 : 1) {
      if (t[i] == ']') close = i;
    }
  }
  if (close != std::string::npos) {
    l.kind = IniLine::kHeader;
    l.name = CutAtNul(TrimBlanks(t.substr(1, close - 1)));
    return l;
  }
  l.kind = IniLine::kKey;
  size_t eq = t.find('=');
  l.hasValue = eq != std::string::npos;
  l.name = CutAtNul(TrimBlanks(t.substr(0, eq)));
  if (l.hasValue) l.value = CutAtNul(TrimBlanks(t.substr(eq + 1)));
  return l;
}

SimFileSystem::IniText SimFileSystem::ParseIni(const std::string& bytes) const {
  IniText ini;
  size_t pos = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    ini.utf8Mark = true;
    pos = 3;
  }
  // CR LF, LF and a lone CR all end a line.
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    ini.lines.push_back(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size() && bytes[pos++] == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
      ++pos;
    }
  }
  // Keys before the first header belong to a section without a name.
  ini.sections.push_back(IniSection{kNoLine, std::string(), {}, {}, kNoLine});
  ini.sectionIndex.emplace(std::string(), 0);
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    IniLine l = ClassifyLine(ini.lines[i]);
    if (l.kind == IniLine::kBlank) continue;
    if (l.kind == IniLine::kHeader) {
      IniSection section;
      section.header = i;
      section.name = std::move(l.name);
      section.lastLine = i;
      // Of duplicate sections the first one counts; the others are dead.
      ini.sectionIndex.emplace(FoldName(section.name), ini.sections.size());
      ini.sections.push_back(std::move(section));
      continue;
    }
    IniSection& s = ini.sections.back();
    s.lastLine = i;
    // A comment with "=" in it can be looked up but is never listed.
    bool listed = l.hasValue && (l.name.empty() || l.name[0] != ';');
    s.keyIndex.emplace(FoldName(l.name), s.keys.size());
    s.keys.push_back(IniKey{i, std::move(l.name), std::move(l.value), l.hasValue, listed});
  }
  return ini;
}

const SimFileSystem::IniSection* SimFileSystem::FindSection(const IniText& ini,
                                                            const std::string& name) const {
  // The names asked for are taken as they are; only the file's are trimmed.
  auto it = ini.sectionIndex.find(FoldName(name));
  return it == ini.sectionIndex.end() ? nullptr : &ini.sections[it->second];
}

const SimFileSystem::IniKey* SimFileSystem::FindKey(const IniSection& s,
                                                    const std::string& name) const {
  auto it = s.keyIndex.find(FoldName(name));
  return it == s.keyIndex.end() ? nullptr : &s.keys[it->second];
}

std::shared_ptr<SimFileSystem::IniText> SimFileSystem::LoadIni(const std::string& host) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    iniCache_.erase(host);
    return nullptr;
  }
  auto it = iniCache_.find(host);
  if (it != iniCache_.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
      it->second.size == st.st_size && it->second.modified.tv_sec == st.st_mtim.tv_sec &&
      it->second.modified.tv_nsec == st.st_mtim.tv_nsec) {
    return it->second.ini;
  }
  std::string bytes;
  if (!HostReadAll(host, &bytes)) return nullptr;
  auto ini = std::make_shared<IniText>(ParseIni(bytes));
  iniCache_[host] = IniCacheEntry{st.st_dev, st.st_ino, st.st_size, st.st_mtim, ini};
  return ini;
}

void SimFileSystem::RememberIni(const std::string& host, std::shared_ptr<IniText> ini) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) {
    iniCache_.erase(host);
    return;
  }
  iniCache_[host] = IniCacheEntry{st.st_dev, st.st_ino, st.st_size, st.st_mtim, std::move(ini)};
}

std::shared_ptr<const SimFileSystem::IniText> SimFileSystem::LoadProfile(const char* fileName) {
  WinPath p = ParsePath(ProfilePath(fileName));
  if (!p.valid || p.parts.empty()) return nullptr;
  return LoadIni(HostPathOf(p));
}

namespace {

// Copies a list of names the way the profile functions do: each name with
// its NUL, one more NUL after the last; when they do not fit, the last name
// is cut and followed by two NULs, and the result is size - 2.
DWORD CopyNameList(const std::vector<std::string>& names, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  DWORD used = 0;
  for (const std::string& n : names) {
    DWORD need = static_cast<DWORD>(n.size()) + 1;
    if (used + need + 1 > size) {
      DWORD room = size - 2 - used;  // bytes left for the cut name
      std::memcpy(buffer + used, n.data(), room);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, n.data(), n.size());
    buffer[used + n.size()] = '\0';
    used += need;
  }
  buffer[used] = '\0';
  return used;
}

DWORD CopyValue(const std::string& value, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  DWORD n = static_cast<DWORD>(value.size());
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace

DWORD SimFileSystem::GetPrivateProfileStringA(const char* section, const char* key,
                                              const char* defaultValue, char* buffer, DWORD size,
                                              const char* fileName) {
  std::shared_ptr<const IniText> ini = LoadProfile(fileName);
  if (section == nullptr && ini) {
    std::vector<std::string> names;
    for (const IniSection& s : ini->sections) {
      if (!s.name.empty()) names.push_back(s.name);
    }
    return CopyNameList(names, buffer, size);
  }
  const IniSection* s = ini && section != nullptr ? FindSection(*ini, section) : nullptr;
  if (key == nullptr && s != nullptr) {
    std::vector<std::string> names;
    for (const IniKey& k : s->keys) {
      if (k.listed) names.push_back(k.name);
    }
    return CopyNameList(names, buffer, size);
  }
  // A missing file or section gives the default even where a list was
  // asked for.
  const IniKey* k = s != nullptr && key != nullptr ? FindKey(*s, key) : nullptr;
  if (k != nullptr && k->hasValue) {
    std::string v = k->value;
    // Matching quotes around a value are not part of it.
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
      v = v.substr(1, v.size() - 2);
    }
    return CopyValue(v, buffer, size);
  }
  // The default loses its trailing blanks (but never its first character).
  std::string def = defaultValue != nullptr ? defaultValue : "";
  while (def.size() > 1 && def.back() == ' ') def.pop_back();
  return CopyValue(def, buffer, size);
}

UINT SimFileSystem::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                          const char* fileName) {
  // The profile functions read the value through a small buffer and convert
  // the text as the system's integer parser does: optional sign, then digits
  // (0x or 0X, 0o, 0b select the base), up to the first character that is
  // not one; the arithmetic wraps at 32 bits. An empty value gives the
  // default.
  char text[30];
  DWORD n = GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName);
  if (n == 0 || section == nullptr || key == nullptr) return static_cast<UINT>(defaultValue);
  const char* p = text;
  while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
  bool minus = false;
  if (*p == '+' || *p == '-') minus = *p++ == '-';
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X' || p[1] == 'o' || p[1] == 'b')) {
    base = p[1] == 'o' ? 8 : p[1] == 'b' ? 2 : 16;
    p += 2;
  }
  UINT total = 0;
  for (; *p != '\0'; ++p) {
    unsigned c = static_cast<unsigned char>(*p);
    unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                     : c >= 'a' && c <= 'z' ? c - 'a' + 10
                     : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                            : 99;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return minus ? 0u - total : total;
}

BOOL SimFileSystem::WritePrivateProfileStringA(const char* section, const char* key,
                                               const char* value, const char* fileName) {
  if (section == nullptr) {
    lastError_ = key == nullptr && value == nullptr ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
    return 0;
  }
  WinPath p = ParsePath(ProfilePath(fileName));
  std::string host;
  if (!CheckWritable(p, &host)) return 0;

  std::shared_ptr<IniText> ini = LoadIni(host);
  if (!ini) ini = std::make_shared<IniText>(ParseIni(std::string()));
  IniText& text = *ini;
  const IniSection* found = FindSection(text, section);
  const size_t si = found != nullptr ? static_cast<size_t>(found - text.sections.data()) : 0;
  std::vector<std::string>& lines = text.lines;
  // Most writes change one line or add one; the parsed form follows along
  // so that a long run of writes does not parse the file again each time.
  // Anything else (deletions, names or values that would read back as
  // something else) parses the new text afresh.
  bool reparse = false;

  if (key == nullptr) {  // delete the section
    if (found == nullptr) return 1;
    size_t first = found->header == kNoLine ? 0 : found->header;
    size_t next = lines.size();
    for (const IniSection& other : text.sections) {
      if (other.header != kNoLine && other.header > first) {
        next = other.header;
        break;
      }
    }
    lines.erase(lines.begin() + static_cast<long>(first), lines.begin() + static_cast<long>(next));
    reparse = true;
  } else if (value == nullptr) {  // delete the key
    const IniKey* k = found != nullptr ? FindKey(*found, key) : nullptr;
    if (k == nullptr) return 1;
    lines.erase(lines.begin() + static_cast<long>(k->line));
    reparse = true;
  } else {
    // Blanks around the value are dropped, as the system does.
    const std::string v = TrimBlanks(value);
    const std::string folded = FoldName(key);
    auto readsAsKey = [&](const std::string& line) {
      IniLine l = ClassifyLine(line);
      return l.kind == IniLine::kKey && l.hasValue && FoldName(l.name) == folded && l.value == v;
    };
    if (found == nullptr) {
      std::string header = "[" + std::string(section) + "]";
      IniLine h = ClassifyLine(header);
      std::string line = std::string(key) + "=" + v;
      lines.push_back(header);
      lines.push_back(line);
      if (h.kind == IniLine::kHeader && FoldName(h.name) == FoldName(section) &&
          readsAsKey(line)) {
        IniSection added;
        added.header = lines.size() - 2;
        added.name = std::move(h.name);
        added.lastLine = lines.size() - 1;
        added.keyIndex.emplace(folded, 0);
        added.keys.push_back(IniKey{lines.size() - 1, key, v, true, key[0] != ';'});
        text.sectionIndex.emplace(FoldName(added.name), text.sections.size());
        text.sections.push_back(std::move(added));
      } else {
        reparse = true;
      }
    } else if (const IniKey* k = FindKey(*found, key)) {
      std::string line = k->name + "=" + v;  // the key keeps its place and spelling
      // Nothing to change: the file is left alone, as the system leaves it.
      if (lines[k->line] == line) return 1;
      lines[k->line] = line;
      if (readsAsKey(line)) {
        const_cast<IniKey*>(k)->value = v;
        const_cast<IniKey*>(k)->hasValue = true;
        const_cast<IniKey*>(k)->listed = k->name.empty() || k->name[0] != ';';
      } else {
        reparse = true;
      }
    } else {
      std::string line = std::string(key) + "=" + v;
      size_t at = found->lastLine == kNoLine ? 0 : found->lastLine + 1;
      lines.insert(lines.begin() + static_cast<long>(at), line);
      if (readsAsKey(line)) {
        for (IniSection& other : text.sections) {
          if (other.header != kNoLine && other.header >= at) ++other.header;
          if (other.lastLine != kNoLine && other.lastLine >= at) ++other.lastLine;
          for (IniKey& k : other.keys) {
            if (k.line >= at) ++k.line;
          }
        }
        IniSection& target = text.sections[si];
        target.lastLine = at;
        target.keyIndex.emplace(folded, target.keys.size());
        target.keys.push_back(IniKey{at, key, v, true, key[0] != ';'});
      } else {
        reparse = true;
      }
    }
  }

  std::string out;
  size_t total = 3;
  for (const std::string& l : lines) total += l.size() + 2;
  out.reserve(total);
  if (text.utf8Mark) out += "\xEF\xBB\xBF";
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  if (!HostWrite(host, out)) {
    iniCache_.erase(host);  // whatever is on the disk now is read afresh
    return 0;
  }
  if (reparse) ini = std::make_shared<IniText>(ParseIni(out));
  RememberIni(host, std::move(ini));
  return 1;
}

}  // namespace mm::sim
