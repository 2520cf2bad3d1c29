// A reader of the resource script statements res/morimo.rc is written in,
// so that the simulated desktop builds its dialogs, menus and strings from
// the very text the resource compiler reads for Windows.
//
// What it reads, with the resource compiler's rules:
// - #define of numbers and string literals, #include "..." of our headers
//   (a <system> header is skipped: its names come from one table of the
//   Win32 values in platform/types.h), #pragma code_page(65001);
// - DIALOG/DIALOGEX with STYLE, EXSTYLE, CAPTION, FONT and CONTROL
//   statements (a control's style starts as WS_CHILD | WS_VISIBLE; `NOT X`
//   clears bits of what stands before it);
// - MENU with POPUP, MENUITEM, MENUITEM SEPARATOR and GRAYED, CHECKED,
//   INACTIVE;
// - STRINGTABLE; ICON (the id and the file name);
// - every other resource statement is passed over.
// String literals are UTF-8 bytes with \t \n \r \\ \" and "" for a quote;
// adjacent literals are joined. Anything else is an error that names the
// line, so a template the simulation cannot build never goes unnoticed.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/types.h"

namespace mm::sim {

// One item of a menu: of a menu resource, of a popup as it was shown, or
// appended to a system menu.
struct MenuItemRecord {
  UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  UINT_PTR id = 0;
  std::string textUtf8;
  std::vector<MenuItemRecord> items;  // of a popup
};

struct ResourceScript {
  std::map<int, DialogTemplate> dialogs;
  std::map<int, std::vector<MenuItemRecord>> menus;  // the menu bar's items
  std::map<UINT, std::string> strings;
  std::map<int, std::string> icons;  // id -> file name
};

class ResourceScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `headers` holds the texts of the files the script may #include, by name.
// Throws ResourceScriptError.
ResourceScript ReadResourceScript(const std::string& rcText,
                                  const std::map<std::string, std::string>& headers);

// res/morimo.rc, res/resource.h and res/version.h as built into the library.
const std::map<std::string, std::string>& EmbeddedResourceFiles();

}  // namespace mm::sim
