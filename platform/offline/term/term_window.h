// The terminal UI's windows: dialogs, pages, the sheet, message boxes and
// their controls, each an object behind a WindowHandle with a rectangle in
// character cells. A child's rectangle is in its parent's client coordinates,
// a top-level window's in screen coordinates, as on Windows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace ui::term {

enum class WindowKind { Dialog, Page, Sheet, MessageBox, Control };

struct MenuEntry {
  unsigned flags;
  unsigned id;
  std::u16string text;
};

struct Window {
  WindowKind kind = WindowKind::Control;
  ControlKind control = ControlKind::StaticText;  // for controls
  unsigned controlFlags = 0;                      // ControlFlags, for controls
  int id = kNoControlId;
  std::u16string text;
  Rect rect;
  bool visible = true;
  bool framed = false;  // a one-cell frame with the caption in its top line
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<std::unique_ptr<Window>> children;

  CDialog* dialog = nullptr;  // the dialog or page object behind the window
  std::vector<MenuEntry> systemMenu;
  Window* focus = nullptr;          // the focused push button
  std::u16string hint;              // keys shown on the bottom frame line
  CPropertySheet* sheet = nullptr;  // the sheet object behind a sheet window
  std::size_t page = 0;             // a sheet's selected page
  std::size_t firstTab = 0;         // a sheet's first tab shown
  bool ended = false;
  int result = 0;
};

// The window behind a handle, or null for null, destroyed or foreign handles.
Window* FromHandle(WindowHandle handle);
inline WindowHandle HandleOf(Window* window) { return window; }

// The system menu whose handle GetSystemMenu gave out, or null.
Window* FromMenu(MenuHandle handle);
inline MenuHandle MenuOf(Window* window) { return &window->systemMenu; }

// Top-level windows in z-order (bottom first). They are centred on the screen.
const std::vector<std::unique_ptr<Window>>& TopLevelWindows();
Window* CreateTopLevel(WindowKind kind, const std::u16string& caption, long clientWidth, long clientHeight,
                       Window* owner);
Window* CreateChild(Window* parent, WindowKind kind, int id, const std::u16string& text, const Rect& rect);
// Destroys the window and its children; their handles stop working.
void DestroyWindow(Window* window);

// Centres every top-level window on a screen of this size.
void CentreTopLevels(long screenWidth, long screenHeight);

Rect ScreenRect(const Window* window);
Rect ClientScreenRect(const Window* window);   // the client area in screen coordinates
bool IsVisibleOnScreen(const Window* window);  // it and every parent visible
Window* ChildById(const Window* window, int id);

// Creates the controls of a template in `window`'s client area.
void CreateControls(Window* window, const DialogTemplate& dialogTemplate);

}  // namespace ui::term
