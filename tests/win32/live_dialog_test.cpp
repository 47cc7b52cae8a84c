// The dialog classes on real windows: Windows' dialog manager and comctl32's
// property sheet run them from this binary's resources, and each test drives
// them with posted messages (no timing involved). Without a display Wine can
// create no windows; the tests then skip.
#include "app/dialog_templates.h"
#include "app/driver_prop_sheet.h"
#include "pages/page_templates.h"
#include "platform/ui.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

bool CanCreateWindows() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

#define REQUIRE_WINDOWS() \
  if (!CanCreateWindows()) GTEST_SKIP() << "no display: windows cannot be created here"

HWND H(ui::WindowHandle h) { return static_cast<HWND>(h); }

std::u16string ItemText(HWND dialog, int id) {
  wchar_t buffer[256] = {};
  GetDlgItemTextW(dialog, id, buffer, 256);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

const ui::DialogTemplate& PageTemplate(int id) { return *pages::FindPageTemplate(id); }

// A dialog on the "Miscellaneous" template whose fields go to two controls.
class TextDialog : public ui::CDialog {
 public:
  TextDialog() : ui::CDialog(PageTemplate(136)) {}
  bool hadWindow = false;
  std::map<int, std::u16string> shown;
  int okCalls = 0;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override {
    ui::DDX_Text(pDX, 1025, u"Tandrel:   \"1.2\"");
    ui::DDX_Text(pDX, 1028, u"TEVOCCL:   --- Not Installed ---");
  }
  bool OnInitDialog() override {
    hadWindow = GetSafeHwnd() != nullptr;
    ui::CDialog::OnInitDialog();
    for (int id : {1025, 1026, 1028}) shown[id] = ItemText(H(GetSafeHwnd()), id);
    PostMessageW(H(GetSafeHwnd()), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  }
  void OnOK() override {
    ++okCalls;
    ui::CDialog::OnOK();
  }
};

TEST(LiveDialog, InitialisesFromItsFieldsAndEndsThroughOnOK) {
  REQUIRE_WINDOWS();
  TextDialog dialog;
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_TRUE(dialog.hadWindow);
  EXPECT_TRUE(dialog.shown[1025] == u"Tandrel:   \"1.2\"");
  EXPECT_TRUE(dialog.shown[1028] == u"TEVOCCL:   --- Not Installed ---");
  EXPECT_TRUE(dialog.shown[1026] == u"Sollin Version:") << "a control without a field keeps its template text";
  EXPECT_EQ(dialog.okCalls, 1);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr) << "no window after the run";
}

// System commands: handled ones stay handled, the rest reach the defaults.
class SystemCommandDialog : public ui::CDialog {
 public:
  explicit SystemCommandDialog(bool swallowClose) : ui::CDialog(app::AboutDialogTemplate()), swallow_(swallowClose) {}
  std::vector<unsigned> commands;
  int cancelCalls = 0;

 protected:
  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    PostMessageW(H(GetSafeHwnd()), WM_SYSCOMMAND, SC_CLOSE, 0);
    if (swallow_) PostMessageW(H(GetSafeHwnd()), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  }
  void OnSysCommand(unsigned id, std::intptr_t param) override {
    commands.push_back(id & 0xFFF0u);
    if (!swallow_) ui::CDialog::OnSysCommand(id, param);
  }
  void OnCancel() override {
    ++cancelCalls;
    ui::CDialog::OnCancel();
  }

 private:
  bool swallow_;
};

TEST(LiveDialog, CloseBoxGoesThroughTheDefaultToOnCancel) {
  REQUIRE_WINDOWS();
  SystemCommandDialog dialog(false);
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  EXPECT_EQ(dialog.commands, std::vector<unsigned>{SC_CLOSE});
  EXPECT_EQ(dialog.cancelCalls, 1);
}

TEST(LiveDialog, HandledSystemCommandDoesNotReachTheDefault) {
  REQUIRE_WINDOWS();
  SystemCommandDialog dialog(true);
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(dialog.commands, std::vector<unsigned>{SC_CLOSE});
  EXPECT_EQ(dialog.cancelCalls, 0);
}

// A dialog that answers the drag-icon query and ends itself with its own code.
class IconDialog : public ui::CDialog {
 public:
  IconDialog() : ui::CDialog(app::AboutDialogTemplate()) {}
  ui::IconHandle icon = ui::LoadIconResource(app::kIdMainIcon);
  LRESULT answered = 0;
  LRESULT bigIcon = 0;

 protected:
  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    answered = SendMessageW(H(GetSafeHwnd()), WM_QUERYDRAGICON, 0, 0);
    SetIcon(icon, true);
    bigIcon = SendMessageW(H(GetSafeHwnd()), WM_GETICON, ICON_BIG, 0);
    EndDialog(77);
    return true;
  }
  ui::IconHandle OnQueryDragIcon() override { return icon; }
};

TEST(LiveDialog, DragIconSetIconAndEndDialogResult) {
  REQUIRE_WINDOWS();
  IconDialog dialog;
  ASSERT_NE(dialog.icon, nullptr);
  EXPECT_EQ(dialog.DoModal(), 77);
  EXPECT_EQ(reinterpret_cast<ui::IconHandle>(dialog.answered), dialog.icon);
  EXPECT_EQ(reinterpret_cast<ui::IconHandle>(dialog.bigIcon), dialog.icon);
}

// The application: Help reaches the app's handler, and a dialog without a
// parent is owned by the main window, so that the main window is disabled
// while it runs.
class InnerDialog : public ui::CDialog {
 public:
  InnerDialog() : ui::CDialog(app::AboutDialogTemplate()) {}
  HWND owner = nullptr;

 protected:
  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    owner = ::GetWindow(H(GetSafeHwnd()), GW_OWNER);
    EndDialog(ui::kIdOk);
    return true;
  }
};

class OuterDialog : public ui::CDialog {
 public:
  OuterDialog() : ui::CDialog(app::AboutDialogTemplate()) {}
  HWND self = nullptr;
  HWND innerOwner = nullptr;

 protected:
  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    self = H(GetSafeHwnd());
    InnerDialog inner;
    inner.DoModal();
    innerOwner = inner.owner;
    PostMessageW(self, WM_COMMAND, ui::kIdHelpCommand, 0);
    PostMessageW(self, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  }
};

class TestApp : public ui::CWinApp {
 public:
  int helpCalls = 0;
  std::intptr_t result = 0;
  HWND self = nullptr;
  HWND innerOwner = nullptr;
  bool InitInstance() override {
    OuterDialog dialog;
    m_pMainWnd = &dialog;
    result = dialog.DoModal();
    self = dialog.self;
    innerOwner = dialog.innerOwner;
    m_pMainWnd = nullptr;
    return false;
  }
  void OnHelp() override { ++helpCalls; }
};

TEST(LiveDialog, ApplicationRoutesHelpAndOwnsParentlessDialogs) {
  REQUIRE_WINDOWS();
  TestApp app;
  EXPECT_EQ(ui::RunApplication(app, nullptr, 0), 0);
  EXPECT_EQ(app.result, ui::kIdOk);
  EXPECT_EQ(app.helpCalls, 1);
  ASSERT_NE(app.self, nullptr);
  EXPECT_EQ(app.innerOwner, app.self);
}

// ---- the property sheet -----------------------------------------------------

class TextPage : public ui::CPropertyPage {
 public:
  TextPage(int templateId, int controlId, std::u16string value)
      : ui::CPropertyPage(PageTemplate(templateId)), control_(controlId), value_(std::move(value)) {}
  bool initialised = false;
  std::u16string shown;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override { ui::DDX_Text(pDX, control_, value_); }
  bool OnInitDialog() override {
    initialised = GetSafeHwnd() != nullptr;
    const bool result = ui::CPropertyPage::OnInitDialog();
    shown = ItemText(H(GetSafeHwnd()), control_);
    return result;
  }

 private:
  int control_;
  std::u16string value_;
};

enum class Ending { Ok, Escape, CloseBox };

// The program's sheet, observed after its own initialisation and then ended
// the way the user would.
class ObservedSheet : public CDriverPropSheet {
 public:
  ObservedSheet(unsigned startPage, Ending ending)
      : CDriverPropSheet(u"Driver Information", nullptr, startPage), ending_(ending) {}
  bool initialised = false;
  std::map<int, bool> visible;
  long sheetWidth = 0;
  RECT ok{};
  std::vector<std::u16string> tabs;
  std::u16string caption;

 protected:
  bool OnInitDialog() override {
    const bool result = CDriverPropSheet::OnInitDialog();
    HWND sheet = H(GetSafeHwnd());
    initialised = sheet != nullptr;
    for (int id : {IDOK, IDCANCEL, ui::kIdHelp, ui::kIdApplyNow}) {
      HWND item = ::GetDlgItem(sheet, id);
      visible[id] = item != nullptr && (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    RECT outer{};
    ::GetWindowRect(sheet, &outer);
    sheetWidth = outer.right - outer.left;
    ::GetWindowRect(::GetDlgItem(sheet, IDOK), &ok);
    MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&ok), 2);
    wchar_t text[128] = {};
    GetWindowTextW(sheet, text, 128);
    caption = reinterpret_cast<const char16_t*>(text);
    HWND tab = PropSheet_GetTabControl(sheet);
    for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
      wchar_t label[128] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = label;
      item.cchTextMax = 128;
      SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      tabs.push_back(reinterpret_cast<const char16_t*>(label));
    }
    switch (ending_) {
      case Ending::Ok:
        PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(sheet, IDOK)));
        break;
      case Ending::Escape:
        PostMessageW(::GetDlgItem(sheet, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
      case Ending::CloseBox:
        PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    return result;
  }

 private:
  Ending ending_;
};

struct SheetRun {
  std::intptr_t result;
  bool pageWindowsGone;
};

SheetRun RunSheet(ObservedSheet& sheet, TextPage& first, TextPage& second) {
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  const std::intptr_t result = sheet.DoModal();
  return SheetRun{result,
                  first.GetSafeHwnd() == nullptr && second.GetSafeHwnd() == nullptr && sheet.GetSafeHwnd() == nullptr};
}

TEST(LiveSheet, OnlyOkShowsCentredAndPagesShowTheirTexts) {
  REQUIRE_WINDOWS();
  TextPage zol(130, 1001, u"Driver Version:     \"5.2.0.1\"");
  TextPage misc(136, 1025, u"Tandrel:   --- Not Installed ---");
  ObservedSheet sheet(0, Ending::Ok);
  const SheetRun run = RunSheet(sheet, zol, misc);

  EXPECT_EQ(run.result, ui::kIdOk);
  EXPECT_TRUE(run.pageWindowsGone);
  ASSERT_TRUE(sheet.initialised);
  EXPECT_TRUE(sheet.caption == u"Driver Information");
  EXPECT_TRUE(sheet.visible[IDOK]);
  EXPECT_FALSE(sheet.visible[IDCANCEL]);
  EXPECT_FALSE(sheet.visible[ui::kIdHelp]);
  EXPECT_FALSE(sheet.visible[ui::kIdApplyNow]);
  // Centred on half the outer width, counted from the client area's left edge.
  const long half = (sheet.ok.right - sheet.ok.left) / 2;
  EXPECT_EQ(sheet.ok.left, sheet.sheetWidth / 2 - half);
  EXPECT_EQ(sheet.ok.right, sheet.sheetWidth / 2 + half);
  // Tabs in the order the pages were added, named by their templates.
  EXPECT_EQ(sheet.tabs, (std::vector<std::u16string>{zol.Caption(), misc.Caption()}));
  EXPECT_TRUE(zol.initialised);
  EXPECT_TRUE(zol.shown == u"Driver Version:     \"5.2.0.1\"");
}

TEST(LiveSheet, EscapeEndsTheSheetAlthoughCancelIsHidden) {
  REQUIRE_WINDOWS();
  TextPage zol(130, 1001, u"a");
  TextPage misc(136, 1025, u"Tandrel: b");
  ObservedSheet sheet(1, Ending::Escape);
  const SheetRun run = RunSheet(sheet, zol, misc);
  EXPECT_EQ(run.result, ui::kIdCancel);
  EXPECT_TRUE(run.pageWindowsGone);
  EXPECT_FALSE(sheet.visible[IDCANCEL]);
  EXPECT_TRUE(misc.initialised) << "the sheet opens on the page asked for";
  EXPECT_TRUE(misc.shown == u"Tandrel: b");
}

TEST(LiveSheet, CloseBoxEndsTheSheet) {
  REQUIRE_WINDOWS();
  TextPage zol(130, 1001, u"a");
  TextPage misc(136, 1025, u"b");
  ObservedSheet sheet(0, Ending::CloseBox);
  const SheetRun run = RunSheet(sheet, zol, misc);
  EXPECT_EQ(run.result, ui::kIdCancel);
  EXPECT_TRUE(run.pageWindowsGone);
}

TEST(LiveWindow, NullWindowIsHarmless) {
  // GetDlgItem of a control that does not exist, as the sheet's Help button
  // may be: every operation is a no-op with an empty answer.
  ui::CWnd none;
  none.ShowWindow(ui::kSwHide);
  none.MoveWindow(ui::Rect{1, 2, 3, 4}, true);
  ui::Rect rect{5, 6, 7, 8};
  none.ScreenToClient(rect);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(none.GetWindowRect().Width(), 0);
  EXPECT_EQ(none.GetClientRect().Height(), 0);
  EXPECT_FALSE(none.IsWindowVisible());
  EXPECT_FALSE(none.IsIconic());
  EXPECT_EQ(none.GetDlgItem(1).GetSafeHwnd(), nullptr);
  EXPECT_EQ(none.GetWindow(ui::kGwOwner).GetSafeHwnd(), nullptr);
  EXPECT_EQ(none.GetParent().GetSafeHwnd(), nullptr);
  EXPECT_EQ(none.GetSystemMenu(false).GetSafeHmenu(), nullptr);
  EXPECT_EQ(none.SendMsg(WM_NULL, 0, 0), 0);
}

}  // namespace
