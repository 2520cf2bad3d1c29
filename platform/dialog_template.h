// A portable description of our dialog templates. The Win32 build uses the
// real templates in res/morimo.rc; the simulated desktop builds its dialogs
// from these descriptions, and a test keeps both in step.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace mm {

struct DialogItemTemplate {
  int id;               // -1 for static controls without an id
  std::string cls;      // "Button", "Static", "SysListView32", "ComboBox", "Edit"
  std::string textUtf8;
  DWORD style;
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

// The template with that id, or nullptr. Defined in res/.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace mm
