// A dialog template as data: the controls of a dialog resource with their
// kinds, ids, texts and positions in dialog units. The program's templates are
// tables of these; the Windows resource script is written from the same tables
// and the terminal UI lays its windows out from them.
#pragma once

#include <cstddef>

namespace ui {

enum class ControlKind {
  GroupBox,       // a frame with an optional title; without text, a horizontal rule
  StaticText,     // left-aligned static text
  DefPushButton,  // the default push button
  PushButton,
  Icon,    // static icon of resource `resource`
  Bitmap,  // static bitmap of resource `resource`
};

// Control flags beyond the kind's standard style.
enum ControlFlags : unsigned {
  kControlNoPrefix = 1u << 0,  // '&' is shown, not taken as a mnemonic
  kControlGroup = 1u << 1,     // starts a group (buttons; static texts always do)
};

constexpr int kNoControlId = -1;

struct TemplateControl {
  int id;  // kNoControlId for controls without an id
  ControlKind kind;
  const char16_t* text;  // initial text; for icons and bitmaps what a text screen shows instead
  int x, y, cx, cy;      // dialog units
  int resource = 0;      // icon or bitmap resource id
  unsigned flags = 0;    // ControlFlags
};

// Dialog flags.
enum DialogFlags : unsigned {
  kDialogExtended = 1u << 0,   // written as an extended template
  kDialogVisible = 1u << 1,    // WS_VISIBLE
  kDialogAppWindow = 1u << 2,  // WS_EX_APPWINDOW
};

// Every template is a popup with caption, system menu and modal frame, in
// 8 point "MS Sans Serif".
struct DialogTemplate {
  int id;
  const char16_t* caption;  // for a property page also its tab's text
  int cx, cy;               // dialog units
  const TemplateControl* controls;
  std::size_t count;
  unsigned flags = 0;  // DialogFlags
};

// An entry of the string table.
struct StringResource {
  int id;
  const char16_t* text;
};

}  // namespace ui
