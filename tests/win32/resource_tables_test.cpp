// The compiled dialog resources and string table of the program, read back
// from this binary (which links the same resources/quillon.rc as Quillon.exe),
// must be exactly the template tables that the terminal UI and the pages use.
#include "app/dialog_templates.h"
#include "pages/page_templates.h"
#include "platform/ui.h"
#include "tests/win32/dialog_resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using win32test::ParsedControl;
using win32test::ParsedDialog;

std::vector<const ui::DialogTemplate*> AllTables() {
  std::vector<const ui::DialogTemplate*> all = {&app::AboutDialogTemplate(), &app::MainDialogTemplate()};
  std::size_t count = 0;
  const pages::PageTemplate* pageTemplates = pages::PageTemplates(&count);
  for (std::size_t i = 0; i < count; ++i) all.push_back(&pageTemplates[i]);
  return all;
}

bool ReadResource(int id, LPCWSTR type, std::vector<unsigned char>& bytes) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (info == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, info);
  const DWORD size = SizeofResource(module, info);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  bytes.assign(p, p + size);
  return true;
}

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

bool IsClass(const ParsedControl& c, unsigned ordinal, const char16_t* name) {
  if (c.windowClass.isOrdinal) return c.windowClass.ordinal == ordinal;
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, reinterpret_cast<LPCWSTR>(c.windowClass.text.c_str()), -1,
                        reinterpret_cast<LPCWSTR>(name), -1) == CSTR_EQUAL;
}

// The kind the dialog manager will make of a control.
bool KindOf(const ParsedControl& c, ui::ControlKind& kind) {
  if (IsClass(c, 0x0080, u"Button")) {
    switch (c.style & 0x0F) {
      case BS_PUSHBUTTON:
        kind = ui::ControlKind::PushButton;
        return true;
      case BS_DEFPUSHBUTTON:
        kind = ui::ControlKind::DefPushButton;
        return true;
      case BS_GROUPBOX:
        kind = ui::ControlKind::GroupBox;
        return true;
      default:
        return false;
    }
  }
  if (IsClass(c, 0x0082, u"Static")) {
    switch (c.style & SS_TYPEMASK) {
      case SS_LEFT:
        kind = ui::ControlKind::StaticText;
        return true;
      case SS_ICON:
        kind = ui::ControlKind::Icon;
        return true;
      case SS_BITMAP:
        kind = ui::ControlKind::Bitmap;
        return true;
      default:
        return false;
    }
  }
  return false;
}

void ExpectControl(int dialogId, std::size_t index, const ui::TemplateControl& want, const ParsedControl& got) {
  SCOPED_TRACE("dialog " + std::to_string(dialogId) + ", control " + std::to_string(index));
  EXPECT_EQ(got.id, want.id);
  ui::ControlKind kind{};
  ASSERT_TRUE(KindOf(got, kind)) << "unknown control class or style " << std::hex << got.style;
  EXPECT_EQ(static_cast<int>(kind), static_cast<int>(want.kind));
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.cx, want.cx);
  EXPECT_EQ(got.cy, want.cy);
  if (want.kind == ui::ControlKind::Icon || want.kind == ui::ControlKind::Bitmap) {
    ASSERT_TRUE(got.title.isOrdinal) << "a picture control names its resource by number";
    EXPECT_EQ(static_cast<int>(got.title.ordinal), want.resource);
  } else {
    EXPECT_FALSE(got.title.isOrdinal);
    EXPECT_EQ(Narrow(got.title.text), Narrow(want.text));
    EXPECT_TRUE(got.title.text == want.text) << "texts differ beyond ASCII";
  }
  EXPECT_EQ(got.style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ((got.style & SS_NOPREFIX) != 0 && kind == ui::ControlKind::StaticText,
            (want.flags & ui::kControlNoPrefix) != 0);
  const bool pushButton = kind == ui::ControlKind::PushButton || kind == ui::ControlKind::DefPushButton;
  if (pushButton) {
    EXPECT_NE(got.style & WS_TABSTOP, 0u) << "buttons are reached with Tab";
    EXPECT_EQ((got.style & WS_GROUP) != 0, (want.flags & ui::kControlGroup) != 0);
  }
}

TEST(DialogResources, EveryTemplateIsCompiledFromItsTable) {
  for (const ui::DialogTemplate* table : AllTables()) {
    SCOPED_TRACE("dialog " + std::to_string(table->id));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadResource(table->id, reinterpret_cast<LPCWSTR>(RT_DIALOG), bytes));
    ParsedDialog dialog;
    std::string error;
    ASSERT_TRUE(win32test::ParseDialogResource(bytes.data(), bytes.size(), dialog, error)) << error;

    EXPECT_EQ(dialog.extended, (table->flags & ui::kDialogExtended) != 0);
    EXPECT_EQ(Narrow(dialog.caption), Narrow(table->caption));
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, table->cx);
    EXPECT_EQ(dialog.cy, table->cy);
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & frame, frame);
    EXPECT_EQ((dialog.style & WS_VISIBLE) != 0, (table->flags & ui::kDialogVisible) != 0);
    EXPECT_EQ((dialog.exStyle & WS_EX_APPWINDOW) != 0, (table->flags & ui::kDialogAppWindow) != 0);
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.text.empty()) << "no menu";
    EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty()) << "the standard dialog class";
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(Narrow(dialog.typeface), "MS Sans Serif");

    ASSERT_EQ(dialog.controls.size(), table->count);
    for (std::size_t i = 0; i < table->count; ++i) ExpectControl(table->id, i, table->controls[i], dialog.controls[i]);
  }
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* ids = reinterpret_cast<std::set<int>*>(param);
  ids->insert(IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1);
  return TRUE;
}

TEST(DialogResources, NoDialogWithoutATable) {
  std::set<int> compiled;
  EnumResourceNamesW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(RT_DIALOG), CollectName,
                     reinterpret_cast<LONG_PTR>(&compiled));
  std::set<int> tables;
  for (const ui::DialogTemplate* table : AllTables()) tables.insert(table->id);
  EXPECT_EQ(compiled, tables);
  EXPECT_EQ(tables, (std::set<int>{100, 102, 130, 131, 132, 133, 134, 135, 136}));
}

TEST(DialogResources, MalformedTemplatesAreRejected) {
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadResource(102, reinterpret_cast<LPCWSTR>(RT_DIALOG), bytes));
  ParsedDialog dialog;
  std::string error;
  // Cut short anywhere before its last control's end (at most DWORD padding
  // follows), the template must be refused, never read beyond its end.
  std::size_t shortest = bytes.size() + 1;
  for (std::size_t size = 0; size <= bytes.size(); ++size) {
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    if (win32test::ParseDialogResource(cut.data(), cut.size(), dialog, error)) {
      shortest = size;
      break;
    }
  }
  EXPECT_LE(shortest, bytes.size());
  EXPECT_GE(shortest + 3, bytes.size());
  EXPECT_EQ(dialog.controls.size(), app::MainDialogTemplate().count);
  // An absurd control count.
  std::vector<unsigned char> many = bytes;
  many[16] = 0xFF;
  many[17] = 0xFF;
  EXPECT_FALSE(win32test::ParseDialogResource(many.data(), many.size(), dialog, error));
}

TEST(StringResources, StringTableMatchesItsTable) {
  std::size_t count = 0;
  const ui::StringResource* strings = app::StringTable(&count);
  ASSERT_GT(count, 0u);
  for (std::size_t i = 0; i < count; ++i) EXPECT_TRUE(ui::LoadStringResource(strings[i].id) == strings[i].text);
  EXPECT_TRUE(ui::LoadStringResource(app::kIdsAboutBox) == u"&About Fairlock...");
  EXPECT_TRUE(ui::LoadStringResource(4242).empty()) << "a missing string is empty";
}

}  // namespace
