// A portable description of a dialog template: what the simulated desktop
// reads from res/morimo.rc and builds its dialogs from, and what a test
// gives either desktop for a dialog of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace mm {

struct DialogItemTemplate {
  int id;               // -1 for static controls without an id
  std::string cls;      // "Button", "Static", "SysListView32", "ComboBox", "Edit"
  std::string textUtf8;
  DWORD style;          // the whole word: shown only with WS_VISIBLE
  int x, y, cx, cy;     // dialog units
};

struct DialogTemplate {
  int id;
  std::string titleUtf8;
  DWORD style;
  DWORD exStyle;
  int x, y, cx, cy;
  std::string fontUtf8;
  int fontPoints;
  std::vector<DialogItemTemplate> items;
};

}  // namespace mm
