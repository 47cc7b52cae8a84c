#include "platform/offline/term/term_window.h"

#include <algorithm>
#include <unordered_set>

#include "platform/offline/term/ui_driver.h"
#include "platform/offline/term/ui_layout.h"

namespace ui::term {
namespace {

std::unordered_set<const Window*>& Live() {
  static std::unordered_set<const Window*> live;
  return live;
}

std::vector<std::unique_ptr<Window>>& TopLevels() {
  static std::vector<std::unique_ptr<Window>> windows;
  return windows;
}

long g_screenWidth = 80, g_screenHeight = 24;

// Forgets the window and its children; the objects behind them lose their handles.
void Unregister(Window* window) {
  for (const auto& child : window->children) Unregister(child.get());
  if (window->dialog != nullptr) WindowDriver::Attach(*window->dialog, nullptr);
  if (window->sheet != nullptr) WindowDriver::Attach(*window->sheet, nullptr);
  Live().erase(window);
}

void Centre(Window* w) {
  const long width = w->rect.Width(), height = w->rect.Height();
  w->rect.left = std::max(0L, (g_screenWidth - width) / 2);
  w->rect.top = std::max(0L, (g_screenHeight - height) / 2);
  w->rect.right = w->rect.left + width;
  w->rect.bottom = w->rect.top + height;
}

}  // namespace

Window* FromHandle(WindowHandle handle) {
  auto* window = static_cast<Window*>(handle);
  return handle != nullptr && Live().count(window) != 0 ? window : nullptr;
}

Window* FromMenu(MenuHandle handle) {
  if (handle == nullptr) return nullptr;
  for (const Window* window : Live())
    if (static_cast<const void*>(&window->systemMenu) == handle) return const_cast<Window*>(window);
  return nullptr;
}

const std::vector<std::unique_ptr<Window>>& TopLevelWindows() { return TopLevels(); }

Window* CreateTopLevel(WindowKind kind, const std::u16string& caption, long clientWidth, long clientHeight,
                       Window* owner) {
  auto window = std::make_unique<Window>();
  window->kind = kind;
  window->text = caption;
  window->framed = true;
  window->owner = owner;
  window->visible = false;  // shown once initialised
  window->rect = Rect{0, 0, std::max(clientWidth, 0L) + 2, std::max(clientHeight, 0L) + 2};
  Centre(window.get());
  Window* result = window.get();
  Live().insert(result);
  TopLevels().push_back(std::move(window));
  return result;
}

Window* CreateChild(Window* parent, WindowKind kind, int id, const std::u16string& text, const Rect& rect) {
  auto window = std::make_unique<Window>();
  window->kind = kind;
  window->id = id;
  window->text = text;
  window->rect = rect;
  window->parent = parent;
  Window* result = window.get();
  Live().insert(result);
  parent->children.push_back(std::move(window));
  return result;
}

void DestroyWindow(Window* window) {
  if (FromHandle(window) == nullptr) return;
  Unregister(window);
  // Windows owned by this one go with it, as on Windows.
  for (const auto& top : TopLevels())
    if (top->owner == window) top->owner = nullptr;
  if (window->parent != nullptr) {
    auto& siblings = window->parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [window](const std::unique_ptr<Window>& w) { return w.get() == window; }),
                   siblings.end());
  } else {
    auto& tops = TopLevels();
    tops.erase(std::remove_if(tops.begin(), tops.end(),
                              [window](const std::unique_ptr<Window>& w) { return w.get() == window; }),
               tops.end());
  }
}

void CentreTopLevels(long screenWidth, long screenHeight) {
  g_screenWidth = screenWidth;
  g_screenHeight = screenHeight;
  for (const auto& window : TopLevels()) Centre(window.get());
}

Rect ClientScreenRect(const Window* window) {
  Rect r = ScreenRect(window);
  if (window->framed) {
    r.left += 1;
    r.top += 1;
    r.right = std::max(r.left, r.right - 1);
    r.bottom = std::max(r.top, r.bottom - 1);
  }
  return r;
}

Rect ScreenRect(const Window* window) {
  if (window->parent == nullptr) return window->rect;
  const Rect origin = ClientScreenRect(window->parent);
  Rect r = window->rect;
  r.left += origin.left;
  r.right += origin.left;
  r.top += origin.top;
  r.bottom += origin.top;
  return r;
}

bool IsVisibleOnScreen(const Window* window) {
  for (; window != nullptr; window = window->parent)
    if (!window->visible) return false;
  return true;
}

Window* ChildById(const Window* window, int id) {
  if (id == kNoControlId) return nullptr;
  for (const auto& child : window->children)
    if (child->id == id) return child.get();
  return nullptr;
}

void CreateControls(Window* window, const DialogTemplate& dialogTemplate) {
  for (std::size_t i = 0; i < dialogTemplate.count && dialogTemplate.controls != nullptr; ++i) {
    const TemplateControl& c = dialogTemplate.controls[i];
    Window* control = CreateChild(window, WindowKind::Control, c.id, c.text != nullptr ? c.text : u"",
                                  DluRectToCells(c.x, c.y, c.cx, c.cy));
    control->control = c.kind;
    control->controlFlags = c.flags;
  }
}

}  // namespace ui::term
