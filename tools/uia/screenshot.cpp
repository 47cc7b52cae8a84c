// Captures a window's area from the screen into a 24-bit BMP file.
#include <cstdio>

#include "tools/uia/uia.h"

namespace uia {
namespace {

// Frees the GDI objects of one capture on every path.
struct Capture {
  HDC screen = nullptr;
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  ~Capture() {
    if (previous) SelectObject(memory, previous);
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
  }
};

void WriteBmp(const std::wstring& path, int width, int height, const unsigned char* bits, int stride) {
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows, as GetDIBits delivered them
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height);
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) Fail("cannot write " + Utf8(path));
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
            std::fwrite(bits, 1, info.biSizeImage, f) == info.biSizeImage;
  if (std::fclose(f) != 0 || !ok) Fail("cannot write " + Utf8(path));
}

struct TitleSearch {
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<TitleSearch*>(lParam);
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  if (IsWindowVisible(hwnd) && *s->title == text) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleWindowTitled(const std::wstring& title) {
  TitleSearch search = {&title, nullptr};
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int CmdScreenshot(const Args& args) {
  if (args.size() != 2) Fail("usage: screenshot TITLE OUT.bmp");
  HWND hwnd = nullptr;
  if (!Poll([&] { return (hwnd = VisibleWindowTitled(args[0])) != nullptr; }))
    Fail("no visible window " + Quoted(args[0]) + "; visible windows: " + VisibleWindows());
  // Have the window paint itself now and wait until its thread has done so.
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  GdiFlush();
  // The X server draws asynchronously to the program's GDI calls.
  Sleep(300);

  RECT r;
  GetWindowRect(hwnd, &r);
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  RECT visible = {r.left < 0 ? 0 : r.left, r.top < 0 ? 0 : r.top, r.right > screenW ? screenW : r.right,
                  r.bottom > screenH ? screenH : r.bottom};
  const int width = visible.right - visible.left, height = visible.bottom - visible.top;
  if (width <= 0 || height <= 0) Fail(Quoted(args[0]) + " is off the screen");

  Capture cap;
  cap.screen = GetDC(nullptr);
  cap.memory = cap.screen ? CreateCompatibleDC(cap.screen) : nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  cap.bitmap = cap.memory ? CreateDIBSection(cap.screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (cap.bitmap == nullptr || bits == nullptr)
    Fail("cannot create a bitmap of " + std::to_string(width) + "x" + std::to_string(height));
  cap.previous = SelectObject(cap.memory, cap.bitmap);
  if (!BitBlt(cap.memory, 0, 0, width, height, cap.screen, visible.left, visible.top, SRCCOPY | CAPTUREBLT))
    Fail("BitBlt from the screen failed");
  GdiFlush();
  const int stride = (width * 3 + 3) / 4 * 4;
  WriteBmp(args[1], width, height, static_cast<const unsigned char*>(bits), stride);
  std::printf("%s (%dx%d at %ld,%ld) written to %s\n", Quoted(args[0]).c_str(), width, height, visible.left,
              visible.top, Utf8(args[1]).c_str());
  return 0;
}

}  // namespace uia
