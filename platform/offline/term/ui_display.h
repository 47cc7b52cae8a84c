// Where the terminal UI shows its canvas and gets its keys from: the real
// terminal (terminal_session.cpp) or, in tests, a scripted one.
#pragma once

#include "platform/offline/term/ui_canvas.h"

namespace ui::term {

enum class KeyCode { None, Enter, Escape, Tab, BackTab, Left, Right, Up, Down, Space, Function, Char, Resize, End };

struct Key {
  KeyCode code = KeyCode::None;
  char32_t ch = 0;  // Char: the character; Function: the number (F2 is 2)
};

class Display {
 public:
  virtual ~Display() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void Present(const Canvas& canvas) = 0;
  // The next key; End when no more keys can come (the input is gone).
  virtual Key ReadKey() = 0;
};

// The display the modal loops use; null outside an interactive run, where
// DoModal fails with -1 and message boxes with 0.
Display* CurrentDisplay();
void SetCurrentDisplay(Display* display);

// Draws every visible top-level window (or the "enlarge" note) on a canvas
// of the display's size.
Canvas RenderScreen(int width, int height);

// The size the screen must have for the windows now open.
void RequiredSize(long* width, long* height);

}  // namespace ui::term
