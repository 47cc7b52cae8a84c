// The modal windows: dialogs from templates, the property sheet with its tabs
// and standard buttons, and message boxes, each running its own key loop on
// the current display until it ends.
#include <algorithm>
#include <functional>

#include "platform/offline/term/ui_display.h"
#include "platform/offline/term/ui_driver.h"
#include "platform/offline/term/ui_layout.h"
#include "platform/offline/term/term_window.h"

namespace ui {
namespace {

using term::Key;
using term::KeyCode;
using term::Window;
using term::WindowKind;

bool IsButton(const Window& w) {
  return w.kind == WindowKind::Control &&
         (w.control == ControlKind::PushButton || w.control == ControlKind::DefPushButton);
}

std::vector<Window*> VisibleButtons(const Window* w) {
  std::vector<Window*> buttons;
  for (const auto& child : w->children)
    if (IsButton(*child) && child->visible) buttons.push_back(child.get());
  return buttons;
}

// Tab and the arrows move the focus among the buttons, forwards (Tab, Right,
// Down) or back; false for any other key.
bool MoveFocus(Window* w, KeyCode code) {
  int step = 0;
  switch (code) {
    case KeyCode::Tab:
    case KeyCode::Right:
    case KeyCode::Down:
      step = +1;
      break;
    case KeyCode::BackTab:
    case KeyCode::Left:
    case KeyCode::Up:
      step = -1;
      break;
    default:
      return false;
  }
  const std::vector<Window*> buttons = VisibleButtons(w);
  if (buttons.empty()) return true;
  auto it = std::find(buttons.begin(), buttons.end(), w->focus);
  const std::size_t at =
      it == buttons.end() ? (step > 0 ? buttons.size() - 1 : 0) : static_cast<std::size_t>(it - buttons.begin());
  w->focus = buttons[term::NextPage(at, buttons.size(), step)];
  return true;
}

// The window that new modal windows belong to: the topmost one shown.
Window* ActiveWindow() {
  const auto& tops = term::TopLevelWindows();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it)
    if ((*it)->visible) return it->get();
  return nullptr;
}

Window* OwnerFor(CWnd* parent) {
  Window* owner = parent != nullptr ? term::FromHandle(parent->GetSafeHwnd()) : nullptr;
  return owner != nullptr ? owner : ActiveWindow();
}

// Shows the screen and hands keys to `onKey` until the window has ended.
// When no more keys can come, `onEnd` ends it.
void RunLoop(term::Display& display, Window* w, const std::function<void(const Key&)>& onKey,
             const std::function<void()>& onEnd, const std::function<void()>& beforeDraw = {}) {
  while (term::FromHandle(w) != nullptr && !w->ended) {
    if (beforeDraw) beforeDraw();
    const int width = display.Width(), height = display.Height();
    display.Present(term::RenderScreen(width, height));
    const Key key = display.ReadKey();
    if (key.code == KeyCode::End) {
      onEnd();
      break;
    }
    long needWidth = 0, needHeight = 0;
    term::RequiredSize(&needWidth, &needHeight);
    if (key.code == KeyCode::None || key.code == KeyCode::Resize || width < needWidth || height < needHeight)
      continue;  // nothing to press on a screen that shows only the "enlarge" note
    onKey(key);
  }
}

// Destroys the window when the modal run ends, however it ends.
struct WindowGuard {
  Window* window;
  ~WindowGuard() { term::DestroyWindow(window); }
};

void PressButton(CDialog& dialog, const Window& button) {
  if (button.id == kIdOk)
    WindowDriver::Ok(dialog);
  else if (button.id == kIdCancel)
    WindowDriver::Cancel(dialog);
  else
    dialog.EndDialog(button.id);
}

void DialogKey(CDialog& dialog, Window* w, const Key& key) {
  switch (key.code) {
    case KeyCode::Enter: {
      // Enter presses the focused push button, else the default one.
      Window* button = w->focus;
      if (button == nullptr) {
        for (Window* b : VisibleButtons(w))
          if (b->control == ControlKind::DefPushButton) button = b;
      }
      if (button != nullptr)
        PressButton(dialog, *button);
      else
        WindowDriver::Ok(dialog);
      break;
    }
    case KeyCode::Space:
      if (w->focus != nullptr) PressButton(dialog, *w->focus);
      break;
    case KeyCode::Escape:
      WindowDriver::Cancel(dialog);
      break;
    case KeyCode::Function: {
      // F2, F3, ... are the system menu's entries, as the frame shows them.
      unsigned n = 2;
      for (const term::MenuEntry& entry : w->systemMenu) {
        if ((entry.flags & kMfSeparator) != 0) continue;
        if (key.ch == n++) {
          const unsigned id = entry.id;
          WindowDriver::SysCommand(dialog, id);
          break;
        }
      }
      break;
    }
    default:
      MoveFocus(w, key.code);
      break;
  }
}

std::u16string FromDisplay(const std::u32string& line) {
  std::u16string out;
  for (char32_t c : line) {
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace

CDialog::~CDialog() {
  if (Window* w = term::FromHandle(m_hWnd)) {
    w->dialog = nullptr;
    term::DestroyWindow(w);
  }
}

std::intptr_t CDialog::DoModal() {
  term::Display* display = term::CurrentDisplay();
  if (display == nullptr || term::FromHandle(m_hWnd) != nullptr) return -1;
  const DialogTemplate& t = Template();
  Window* w = term::CreateTopLevel(WindowKind::Dialog, t.caption != nullptr ? t.caption : u"", term::DluToColumns(t.cx),
                                   term::DluToRows(t.cy), OwnerFor(parent_));
  WindowGuard guard{w};
  w->dialog = this;
  term::CreateControls(w, t);
  m_hWnd = w;

  // Nothing of the dialog is drawn before its initialisation is over: it may
  // run other windows (the sheet) first.
  WindowDriver::InitDialog(*this);
  if (term::FromHandle(w) == nullptr) return -1;
  if (w->focus == nullptr) {
    const std::vector<Window*> buttons = VisibleButtons(w);
    if (!buttons.empty()) w->focus = buttons.front();
  }
  w->visible = true;
  RunLoop(
      *display, w, [this, w](const Key& key) { DialogKey(*this, w, key); },
      [this, w] {
        WindowDriver::Cancel(*this);
        if (!w->ended) EndDialog(kIdCancel);
      },
      [this] { WindowDriver::Paint(*this); });
  return term::FromHandle(w) != nullptr ? w->result : -1;
}

void CDialog::EndDialog(int result) {
  if (Window* w = term::FromHandle(m_hWnd)) {
    w->ended = true;
    w->result = result;
  }
}

void CDialog::SetIcon(IconHandle icon, bool bigIcon) {
  SendMsg(kWmSetIcon, bigIcon ? kIconBig : kIconSmall, reinterpret_cast<std::intptr_t>(icon));
}

CPropertySheet::~CPropertySheet() {
  if (Window* w = term::FromHandle(m_hWnd)) {
    w->sheet = nullptr;
    term::DestroyWindow(w);
  }
}

namespace {

// The standard buttons, as the system's property sheet has them.
void AddStandardButtons(Window* sheet, const term::SheetLayout& layout) {
  struct StandardButton {
    int id;
    const char16_t* text;
  };
  const StandardButton standard[4] = {
      {kIdOk, u"OK"}, {kIdCancel, u"Cancel"}, {kIdApplyNow, u"&Apply Now"}, {kIdHelp, u"Help"}};
  for (int i = 0; i < 4; ++i) {
    Window* button = term::CreateChild(sheet, WindowKind::Control, standard[i].id, standard[i].text, layout.buttons[i]);
    button->control = i == 0 ? ControlKind::DefPushButton : ControlKind::PushButton;
  }
}

// The message box's icon, drawn as text; null for none.
const char16_t* IconText(unsigned type) {
  switch (type & 0xF0u) {
    case 0x10:
      return u"(X)";
    case kMbIconQuestion:
      return u"(?)";
    case 0x30:
      return u"(!)";
    case 0x40:
      return u"(i)";
    default:
      return nullptr;
  }
}

}  // namespace

std::intptr_t CPropertySheet::DoModal() {
  term::Display* display = term::CurrentDisplay();
  if (display == nullptr || term::FromHandle(m_hWnd) != nullptr) return -1;

  // The page area fits the largest page, as on Windows.
  long pageWidth = 0, pageHeight = 0;
  for (CPropertyPage* page : pages_) {
    pageWidth = std::max(pageWidth, term::DluToColumns(page->Template().cx));
    pageHeight = std::max(pageHeight, term::DluToRows(page->Template().cy));
  }
  const term::SheetLayout layout = term::LayoutSheet(pageWidth, pageHeight);
  Window* w =
      term::CreateTopLevel(WindowKind::Sheet, caption_, layout.clientWidth, layout.clientHeight, OwnerFor(parent_));
  WindowGuard guard{w};
  w->sheet = this;
  w->hint = u"Left/Right: page   Enter: OK   Esc: close";
  m_hWnd = w;

  AddStandardButtons(w, layout);

  // A page's window, its controls and its initialisation come when it is first shown.
  std::vector<Window*> pageWindows(pages_.size(), nullptr);
  auto showPage = [this, w, &layout, &pageWindows](std::size_t index) {
    if (index >= pages_.size()) return;
    for (Window* shown : pageWindows)
      if (term::FromHandle(shown) != nullptr) shown->visible = false;
    w->page = index;
    if (pageWindows[index] == nullptr) {
      CPropertyPage* page = pages_[index];
      Window* pw = term::CreateChild(w, WindowKind::Page, kNoControlId, page->Caption(), layout.page);
      pw->dialog = page;
      term::CreateControls(pw, page->Template());
      pageWindows[index] = pw;
      WindowDriver::Attach(*page, pw);
      WindowDriver::InitDialog(*page);
    }
    if (Window* pw = term::FromHandle(pageWindows[index])) pw->visible = true;
  };
  showPage(selectPage_ < pages_.size() ? selectPage_ : 0);
  WindowDriver::InitSheet(*this);
  if (term::FromHandle(w) == nullptr) return -1;
  Window* ok = term::ChildById(w, kIdOk);
  w->focus = ok != nullptr && ok->visible ? ok : nullptr;
  w->visible = true;

  auto end = [w](int result) {
    w->ended = true;
    w->result = result;
  };
  RunLoop(
      *display, w,
      [this, w, &showPage, &end](const Key& key) {
        switch (key.code) {
          case KeyCode::Right:
          case KeyCode::Tab:
            showPage(term::NextPage(w->page, pages_.size(), +1));
            break;
          case KeyCode::Left:
          case KeyCode::BackTab:
            showPage(term::NextPage(w->page, pages_.size(), -1));
            break;
          case KeyCode::Enter:
          case KeyCode::Space:
            end(kIdOk);
            break;
          case KeyCode::Escape:
            end(kIdCancel);
            break;
          default:
            break;
        }
      },
      [&end] { end(kIdCancel); });
  return term::FromHandle(w) != nullptr ? w->result : -1;
}

int ShowMessageBox(CWnd* owner, const char16_t* text, const char16_t* caption, unsigned type) {
  term::Display* display = term::CurrentDisplay();
  if (display == nullptr) return 0;
  const bool yesNo = (type & 0xFu) == kMbYesNo;
  struct Choice {
    int id;
    const char16_t* text;
  };
  const std::vector<Choice> choices =
      yesNo ? std::vector<Choice>{{kIdYes, u"&Yes"}, {kIdNo, u"&No"}} : std::vector<Choice>{{kIdOk, u"OK"}};
  const char16_t* iconText = IconText(type);
  const std::u16string captionText = caption != nullptr ? caption : u"Error";
  const term::MessageLayout layout =
      term::LayoutMessage(text != nullptr ? text : u"", captionText, choices.size(), iconText != nullptr);
  Window* w = term::CreateTopLevel(WindowKind::MessageBox, captionText, layout.clientWidth, layout.clientHeight,
                                   OwnerFor(owner));
  WindowGuard guard{w};
  if (iconText != nullptr) {
    Window* icon = term::CreateChild(w, WindowKind::Control, kNoControlId, iconText, Rect{2, 1, 5, 2});
    icon->control = ControlKind::Icon;
  }
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const long y = 1 + static_cast<long>(i);
    Window* line = term::CreateChild(w, WindowKind::Control, kNoControlId, FromDisplay(layout.lines[i]),
                                     Rect{layout.textLeft, y, layout.clientWidth - 2, y + 1});
    line->controlFlags = kControlNoPrefix;
  }
  for (std::size_t i = 0; i < choices.size(); ++i) {
    Window* button = term::CreateChild(w, WindowKind::Control, choices[i].id, choices[i].text, layout.buttons[i]);
    button->control = i == 0 ? ControlKind::DefPushButton : ControlKind::PushButton;
    if (i == 0) w->focus = button;
  }
  w->visible = true;

  auto end = [w](int result) {
    w->ended = true;
    w->result = result;
  };
  RunLoop(
      *display, w,
      [w, yesNo, &end](const Key& key) {
        switch (key.code) {
          case KeyCode::Enter:
          case KeyCode::Space:
            if (w->focus != nullptr) end(w->focus->id);
            break;
          case KeyCode::Escape:
            if (!yesNo) end(kIdOk);  // a YES/NO question must be answered
            break;
          case KeyCode::Char:
            if (yesNo && (key.ch == U'y' || key.ch == U'Y')) end(kIdYes);
            if (yesNo && (key.ch == U'n' || key.ch == U'N')) end(kIdNo);
            break;
          default:
            MoveFocus(w, key.code);
            break;
        }
      },
      [yesNo, &end] { end(yesNo ? kIdNo : kIdOk); });
  return term::FromHandle(w) != nullptr ? w->result : 0;
}

}  // namespace ui
