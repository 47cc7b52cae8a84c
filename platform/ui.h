// The user interface as the program sees it: an application object, modal
// dialogs built from templates, a property sheet with pages, message boxes,
// the system menu and icons. The program's classes derive from these and
// override their virtual operations; win32/ puts them over the Windows dialog
// manager and property sheets, offline/ draws them on a text terminal.
//
// Names that Windows headers define as macros (SendMessage, LoadString,
// MessageBox, IDOK, ...) are spelled differently here so that this header
// means the same with and without <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

namespace ui {

// Command and control ids.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kIdHelp = 9;          // a property sheet's Help button
constexpr int kIdApplyNow = 12321;  // a property sheet's Apply Now button
constexpr unsigned kIdHelpCommand = 57670;

// Message box types.
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconQuestion = 0x20;

// Menu item flags.
constexpr unsigned kMfString = 0x0;
constexpr unsigned kMfSeparator = 0x800;

// Messages and their codes.
constexpr unsigned kWmIconEraseBkgnd = 0x0027;
constexpr unsigned kWmSetIcon = 0x0080;
constexpr std::uintptr_t kIconSmall = 0;
constexpr std::uintptr_t kIconBig = 1;

// System metrics.
constexpr int kSmCxIcon = 11;
constexpr int kSmCyIcon = 12;

// ShowWindow and GetWindow commands.
constexpr int kSwHide = 0;
constexpr int kSwShow = 5;
constexpr unsigned kGwOwner = 4;

using WindowHandle = void*;
using IconHandle = void*;
using MenuHandle = void*;
using PaintHandle = void*;

struct Rect {
  long left = 0, top = 0, right = 0, bottom = 0;
  long Width() const { return right - left; }
  long Height() const { return bottom - top; }
};

class CMenu {
 public:
  explicit CMenu(MenuHandle handle = nullptr) : m_hMenu(handle) {}
  MenuHandle GetSafeHmenu() const { return m_hMenu; }
  // Appends a separator (kMfSeparator) or a text entry with a command id.
  bool AppendMenuItem(unsigned flags, unsigned id = 0, const char16_t* text = nullptr);

 private:
  MenuHandle m_hMenu;
};

// A window by its handle; owns nothing.
class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(WindowHandle handle) : m_hWnd(handle) {}
  virtual ~CWnd() = default;

  WindowHandle GetSafeHwnd() const { return m_hWnd; }

  Rect GetWindowRect() const;  // screen coordinates
  Rect GetClientRect() const;
  void ScreenToClient(Rect& rect) const;
  void MoveWindow(const Rect& rect, bool repaint);
  void ShowWindow(int command);
  bool IsWindowVisible() const;
  bool IsIconic() const;
  CWnd GetWindow(unsigned command) const;  // kGwOwner: the owner, or a null window
  CWnd GetParent() const;
  CWnd GetDlgItem(int id) const;
  void SetItemText(int id, const std::u16string& text);
  std::intptr_t SendMsg(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  CMenu GetSystemMenu(bool revert) const;

 protected:
  WindowHandle m_hWnd = nullptr;

  friend struct WindowDriver;  // each platform's glue between its windows and these objects
};

// Transfers texts between a dialog's string fields and its controls. Only the
// direction from fields to controls exists: the program shows, never edits.
class CDataExchange {
 public:
  using Sink = std::function<void(int id, const std::u16string& text)>;
  explicit CDataExchange(Sink sink) : sink_(std::move(sink)) {}
  const bool m_bSaveAndValidate = false;
  void Put(int id, const std::u16string& text) const {
    if (sink_) sink_(id, text);
  }

 private:
  Sink sink_;
};

// The field's text into control `id`.
inline void DDX_Text(CDataExchange* pDX, int id, const std::u16string& value) { pDX->Put(id, value); }

class CDialog : public CWnd {
 public:
  CDialog(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  ~CDialog() override;

  const DialogTemplate& Template() const { return template_; }

  // Creates the window from the template, runs it until EndDialog and
  // returns EndDialog's result (-1 when the window could not be created).
  virtual std::intptr_t DoModal();
  void EndDialog(int result);

  // Field texts to controls (the only direction there is).
  bool UpdateData(bool saveAndValidate = true);

  // The field texts as they go to the controls, without a window.
  void ExchangeTexts(const CDataExchange::Sink& sink);

  void SetIcon(IconHandle icon, bool bigIcon);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // Runs the data exchange. Returns true to let the dialog manager set the focus.
  virtual bool OnInitDialog();
  virtual void OnOK();      // ends the dialog with kIdOk
  virtual void OnCancel();  // ends the dialog with kIdCancel

  // Message handlers. The base versions hand the message to the default handling.
  virtual void OnSysCommand(unsigned id, std::intptr_t param);
  virtual void OnPaint();
  virtual IconHandle OnQueryDragIcon();

  // From a handler: let the default handling have the current message as well.
  void Default() { defaultHandling_ = true; }

  CWnd* parent_;

 private:
  const DialogTemplate& template_;
  bool defaultHandling_ = false;

  friend struct WindowDriver;
};

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(const DialogTemplate& dialogTemplate) : CDialog(dialogTemplate, nullptr) {}
  // The tab's text: the template's caption.
  std::u16string Caption() const { return Template().caption; }
};

class CPropertySheet : public CWnd {
 public:
  CPropertySheet(const char16_t* caption, CWnd* parent = nullptr, unsigned selectPage = 0);
  CPropertySheet(const CPropertySheet&) = delete;
  CPropertySheet& operator=(const CPropertySheet&) = delete;
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  const std::vector<CPropertyPage*>& Pages() const { return pages_; }
  const std::u16string& Caption() const { return caption_; }

  // Runs the sheet until OK, Esc or the close box ends it; kIdOk or kIdCancel.
  virtual std::intptr_t DoModal();

 protected:
  // Called once the sheet's window and its standard buttons (OK, Cancel,
  // Apply Now, Help) exist, before it is shown.
  virtual bool OnInitDialog();

 private:
  std::u16string caption_;
  CWnd* parent_;
  unsigned selectPage_;
  std::vector<CPropertyPage*> pages_;

  friend struct WindowDriver;
};

// Painting a window during OnPaint.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd& window);
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC();
  PaintHandle GetSafeHdc() const { return hdc_; }
  void DrawIcon(int x, int y, IconHandle icon);

 private:
  CWnd& window_;
  PaintHandle hdc_ = nullptr;
  void* state_ = nullptr;
};

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The program's start-up; false ends the program without a message loop.
  virtual bool InitInstance();
  // The Help command's default handler.
  virtual void OnHelp();

  void EnableControlContainer();
  void Enable3dControls();

  CWnd* m_pMainWnd = nullptr;
};

// Runs `app` as the program: InitInstance, then its message loop if it asked
// for one. Returns the process's exit status. `strings` is the program's
// string table as the resource script has it; LoadStringResource answers from
// it where there are no compiled resources.
int RunApplication(CWinApp& app, const StringResource* strings, std::size_t stringCount);

std::u16string LoadStringResource(int id);
IconHandle LoadIconResource(int id);
int GetSystemMetrics(int index);

// A modal message box; returns kIdYes, kIdNo, kIdOk ...
int ShowMessageBox(CWnd* owner, const char16_t* text, const char16_t* caption, unsigned type);

}  // namespace ui
