#include "storage/ini_text.h"

#include <utility>

#include "platform/text.h"
#include "storage/ini_file.h"

namespace mm {

namespace {

// Name lookups ignore ASCII case, as the profile functions' do.
std::string Folded(std::string_view name) { return UpperAscii(std::string(UpToNul(name))); }

}  // namespace

IniText::IniText(std::string bytes) : text_(std::move(bytes)) { Parse(); }

void IniText::Parse() {
  // CR LF, a lone LF and a lone CR each end a line.
  for (std::size_t pos = 0; pos < text_.size();) {
    std::size_t end = text_.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text_.size();
    std::size_t next = end;
    if (next < text_.size()) next += text_.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    lines_.push_back(Line{pos, end, next});
    pos = next;
  }
  replaced_.resize(lines_.size());

  sections_.emplace_back();  // the keys before the first header
  sectionIndex_.emplace(std::string(), 0);
  const std::string_view text(text_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    // Blanks around a line, a name or a value are no part of them; a name
    // ends at a NUL, as the C strings that the profile functions compare.
    std::size_t b = lines_[i].begin, e = lines_[i].end;
    while (b < e && IsProfileBlank(text_[b])) ++b;
    while (e > b && IsProfileBlank(text_[e - 1])) --e;
    if (b == e) continue;
    if (text_[b] == '[') {
      // The last "]" character closes the name; a trail byte that looks
      // like one does not.
      std::size_t close = kNone;
      for (std::size_t c = b; c < e; c += CharBytes(text.substr(0, e), c)) {
        if (text_[c] == ']') close = c;
      }
      if (close != kNone) {
        std::size_t nb = b + 1, ne = close;
        while (nb < ne && IsProfileBlank(text_[nb])) ++nb;
        while (ne > nb && IsProfileBlank(text_[ne - 1])) --ne;
        Section section;
        section.name = text_.substr(nb, ne - nb);
        section.last = i;
        // Of sections of the same name the first one is read.
        sectionIndex_.emplace(Folded(section.name), sections_.size());
        sections_.push_back(std::move(section));
        continue;
      }
    }
    Section& section = sections_.back();
    section.last = i;
    // "=" is never the second byte of a double-byte character.
    const std::size_t found = text.substr(b, e - b).find('=');
    const bool hasEquals = found != std::string_view::npos;
    const std::size_t eq = b + found;
    std::size_t nameEnd = hasEquals ? eq : e;
    while (nameEnd > b && IsProfileBlank(text_[nameEnd - 1])) --nameEnd;
    // Of keys of the same name the first one is read, with a value or not.
    section.keys.emplace(Folded(text.substr(b, nameEnd - b)),
                         Key{false, i, hasEquals ? eq + 1 : e, !hasEquals});
  }
}

bool IniText::HasSection(const std::string& section) const {
  return sectionIndex_.count(Folded(section)) != 0;
}

IniText::Section& IniText::SectionNamed(const std::string& name) {
  auto found = sectionIndex_.emplace(Folded(name), sections_.size());
  if (found.second) {
    Section section;
    section.name = name;
    section.isNew = true;
    sections_.push_back(std::move(section));
  }
  return sections_[found.first->second];
}

void IniText::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  const std::string text = StorableValue(value);
  Section& s = SectionNamed(section);
  auto found = s.keys.emplace(Folded(key), Key{true, s.added.size(), 0, false});
  const Key& k = found.first->second;
  if (k.added) {
    if (found.second) s.added.emplace_back();
    s.added[k.index] = key + "=" + text;
    return;
  }
  // The line keeps its place and its own spelling of the name.
  replaced_[k.index] = text_.substr(lines_[k.index].begin, k.keep - lines_[k.index].begin) +
                       (k.needsEquals ? "=" : "") + text;
}

void IniText::WriteInt(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

std::string IniText::Bytes() const {
  std::string out;
  out.reserve(text_.size() + text_.size() / 8 + 256);
  auto addLines = [&out](const Section& s) {
    for (const std::string& line : s.added) {
      out += line;
      out += "\r\n";
    }
  };
  // Keys for the part before the first header when it has no line.
  if (sections_.front().last == kNone) addLines(sections_.front());
  std::size_t next = 0;  // the section whose last line comes next
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (replaced_[i].empty()) {
      out.append(text_, line.begin, line.end - line.begin);
    } else {
      out += replaced_[i];
    }
    while (next < sections_.size() &&
           (sections_[next].isNew || sections_[next].last == kNone || sections_[next].last < i)) {
      ++next;
    }
    const bool endsSection = next < sections_.size() && sections_[next].last == i;
    if (endsSection && !sections_[next].added.empty() && line.next == line.end) {
      out += "\r\n";  // the last line of the text had no line break
    } else {
      out.append(text_, line.end, line.next - line.end);
    }
    if (endsSection) addLines(sections_[next]);
  }
  for (const Section& s : sections_) {
    if (!s.isNew) continue;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out += "[" + s.name + "]\r\n";
    addLines(s);
  }
  return out;
}

}  // namespace mm
