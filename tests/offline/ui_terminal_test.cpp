// The terminal UI run against a scripted display: the sheet as the program's
// CDriverPropSheet leaves it, page order and initialisation, dialogs and
// message boxes answering keys, and the layout arithmetic they rest on.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "app/driver_prop_sheet.h"
#include "pages/page_templates.h"
#include "platform/offline/term/ui_display.h"
#include "platform/offline/term/ui_layout.h"

namespace {

using ui::term::Key;
using ui::term::KeyCode;

// A screen of a given size that takes its keys from a list and keeps every
// screen it was shown. When the keys run out, the input has ended.
class ScriptedDisplay : public ui::term::Display {
 public:
  ScriptedDisplay(int width, int height, std::vector<Key> keys)
      : width_(width), height_(height), keys_(keys.begin(), keys.end()) {
    ui::term::SetCurrentDisplay(this);
  }
  ~ScriptedDisplay() override { ui::term::SetCurrentDisplay(nullptr); }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Present(const ui::term::Canvas& canvas) override {
    std::vector<std::string> rows;
    for (int y = 0; y < canvas.Height(); ++y) rows.push_back(canvas.RowUtf8(y));
    screens.push_back(rows);
  }
  Key ReadKey() override {
    if (keys_.empty()) return Key{KeyCode::End, 0};
    Key key = keys_.front();
    keys_.pop_front();
    return key;
  }

  bool Shows(std::size_t screen, const std::string& text) const {
    for (const std::string& row : screens.at(screen))
      if (row.find(text) != std::string::npos) return true;
    return false;
  }

  std::vector<std::vector<std::string>> screens;

 private:
  int width_, height_;
  std::deque<Key> keys_;
};

Key K(KeyCode code) { return Key{code, 0}; }
Key Char(char32_t c) { return Key{KeyCode::Char, c}; }
Key F(unsigned n) { return Key{KeyCode::Function, n}; }

// A page that notes when its initialisation runs.
class NotingPage : public ui::CPropertyPage {
 public:
  NotingPage(int templateId, std::vector<int>* log)
      : ui::CPropertyPage(*pages::FindPageTemplate(templateId)), log_(log) {}

 protected:
  bool OnInitDialog() override {
    log_->push_back(Template().id);
    return ui::CPropertyPage::OnInitDialog();
  }
  void DoDataExchange(ui::CDataExchange* pDX) override {
    // What a page's data exchange does: its line into its control.
    if (Template().id == 130) ui::DDX_Text(pDX, 1000, u"Korvane Version:   --- Pellwyn.exe v4.5.6.7 ---");
  }

 private:
  std::vector<int>* log_;
};

// Columns of the first occurrence of `text` on a screen, or -1.
long ColumnOf(const std::vector<std::string>& screen, const std::string& text, long* row = nullptr) {
  for (std::size_t y = 0; y < screen.size(); ++y) {
    const std::size_t at = screen[y].find(text);
    if (at == std::string::npos) continue;
    if (row != nullptr) *row = static_cast<long>(y);
    // Count characters, not bytes: the frame is drawn with multi-byte characters.
    long column = 0;
    for (std::size_t i = 0; i < at; ++i)
      if ((static_cast<unsigned char>(screen[y][i]) & 0xC0) != 0x80) ++column;
    return column;
  }
  return -1;
}

TEST(TerminalSheet, OnlyOkIsLeftAndItSitsInTheMiddleOnEveryScreenSize) {
  for (int width : {80, 100, 131}) {
    SCOPED_TRACE(width);
    ScriptedDisplay display(width, 30, {K(KeyCode::Enter)});
    std::vector<int> log;
    NotingPage page(130, &log);
    CDriverPropSheet sheet(u"Driver Information", nullptr, 0);
    sheet.AddPage(&page);
    EXPECT_EQ(sheet.DoModal(), ui::kIdOk);

    ASSERT_EQ(display.screens.size(), 1u);
    const std::vector<std::string>& screen = display.screens[0];
    long sheetLeft = ColumnOf(screen, "┌");
    long sheetRight = ColumnOf(screen, "┐");
    long okRow = -1;
    const long okLeft = ColumnOf(screen, "[>   OK   <]", &okRow);
    ASSERT_GE(okLeft, 0) << "OK is not shown with the focus";
    for (const char* hidden : {"Cancel", "Apply", "Help"})
      for (const std::string& row : screen) EXPECT_EQ(row.find(hidden), std::string::npos) << hidden << " is shown";
    // The middle of the sheet, counted from the left edge of its client area:
    // one column right of the exact middle, the width of the left frame.
    const long okMiddle2 = 2 * okLeft + 12;
    const long sheetMiddle2 = sheetLeft + sheetRight + 1;
    EXPECT_EQ(okMiddle2 - sheetMiddle2, 2)
        << "OK from " << okLeft << " in a sheet from " << sheetLeft << " to " << sheetRight;
    long pageBottom = -1;
    ColumnOf(screen, "Korvane Version:", &pageBottom);
    EXPECT_GT(okRow, pageBottom) << "OK is not under the page";
  }
}

TEST(TerminalSheet, TabsGoRoundInAddOrderAndEachPageStartsOnceWhenFirstShown) {
  ScriptedDisplay display(80, 24,
                          {K(KeyCode::Right), K(KeyCode::Tab), K(KeyCode::Right), K(KeyCode::Left), K(KeyCode::BackTab),
                           K(KeyCode::Escape)});
  std::vector<int> log;
  NotingPage zol(130, &log), misc(136, &log), elx(132, &log);
  CDriverPropSheet sheet(u"Driver Information", nullptr, 0);
  sheet.AddPage(&zol);
  sheet.AddPage(&elx);  // added before misc although constructed after it
  sheet.AddPage(&misc);
  EXPECT_EQ(sheet.DoModal(), ui::kIdCancel);

  EXPECT_EQ(log, (std::vector<int>{130, 132, 136}));
  const char* selected[] = {"[Zolvanta Driver]", "[Emulex StorPort]", "[Miscellaneous]",
                            "[Zolvanta Driver]", "[Miscellaneous]",   "[Emulex StorPort]"};
  ASSERT_EQ(display.screens.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_TRUE(display.Shows(i, selected[i])) << "screen " << i;
  // The page shows the text its data exchange put into its control, at its place.
  long row = -1;
  EXPECT_GE(ColumnOf(display.screens[0], "Korvane Version:   --- Pellwyn.exe v4.5.6.7 ---", &row), 0);
  EXPECT_FALSE(display.Shows(1, "Pellwyn")) << "a hidden page is drawn";
  EXPECT_TRUE(display.Shows(2, "Miscellaneous System Information"));
}

TEST(TerminalSheet, EndOfInputClosesTheSheetAndTheDialogs) {
  ScriptedDisplay display(80, 24, {});
  std::vector<int> log;
  NotingPage page(136, &log);
  CDriverPropSheet sheet(u"Driver Information", nullptr, 0);
  sheet.AddPage(&page);
  EXPECT_EQ(sheet.DoModal(), ui::kIdCancel);
  EXPECT_EQ(ui::ShowMessageBox(nullptr, u"Overwrite?", u"File Writing", ui::kMbYesNo), ui::kIdNo);
}

// A dialog that shows a message box from its initialisation, as the main
// dialog runs the sheet from its own.
class QuestionFirstDialog : public ui::CDialog {
 public:
  QuestionFirstDialog() : ui::CDialog(app::MainDialogTemplate()) {}
  int answer = 0;
  std::vector<unsigned> commands;

 protected:
  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    ui::CMenu menu = GetSystemMenu(false);
    menu.AppendMenuItem(ui::kMfSeparator);
    menu.AppendMenuItem(ui::kMfString, 16, u"&About Fairlock...");
    answer = ui::ShowMessageBox(this, u"First?", u"Caption", ui::kMbYesNo | ui::kMbIconQuestion);
    return true;
  }
  void OnSysCommand(unsigned id, std::intptr_t) override { commands.push_back(id); }
};

TEST(TerminalDialog, NotDrawnBeforeItsInitialisationAndAnsweringKeys) {
  // Esc cannot answer YES/NO; 'n' does. Then F2 is the system menu's entry,
  // Tab moves to NO and Enter presses it.
  ScriptedDisplay display(80, 24, {K(KeyCode::Escape), Char(U'n'), F(2), K(KeyCode::Tab), K(KeyCode::Enter)});
  QuestionFirstDialog dialog;
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  EXPECT_EQ(dialog.answer, ui::kIdNo);
  EXPECT_EQ(dialog.commands, (std::vector<unsigned>{16}));
  ASSERT_EQ(display.screens.size(), 5u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(display.Shows(i, "First?"));
    EXPECT_FALSE(display.Shows(i, "Would you like")) << "the dialog is drawn during its initialisation";
  }
  EXPECT_TRUE(display.Shows(2, "Would you like to print out more detailed"));
  EXPECT_TRUE(display.Shows(2, "F2 About Fairlock..."));
  EXPECT_TRUE(display.Shows(3, "[>   YES   <]"));
  EXPECT_TRUE(display.Shows(4, "[>   NO    <]"));
}

TEST(TerminalDialog, WithoutADisplayNothingRuns) {
  ui::term::SetCurrentDisplay(nullptr);
  QuestionFirstDialog dialog;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(ui::ShowMessageBox(nullptr, u"?", u"?", ui::kMbYesNo), 0);
  EXPECT_TRUE(dialog.commands.empty());
}

TEST(TerminalDialog, TextsFromTheImageCannotReachTheTerminalAsControlSequences) {
  ScriptedDisplay display(80, 24, {K(KeyCode::Enter)});
  ui::ShowMessageBox(nullptr, u"bad \x1b[2J text\a", u"cap\x1b]0;x\x07", 0);
  ASSERT_EQ(display.screens.size(), 1u);
  for (const std::string& row : display.screens[0])
    for (char c : row) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20) << "control character on the screen";
  EXPECT_TRUE(display.Shows(0, "bad \xEF\xBF\xBD[2J text"));
}

TEST(TerminalLayout, DialogUnitsToCells) {
  // The pages' 294 x 148 units, with the sheet around them, fit 80 x 24.
  const ui::Rect page = ui::term::DluRectToCells(0, 0, 294, 148);
  EXPECT_EQ(page.Width(), 74);
  EXPECT_EQ(page.Height(), 19);
  const ui::term::SheetLayout sheet = ui::term::LayoutSheet(page.Width(), page.Height());
  EXPECT_LE(sheet.clientWidth + 2, 80);
  EXPECT_LE(sheet.clientHeight + 2, 24);
  // Edges, not sizes, are rounded: two controls that touch still touch, and a
  // control lower than half a row still takes one.
  const ui::Rect upper = ui::term::DluRectToCells(8, 3, 100, 9);
  const ui::Rect lower = ui::term::DluRectToCells(8, 12, 100, 9);
  EXPECT_EQ(upper.bottom, lower.top);
  EXPECT_EQ(ui::term::DluRectToCells(0, 0, 1, 1).Height(), 1);
  EXPECT_EQ(ui::term::DluToColumns(-6), -2);  // halves away from zero, both ways
  EXPECT_EQ(ui::term::DluToColumns(6), 2);
  // The page's lines keep their order and their rows apart.
  EXPECT_EQ(ui::term::DluRectToCells(8, 22, 282, 8).top, 3);
  EXPECT_EQ(ui::term::DluRectToCells(8, 39, 281, 8).top, 5);
  EXPECT_EQ(ui::term::DluRectToCells(8, 112, 140, 8).top, 14);
  EXPECT_EQ(ui::term::DluRectToCells(8, 126, 142, 8).top, 16);
}

TEST(TerminalLayout, TabRowAlwaysShowsTheSelectedTabWithinItsWidth) {
  std::vector<std::u16string> captions;
  std::size_t count = 0;
  const pages::PageTemplate* templates = pages::PageTemplates(&count);
  for (std::size_t i = 0; i < count; ++i) captions.push_back(templates[i].caption);
  for (long width : {20L, 40L, 76L, 200L}) {
    std::size_t first = 0;
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t k = 0; k < captions.size(); ++k) {
        // Forward on the first pass, backward on the second.
        const std::size_t selected = pass == 0 ? k : captions.size() - 1 - k;
        const ui::term::TabRow row = ui::term::LayoutTabs(captions, selected, first, width);
        first = row.first;
        bool shown = false;
        for (const ui::term::TabItem& item : row.items) {
          shown = shown || item.index == selected;
          if (row.items.size() > 1) {
            EXPECT_LE(item.x + item.width, width - (row.moreRight ? 1 : 0));
          }
          EXPECT_GE(item.x, row.moreLeft ? 1 : 0);
        }
        EXPECT_TRUE(shown) << "width " << width << " selected " << selected;
        EXPECT_EQ(row.moreLeft, row.items.front().index > 0);
      }
    }
  }
  const ui::term::TabRow all = ui::term::LayoutTabs(captions, 3, 0, 200);
  EXPECT_EQ(all.items.size(), captions.size());
  EXPECT_FALSE(all.moreLeft || all.moreRight);
}

TEST(TerminalLayout, WrapKeepsBlanksInsideLinesAndBreaksAtBlanks) {
  using ui::term::WrapText;
  EXPECT_EQ(WrapText(U"Would you like to print out more detailed information", 20),
            (std::vector<std::u32string>{U"Would you like to", U"print out more", U"detailed information"}));
  EXPECT_EQ(WrapText(U"Would you like to print out more detailed information", 19),
            (std::vector<std::u32string>{U"Would you like to", U"print out more", U"detailed", U"information"}));
  EXPECT_EQ(WrapText(U"QueueDepth:    \"32\"", 40), (std::vector<std::u32string>{U"QueueDepth:    \"32\""}));
  EXPECT_EQ(WrapText(U"abcdefghij", 4), (std::vector<std::u32string>{U"abcd", U"efgh", U"ij"}));
}

}  // namespace
