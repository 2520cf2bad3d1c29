#include "tests/sim/rc_script.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace mm::sim {

namespace {

// The names a script takes from the system's headers, with their Win32
// values (the ones platform/types.h gives the program).
const std::map<std::string, DWORD>& SystemSymbols() {
#define MM_SYMBOL(name) {#name, static_cast<DWORD>(name)}
  static const std::map<std::string, DWORD> symbols = {
      MM_SYMBOL(WS_OVERLAPPED), MM_SYMBOL(WS_POPUP), MM_SYMBOL(WS_CHILD),
      MM_SYMBOL(WS_MINIMIZE), MM_SYMBOL(WS_VISIBLE), MM_SYMBOL(WS_DISABLED),
      MM_SYMBOL(WS_CLIPSIBLINGS), MM_SYMBOL(WS_CLIPCHILDREN), MM_SYMBOL(WS_MAXIMIZE),
      MM_SYMBOL(WS_CAPTION), MM_SYMBOL(WS_BORDER), MM_SYMBOL(WS_DLGFRAME),
      MM_SYMBOL(WS_VSCROLL), MM_SYMBOL(WS_HSCROLL), MM_SYMBOL(WS_SYSMENU),
      MM_SYMBOL(WS_THICKFRAME), MM_SYMBOL(WS_GROUP), MM_SYMBOL(WS_TABSTOP),
      MM_SYMBOL(WS_MINIMIZEBOX), MM_SYMBOL(WS_MAXIMIZEBOX), MM_SYMBOL(WS_OVERLAPPEDWINDOW),
      MM_SYMBOL(WS_POPUPWINDOW), MM_SYMBOL(WS_EX_DLGMODALFRAME), MM_SYMBOL(WS_EX_TOPMOST),
      MM_SYMBOL(WS_EX_TOOLWINDOW), MM_SYMBOL(WS_EX_WINDOWEDGE), MM_SYMBOL(WS_EX_CLIENTEDGE),
      MM_SYMBOL(WS_EX_CONTROLPARENT), MM_SYMBOL(WS_EX_STATICEDGE), MM_SYMBOL(WS_EX_APPWINDOW),
      MM_SYMBOL(WS_EX_LAYERED), MM_SYMBOL(WS_EX_NOACTIVATE),
      MM_SYMBOL(DS_3DLOOK), MM_SYMBOL(DS_FIXEDSYS), MM_SYMBOL(DS_SETFONT),
      MM_SYMBOL(DS_MODALFRAME), MM_SYMBOL(DS_SETFOREGROUND), MM_SYMBOL(DS_CONTROL),
      MM_SYMBOL(DS_CENTER), MM_SYMBOL(DS_SHELLFONT),
      MM_SYMBOL(BS_PUSHBUTTON), MM_SYMBOL(BS_DEFPUSHBUTTON), MM_SYMBOL(BS_CHECKBOX),
      MM_SYMBOL(BS_AUTOCHECKBOX), MM_SYMBOL(BS_RADIOBUTTON), MM_SYMBOL(BS_3STATE),
      MM_SYMBOL(BS_AUTO3STATE), MM_SYMBOL(BS_GROUPBOX), MM_SYMBOL(BS_AUTORADIOBUTTON),
      MM_SYMBOL(BS_OWNERDRAW), MM_SYMBOL(BS_LEFTTEXT), MM_SYMBOL(BS_ICON),
      MM_SYMBOL(BS_LEFT), MM_SYMBOL(BS_RIGHT), MM_SYMBOL(BS_CENTER),
      MM_SYMBOL(BS_PUSHLIKE), MM_SYMBOL(BS_MULTILINE), MM_SYMBOL(BS_NOTIFY),
      MM_SYMBOL(SS_LEFT), MM_SYMBOL(SS_CENTER), MM_SYMBOL(SS_RIGHT),
      MM_SYMBOL(SS_ICON), MM_SYMBOL(SS_BLACKFRAME), MM_SYMBOL(SS_GRAYFRAME),
      MM_SYMBOL(SS_ETCHEDHORZ), MM_SYMBOL(SS_ETCHEDFRAME), MM_SYMBOL(SS_NOPREFIX),
      MM_SYMBOL(SS_NOTIFY), MM_SYMBOL(SS_CENTERIMAGE), MM_SYMBOL(SS_REALSIZEIMAGE),
      MM_SYMBOL(SS_SUNKEN), MM_SYMBOL(SS_ENDELLIPSIS), MM_SYMBOL(SS_PATHELLIPSIS),
      MM_SYMBOL(ES_LEFT), MM_SYMBOL(ES_CENTER), MM_SYMBOL(ES_RIGHT),
      MM_SYMBOL(ES_MULTILINE), MM_SYMBOL(ES_UPPERCASE), MM_SYMBOL(ES_LOWERCASE),
      MM_SYMBOL(ES_PASSWORD), MM_SYMBOL(ES_AUTOVSCROLL), MM_SYMBOL(ES_AUTOHSCROLL),
      MM_SYMBOL(ES_NOHIDESEL), MM_SYMBOL(ES_READONLY), MM_SYMBOL(ES_WANTRETURN),
      MM_SYMBOL(ES_NUMBER),
      MM_SYMBOL(CBS_SIMPLE), MM_SYMBOL(CBS_DROPDOWN), MM_SYMBOL(CBS_DROPDOWNLIST),
      MM_SYMBOL(CBS_AUTOHSCROLL), MM_SYMBOL(CBS_SORT), MM_SYMBOL(CBS_HASSTRINGS),
      MM_SYMBOL(CBS_NOINTEGRALHEIGHT), MM_SYMBOL(CBS_DISABLENOSCROLL),
      MM_SYMBOL(LVS_ICON), MM_SYMBOL(LVS_REPORT), MM_SYMBOL(LVS_SMALLICON),
      MM_SYMBOL(LVS_LIST), MM_SYMBOL(LVS_SINGLESEL), MM_SYMBOL(LVS_SHOWSELALWAYS),
      MM_SYMBOL(LVS_SORTASCENDING), MM_SYMBOL(LVS_SORTDESCENDING),
      MM_SYMBOL(LVS_SHAREIMAGELISTS), MM_SYMBOL(LVS_NOLABELWRAP), MM_SYMBOL(LVS_AUTOARRANGE),
      MM_SYMBOL(LVS_EDITLABELS), MM_SYMBOL(LVS_ALIGNLEFT), MM_SYMBOL(LVS_OWNERDATA),
      MM_SYMBOL(LVS_NOSCROLL), MM_SYMBOL(LVS_NOCOLUMNHEADER), MM_SYMBOL(LVS_NOSORTHEADER),
      MM_SYMBOL(IDOK), MM_SYMBOL(IDCANCEL), MM_SYMBOL(IDABORT), MM_SYMBOL(IDRETRY),
      MM_SYMBOL(IDIGNORE), MM_SYMBOL(IDYES), MM_SYMBOL(IDNO), MM_SYMBOL(IDCLOSE),
      MM_SYMBOL(IDHELP),
  };
#undef MM_SYMBOL
  return symbols;
}

struct Token {
  enum Kind { kName, kNumber, kString, kPunct, kEnd } kind = kEnd;
  std::string text;  // a name, a punctuation mark, or a string's bytes
  long value = 0;
  std::string where;  // "file:line"
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ResourceScriptError(where + ": " + what);
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Turns the script into tokens as the resource compiler's preprocessor
// does: directives run, comments go, defined names are replaced.
class Lexer {
 public:
  explicit Lexer(const std::map<std::string, std::string>& headers) : headers_(headers) {}

  std::vector<Token> Run(const std::string& text, const std::string& file) {
    Lex(text, file, &out_, true);
    Token end;
    end.where = file + ": end";
    out_.push_back(end);
    return std::move(out_);
  }

 private:
  // Reads `text`; directives only where `directives` (a #define's body has
  // none).
  void Lex(const std::string& text, const std::string& file, std::vector<Token>* out,
           bool directives) {
    int line = 1;
    bool lineStart = true;
    size_t i = 0;
    auto where = [&] { return file + ":" + std::to_string(line); };
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') {
        ++line;
        lineStart = true;
        ++i;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++i;
      } else if (text.compare(i, 2, "//") == 0) {
        i = text.find('\n', i);
        if (i == std::string::npos) i = text.size();
      } else if (text.compare(i, 2, "/*") == 0) {
        const size_t close = text.find("*/", i + 2);
        if (close == std::string::npos) Fail(where(), "comment without its end");
        for (size_t k = i; k < close; ++k) line += text[k] == '\n';
        i = close + 2;
      } else if (c == '#' && lineStart && directives) {
        size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        Directive(StripComment(text.substr(i + 1, end - i - 1)), where());
        i = end;
      } else {
        lineStart = false;
        i = Token1(text, i, where(), out);
      }
    }
  }

  static std::string StripComment(const std::string& s) {
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '"') quoted = !quoted;
      if (s[i] == '\\' && quoted) ++i;
      if (!quoted && (s.compare(i, 2, "//") == 0 || s.compare(i, 2, "/*") == 0)) return s.substr(0, i);
    }
    return s;
  }

  // Reads one token at `i`; returns the index after it.
  size_t Token1(const std::string& text, size_t i, const std::string& where,
                std::vector<Token>* out) {
    Token t;
    t.where = where;
    const char c = text[i];
    if (c == '"' || (c == 'L' && i + 1 < text.size() && text[i + 1] == '"')) {
      if (c == 'L') ++i;
      t.kind = Token::kString;
      i = StringLiteral(text, i, where, &t.text);
      out->push_back(t);
      return i;
    }
    if (c >= '0' && c <= '9') {
      char* end = nullptr;
      t.kind = Token::kNumber;
      t.value = static_cast<long>(std::strtoul(text.c_str() + i, &end, 0));
      size_t j = static_cast<size_t>(end - text.c_str());
      while (j < text.size() && (text[j] == 'L' || text[j] == 'l' || text[j] == 'U' || text[j] == 'u')) ++j;
      if (j < text.size() && IsNameChar(text[j])) Fail(where, "bad number");
      out->push_back(t);
      return j;
    }
    if (IsNameChar(c)) {
      size_t j = i;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      t.kind = Token::kName;
      t.text = text.substr(i, j - i);
      Expand(t, out);
      return j;
    }
    if (std::string(",|&+-*/~(){}").find(c) == std::string::npos)
      Fail(where, std::string("unexpected character '") + c + "'");
    t.kind = Token::kPunct;
    t.text = std::string(1, c);
    out->push_back(t);
    return i + 1;
  }

  // A literal from the opening quote at `i`; returns the index after it.
  static size_t StringLiteral(const std::string& text, size_t i, const std::string& where,
                              std::string* bytes) {
    for (++i; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\n') break;
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {  // "" stands for a quote
          bytes->push_back('"');
          ++i;
          continue;
        }
        return i + 1;
      }
      if (c != '\\') {
        bytes->push_back(c);
        continue;
      }
      if (++i >= text.size()) break;
      switch (text[i]) {
        case 't': bytes->push_back('\t'); break;
        case 'n': bytes->push_back('\n'); break;
        case 'r': bytes->push_back('\r'); break;
        case '\\': bytes->push_back('\\'); break;
        case '"': bytes->push_back('"'); break;
        default: Fail(where, std::string("escape \\") + text[i] + " is not read here");
      }
    }
    Fail(where, "string without its closing quote");
  }

  // A defined name stands for its tokens, which may name others in turn.
  void Expand(const Token& name, std::vector<Token>* out) {
    auto it = defines_.find(name.text);
    if (it == defines_.end() || expanding_.count(name.text)) {
      out->push_back(name);
      return;
    }
    expanding_.insert(name.text);
    for (Token t : it->second) {
      t.where = name.where;
      if (t.kind == Token::kName) {
        Expand(t, out);
      } else {
        out->push_back(t);
      }
    }
    expanding_.erase(name.text);
  }

  void Directive(const std::string& line, const std::string& where) {
    size_t i = line.find_first_not_of(" \t");
    size_t j = i == std::string::npos ? i : line.find_first_of(" \t(", i);
    const std::string word = i == std::string::npos ? "" : line.substr(i, j - i);
    std::string rest = j == std::string::npos ? "" : line.substr(j);
    rest.erase(0, rest.find_first_not_of(" \t"));
    rest.erase(rest.find_last_not_of(" \t\r") + 1);
    if (word == "define") {
      const size_t nameEnd = rest.find_first_of(" \t(");
      const std::string name = rest.substr(0, nameEnd);
      if (nameEnd != std::string::npos && rest[nameEnd] == '(')
        Fail(where, "macros with arguments are not read here");
      std::vector<Token> body;
      if (nameEnd != std::string::npos) Lex(rest.substr(nameEnd), where, &body, false);
      defines_[name] = body;
    } else if (word == "include") {
      if (!rest.empty() && rest[0] == '<') return;  // a system header: names from the table
      if (rest.size() < 2 || rest[0] != '"' || rest.back() != '"') Fail(where, "bad #include");
      const std::string file = rest.substr(1, rest.size() - 2);
      auto header = headers_.find(file);
      if (header == headers_.end()) Fail(where, "no header " + file);
      if (!included_.insert(file).second) return;  // our headers are #pragma once
      Lex(header->second, file, &out_, true);
    } else if (word == "pragma") {
      if (rest == "once") return;
      if (rest.rfind("code_page", 0) == 0) {
        if (rest.find("65001") == std::string::npos) Fail(where, "the script must be UTF-8");
        return;
      }
      Fail(where, "#pragma " + rest + " is not read here");
    } else {
      Fail(where, "#" + word + " is not read here");
    }
  }

  const std::map<std::string, std::string>& headers_;
  std::map<std::string, std::vector<Token>> defines_;
  std::set<std::string> expanding_;
  std::set<std::string> included_;
  std::vector<Token> out_;
};

const std::set<std::string>& MemoryOptions() {
  static const std::set<std::string> options = {"DISCARDABLE", "MOVEABLE", "FIXED",
                                                "PURE",        "IMPURE",   "PRELOAD",
                                                "LOADONCALL",  "SHARED",   "NONSHARED"};
  return options;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  ResourceScript Run() {
    while (Peek().kind != Token::kEnd) Statement();
    return std::move(out_);
  }

 private:
  const Token& Peek(size_t ahead = 0) const { return t_[std::min(pos_ + ahead, t_.size() - 1)]; }
  Token Take() {
    Token t = Peek();
    if (pos_ < t_.size() - 1) ++pos_;
    return t;
  }
  bool IsName(const char* name, size_t ahead = 0) const {
    return Peek(ahead).kind == Token::kName && Peek(ahead).text == name;
  }
  bool IsPunct(const char* p) const { return Peek().kind == Token::kPunct && Peek().text == p; }
  void Expect(const char* p) {
    if (!IsPunct(p)) Fail(Peek().where, std::string("'") + p + "' expected");
    Take();
  }
  bool Begin() {
    if (IsName("BEGIN") || IsPunct("{")) {
      Take();
      return true;
    }
    return false;
  }
  bool End() {
    if (IsName("END") || IsPunct("}")) {
      Take();
      return true;
    }
    return false;
  }
  void ExpectBegin() {
    if (!Begin()) Fail(Peek().where, "BEGIN expected");
  }

  // ---- expressions, with C's precedence ----------------------------------------
  long Primary() {
    const Token t = Take();
    if (t.kind == Token::kNumber) return t.value;
    if (t.kind == Token::kPunct && t.text == "(") {
      const long v = Expr();
      Expect(")");
      return v;
    }
    if (t.kind == Token::kPunct && t.text == "-") return -Primary();
    if (t.kind == Token::kPunct && t.text == "~") return ~Primary();
    if (t.kind == Token::kName) {
      auto it = SystemSymbols().find(t.text);
      if (it != SystemSymbols().end()) return static_cast<long>(it->second);
      Fail(t.where, "unknown name " + t.text);
    }
    Fail(t.where, "a number expected");
  }
  long Product() {
    long v = Primary();
    while (IsPunct("*") || IsPunct("/")) {
      const bool times = Take().text == "*";
      const long r = Primary();
      if (!times && r == 0) Fail(Peek().where, "division by zero");
      v = times ? v * r : v / r;
    }
    return v;
  }
  long Sum() {
    long v = Product();
    while (IsPunct("+") || IsPunct("-")) v = Take().text == "+" ? v + Product() : v - Product();
    return v;
  }
  long And() {
    long v = Sum();
    while (IsPunct("&")) {
      Take();
      v &= Sum();
    }
    return v;
  }
  long Expr() {
    long v = And();
    while (IsPunct("|")) {
      Take();
      v |= And();
    }
    return v;
  }
  int Int() { return static_cast<int>(Expr()); }
  void Comma() { Expect(","); }

  // A style list: each part is or-ed into the running word, `NOT x` clears
  // the bits of x from it (so NOT only takes away what stands before it or
  // a default).
  DWORD Style(DWORD word) {
    for (;;) {
      if (IsName("NOT")) {
        Take();
        word &= ~static_cast<DWORD>(Primary());
      } else {
        word |= static_cast<DWORD>(And());
      }
      if (!IsPunct("|")) return word;
      Take();
    }
  }

  // One literal or adjacent ones, joined.
  std::string Text() {
    if (Peek().kind != Token::kString) Fail(Peek().where, "a string expected");
    std::string s;
    while (Peek().kind == Token::kString) s += Take().text;
    return s;
  }

  // ---- statements -------------------------------------------------------------
  void Statement() {
    if (IsName("LANGUAGE")) {
      Take();
      Take();
      Comma();
      Take();
    } else if (IsName("STRINGTABLE")) {
      Take();
      StringTable();
    } else {
      const Token id = Take();
      const Token type = Take();
      if (type.kind != Token::kName) Fail(type.where, "a resource type expected");
      while (Peek().kind == Token::kName && MemoryOptions().count(Peek().text)) Take();
      const bool numbered = id.kind == Token::kNumber;
      const int number = static_cast<int>(id.value);
      if (type.text == "DIALOG" || type.text == "DIALOGEX") {
        if (!numbered) Fail(id.where, "a dialog needs a number");
        Dialog(number);
      } else if (type.text == "MENU") {
        if (!numbered) Fail(id.where, "a menu needs a number");
        ExpectBegin();
        out_.menus[number] = MenuItems();
      } else {
        if (type.text == "ICON" && numbered && Peek().kind == Token::kString)
          out_.icons[number] = Peek().text;
        SkipResource();
      }
    }
  }

  // The rest of a resource we do not read: a file name, or a block.
  void SkipResource() {
    for (;;) {
      if (Peek().kind == Token::kEnd) Fail(Peek().where, "resource without its end");
      if (Peek().kind == Token::kString) {
        Take();
        return;
      }
      if (Begin()) {
        for (int depth = 1; depth > 0;) {
          if (Peek().kind == Token::kEnd) Fail(Peek().where, "BEGIN without END");
          if (Begin()) {
            ++depth;
          } else if (End()) {
            --depth;
          } else {
            Take();
          }
        }
        return;
      }
      Take();
    }
  }

  void StringTable() {
    while (!Begin()) {
      if (Peek().kind == Token::kEnd) Fail(Peek().where, "BEGIN expected");
      Take();  // options and LANGUAGE
    }
    while (!End()) {
      const UINT id = static_cast<UINT>(Expr());
      if (IsPunct(",")) Take();
      out_.strings[id] = Text();
    }
  }

  void Dialog(int id) {
    DialogTemplate d{};
    d.id = id;
    d.x = Int();
    Comma();
    d.y = Int();
    Comma();
    d.cx = Int();
    Comma();
    d.cy = Int();
    if (IsPunct(",")) {  // help id
      Take();
      Expr();
    }
    // The compiler's own rules: without STYLE a dialog is a bordered popup
    // with a system menu; CAPTION and FONT add their bits to any style.
    d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    DWORD running = 0;
    while (!Begin()) {
      const Token word = Take();
      if (word.kind != Token::kName) Fail(word.where, "a dialog statement expected");
      if (word.text == "STYLE") {
        running = Style(running);
        d.style = running;
      } else if (word.text == "EXSTYLE") {
        d.exStyle = static_cast<DWORD>(Expr());
      } else if (word.text == "CAPTION") {
        d.titleUtf8 = Text();
        running |= WS_CAPTION;
        d.style |= WS_CAPTION;
      } else if (word.text == "FONT") {
        d.fontPoints = Int();
        Comma();
        d.fontUtf8 = Text();
        for (int k = 0; k < 3 && IsPunct(","); ++k) {  // weight, italic, character set
          Take();
          Expr();
        }
        running |= DS_SETFONT;
        d.style |= DS_SETFONT;
      } else if (word.text == "LANGUAGE") {
        Take();
        Comma();
        Take();
      } else {
        Fail(word.where, word.text + " in a dialog is not read here");
      }
    }
    while (!End()) d.items.push_back(Control());
    out_.dialogs[id] = d;
  }

  DialogItemTemplate Control() {
    const Token word = Take();
    if (word.kind != Token::kName || word.text != "CONTROL")
      Fail(word.where, "write the control as a CONTROL statement");
    DialogItemTemplate c{};
    // An icon or bitmap named by number: the template holds its ordinal.
    c.textUtf8 = Peek().kind == Token::kString ? Text() : "#" + std::to_string(Expr());
    Comma();
    c.id = Int();
    Comma();
    c.cls = Text();
    Comma();
    c.style = Style(WS_CHILD | WS_VISIBLE);
    Comma();
    c.x = Int();
    Comma();
    c.y = Int();
    Comma();
    c.cx = Int();
    Comma();
    c.cy = Int();
    if (IsPunct(",")) {
      Take();
      if (Expr() != 0) Fail(word.where, "extended styles of controls are not modelled");
      if (IsPunct(",")) {  // help id
        Take();
        Expr();
      }
    }
    return c;
  }

  std::vector<MenuItemRecord> MenuItems() {
    std::vector<MenuItemRecord> items;
    while (!End()) {
      const Token word = Take();
      MenuItemRecord item;
      if (word.kind == Token::kName && word.text == "MENUITEM") {
        if (IsName("SEPARATOR")) {
          Take();
          item.flags = MF_SEPARATOR;
        } else {
          item.textUtf8 = Text();
          Comma();
          item.id = static_cast<UINT_PTR>(Expr());
          item.flags = MenuOptions();
        }
      } else if (word.kind == Token::kName && word.text == "POPUP") {
        item.textUtf8 = Text();
        item.flags = MF_POPUP | MenuOptions();
        ExpectBegin();
        item.items = MenuItems();
      } else {
        Fail(word.where, "MENUITEM or POPUP expected");
      }
      items.push_back(std::move(item));
    }
    return items;
  }

  UINT MenuOptions() {
    UINT flags = 0;
    for (;;) {
      const bool comma = IsPunct(",");
      if (comma) Take();
      if (IsName("GRAYED")) {
        flags |= MF_GRAYED;
      } else if (IsName("CHECKED")) {
        flags |= MF_CHECKED;
      } else if (IsName("INACTIVE")) {
        flags |= MF_DISABLED;
      } else if (comma) {
        Fail(Peek().where, "GRAYED, CHECKED or INACTIVE expected");
      } else {
        return flags;
      }
      Take();
    }
  }

  std::vector<Token> t_;
  size_t pos_ = 0;
  ResourceScript out_;
};

}  // namespace

ResourceScript ReadResourceScript(const std::string& rcText,
                                  const std::map<std::string, std::string>& headers) {
  return Parser(Lexer(headers).Run(rcText, "morimo.rc")).Run();
}

}  // namespace mm::sim
