#include "tools/lib/dialog_script.h"

#include <cstdio>

#include "platform/text.h"

namespace tools {
namespace {

// A quoted script string: quotes doubled, backslashes escaped.
std::string Quoted(const char16_t* text) {
  std::string result = "\"";
  for (char c : text::ToUtf8(text != nullptr ? std::u16string(text) : std::u16string())) {
    if (c == '"') {
      result += "\"\"";
    } else if (c == '\\') {
      result += "\\\\";
    } else {
      result += c;
    }
  }
  return result + "\"";
}

std::string Numbers(std::initializer_list<int> values) {
  std::string result;
  for (int v : values) {
    if (!result.empty()) result += ", ";
    result += std::to_string(v);
  }
  return result;
}

std::string Padded(const char* keyword) {
  std::string result = keyword;
  result.resize(16, ' ');
  return result;
}

std::string ControlLine(const ui::TemplateControl& c) {
  const std::string place = Numbers({c.id, c.x, c.y, c.cx, c.cy});
  // A style given to a text or button keyword replaces its default style
  // bits, so a text keeps its group start explicitly.
  std::string extra;
  if (c.kind == ui::ControlKind::StaticText && (c.flags & ui::kControlNoPrefix)) extra = ", SS_NOPREFIX | WS_GROUP";
  if (c.kind != ui::ControlKind::StaticText && (c.flags & ui::kControlGroup)) extra = ", WS_GROUP";
  switch (c.kind) {
    case ui::ControlKind::GroupBox:
      return Padded("GROUPBOX") + Quoted(c.text) + ", " + place + extra;
    case ui::ControlKind::StaticText:
      return Padded("LTEXT") + Quoted(c.text) + ", " + place + extra;
    case ui::ControlKind::DefPushButton:
      return Padded("DEFPUSHBUTTON") + Quoted(c.text) + ", " + place + extra;
    case ui::ControlKind::PushButton:
      return Padded("PUSHBUTTON") + Quoted(c.text) + ", " + place + extra;
    // Pictures as plain static controls: the ICON keyword would drop the size.
    case ui::ControlKind::Icon:
      return Padded("CONTROL") + std::to_string(c.resource) + ", " + std::to_string(c.id) + ", \"Static\", SS_ICON, " +
             Numbers({c.x, c.y, c.cx, c.cy});
    case ui::ControlKind::Bitmap:
      return Padded("CONTROL") + std::to_string(c.resource) + ", " + std::to_string(c.id) +
             ", \"Static\", SS_BITMAP, " + Numbers({c.x, c.y, c.cx, c.cy});
  }
  return std::string();
}

std::string Dialog(const ui::DialogTemplate& t) {
  const bool extended = (t.flags & ui::kDialogExtended) != 0;
  std::string s = std::to_string(t.id) + (extended ? " DIALOGEX " : " DIALOG ") + Numbers({0, 0, t.cx, t.cy}) + "\n";
  s += "STYLE DS_MODALFRAME | WS_POPUP";
  if (t.flags & ui::kDialogVisible) s += " | WS_VISIBLE";
  s += " | WS_CAPTION | WS_SYSMENU\n";
  if (t.flags & ui::kDialogAppWindow) s += "EXSTYLE WS_EX_APPWINDOW\n";
  s += "CAPTION " + Quoted(t.caption) + "\n";
  s += "FONT 8, \"MS Sans Serif\"\n";
  s += "BEGIN\n";
  for (std::size_t i = 0; i < t.count; ++i) s += "    " + ControlLine(t.controls[i]) + "\n";
  s += "END\n";
  return s;
}

}  // namespace

std::string DialogScript(const std::vector<const ui::DialogTemplate*>& templates, const ui::StringResource* strings,
                         std::size_t stringCount) {
  std::string s =
      "// Dialog templates and string table, written by tools/make_rc from the\n"
      "// template tables that the terminal UI also reads. Do not edit: change the\n"
      "// tables and run make_rc.\n"
      "#include <winresrc.h>\n"
      "\n"
      "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n";
  for (const ui::DialogTemplate* t : templates) s += "\n" + Dialog(*t);
  if (stringCount > 0) {
    s += "\nSTRINGTABLE\nBEGIN\n";
    for (std::size_t i = 0; i < stringCount; ++i)
      s += "    " + std::to_string(strings[i].id) + ", " + Quoted(strings[i].text) + "\n";
    s += "END\n";
  }
  return s;
}

}  // namespace tools
