// make_pictures DIR: draws the program's pictures and writes them into DIR:
//   quillon.ico  icon 128: a padlock whose shackle is an orange fibre cable
//                and whose body is a blue adapter card with gold contacts,
//                32x32 and 16x16, 16 colours each;
//   banner.bmp   bitmap 131: the main dialog's banner, 506x43, 24 bits per
//                pixel: a blue gradient, the padlock, "Fairlock" in a pixel
//                font drawn here, and a few fibre strands ending in light.
// Everything is computed from the code below with integer and IEEE double
// arithmetic only, so the files come out the same byte for byte on every run.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
  double r, g, b;
};

// The icon's 16 colours. Index 0 is also what transparent pixels carry.
const Rgb kPalette[16] = {
    {0, 0, 0},        // 0 black (transparent)
    {10, 24, 60},     // 1 outline: deep navy
    {22, 52, 120},    // 2 body dark blue
    {36, 84, 168},    // 3 body blue
    {84, 140, 214},   // 4 body highlight
    {176, 208, 244},  // 5 pale blue
    {255, 255, 255},  // 6 white
    {150, 62, 10},    // 7 cable shadow
    {224, 110, 24},   // 8 cable orange
    {252, 170, 70},   // 9 cable highlight
    {196, 152, 44},   // 10 gold contacts
    {250, 214, 110},  // 11 gold highlight
    {128, 128, 128},  // 12 grey
    {192, 192, 192},  // 13 light grey
    {64, 64, 64},     // 14 dark grey
    {255, 240, 200},  // 15 warm light
};

constexpr int kTransparent = -1;

// An image of palette indexes, kTransparent where the icon is see-through.
struct IndexImage {
  int size;
  std::vector<int> px;
  explicit IndexImage(int s) : size(s), px(static_cast<std::size_t>(s * s), kTransparent) {}
  int& at(int x, int y) { return px[static_cast<std::size_t>(y * size + x)]; }
  int at(int x, int y) const { return px[static_cast<std::size_t>(y * size + x)]; }
};

bool InRoundRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = x < left + radius ? left + radius : (x > right - radius ? right - radius : x);
  const double cy = y < top + radius ? top + radius : (y > bottom - radius ? bottom - radius : y);
  const double dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

// The padlock, designed on a 32 x 32 grid and sampled at the pixel centres of
// a `size` x `size` image, so that the 16-pixel version keeps the proportions.
IndexImage DrawLock(int size) {
  IndexImage img(size);
  const double scale = 32.0 / size;
  const double unit = scale;  // one pixel, in design units
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const double x = (px + 0.5) * scale, y = (py + 0.5) * scale;
      int colour = kTransparent;

      // Shackle: a half ring above the body with two straight legs into it.
      const double cx = 16.0, cy = 13.0, outer = 10.0, inner = 5.6;
      const double dx = x - cx, dy = y - cy;
      const double d = std::sqrt(dx * dx + dy * dy);
      bool shackle = false;
      double across = 0.0;  // 0 at the outer edge .. 1 at the inner edge
      if (y <= cy && d <= outer && d >= inner) {
        shackle = true;
        across = (outer - d) / (outer - inner);
      } else if (y > cy && y < 18.0) {
        if (x >= cx - outer && x <= cx - inner) {
          shackle = true;
          across = (x - (cx - outer)) / (outer - inner);
        } else if (x >= cx + inner && x <= cx + outer) {
          shackle = true;
          across = ((cx + outer) - x) / (outer - inner);
        }
      }
      if (shackle) {
        const double edge = unit / (outer - inner);
        if (outer - inner < 4.0 * unit)  // too thin for edges: lit outside, shaded inside
          colour = across < 0.5 ? 8 : 7;
        else if (across < edge || across > 1.0 - edge)
          colour = 7;
        else if (across < 0.45)
          colour = 9;
        else
          colour = 8;
      }

      // Body: a rounded card with an outline, a highlight along its top and
      // gold contact fingers along its lower edge.
      const double left = 3.0, right = 29.0, top = 15.0, bottom = 30.0;
      if (InRoundRect(x, y, left, top, right, bottom, 3.0)) {
        const bool inside = InRoundRect(x, y, left + unit, top + unit, right - unit, bottom - unit, 3.0 - unit);
        if (!inside)
          colour = 1;
        else if (y < top + 2.0 * unit)
          colour = 4;
        else if (y < top + 8.0)
          colour = 3;
        else
          colour = 2;
        // Contacts: a row of fingers just above the bottom outline.
        if (inside && y >= bottom - 4.0 && y < bottom - unit && x > left + 4.0 && x < right - 4.0) {
          const double finger = std::fmod(x - (left + 4.0), 3.0);
          if (finger < 2.0) colour = (y < bottom - 3.0 ? 11 : 10);
        }
        // Keyhole, lit from inside as a fibre end would be.
        const double kx = x - 16.0, ky = y - 20.0;
        const double kd = std::sqrt(kx * kx + ky * ky);
        if (kd <= 2.6 || (std::fabs(kx) <= 1.0 && y >= 20.0 && y <= 24.5)) colour = kd <= 1.2 ? 6 : 5;
      }
      img.at(px, py) = colour;
    }
  }
  return img;
}

void Put16(std::string& out, unsigned v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER, 16-colour palette, XOR bits, AND mask.
std::string IconImage(const IndexImage& img) {
  const int n = img.size;
  const int xorStride = ((n * 4 + 31) / 32) * 4;
  const int andStride = ((n + 31) / 32) * 4;
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(n));
  Put32(out, static_cast<std::uint32_t>(2 * n));  // XOR and AND halves
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>((xorStride + andStride) * n));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const Rgb& c : kPalette) {
    out.push_back(static_cast<char>(c.b));
    out.push_back(static_cast<char>(c.g));
    out.push_back(static_cast<char>(c.r));
    out.push_back(0);
  }
  for (int y = n - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(xorStride), '\0');
    for (int x = 0; x < n; ++x) {
      const int index = img.at(x, y) == kTransparent ? 0 : img.at(x, y);
      row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 == 0 ? index << 4 : index);
    }
    out += row;
  }
  for (int y = n - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(andStride), '\0');
    for (int x = 0; x < n; ++x)
      if (img.at(x, y) == kTransparent) row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    out += row;
  }
  return out;
}

std::string IconFile() {
  const IndexImage images[2] = {DrawLock(32), DrawLock(16)};
  std::string bodies[2] = {IconImage(images[0]), IconImage(images[1])};
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, 2);
  std::uint32_t offset = 6 + 2 * 16;
  for (int i = 0; i < 2; ++i) {
    out.push_back(static_cast<char>(images[i].size));
    out.push_back(static_cast<char>(images[i].size));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  return out + bodies[0] + bodies[1];
}

// ---- the banner ------------------------------------------------------------

constexpr int kBannerWidth = 506;
constexpr int kBannerHeight = 43;

struct Canvas {
  int w, h;
  std::vector<Rgb> px;
  Canvas(int width, int height) : w(width), h(height), px(static_cast<std::size_t>(width * height)) {}
  Rgb& at(int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; }
  void Blend(int x, int y, const Rgb& c, double alpha) {
    if (x < 0 || y < 0 || x >= w || y >= h || alpha <= 0.0) return;
    if (alpha > 1.0) alpha = 1.0;
    Rgb& p = at(x, y);
    p.r += (c.r - p.r) * alpha;
    p.g += (c.g - p.g) * alpha;
    p.b += (c.b - p.b) * alpha;
  }
};

// A proportional 7-row pixel font with the letters the banner needs.
struct Glyph {
  char ch;
  const char* rows[7];
};

const Glyph kFont[] = {
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'b', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####."}},
    {'c', {"....", "....", ".###", "#...", "#...", "#...", ".###"}},
    {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'f', {"..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."}},
    {'h', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'i', {"#", ".", "#", "#", "#", "#", "#"}},
    {'k', {"#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {'l', {"#", "#", "#", "#", "#", "#", "#"}},
    {'m', {".....", ".....", "####.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'r', {"....", "....", "#.##", "##..", "#...", "#...", "#..."}},
    {'t', {".#.", ".#.", "###", ".#.", ".#.", ".#.", "..#"}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
};

const Glyph* FindGlyph(char ch) {
  for (const Glyph& g : kFont)
    if (g.ch == ch) return &g;
  return nullptr;
}

int GlyphWidth(const Glyph& g) { return static_cast<int>(std::string(g.rows[0]).size()); }

// Draws `text` with its top left corner at (x, y), each font pixel a
// `scale` x `scale` block; returns the x after the text.
int DrawText(Canvas& canvas, int x, int y, int scale, const std::string& text, const Rgb& colour) {
  for (char ch : text) {
    if (ch == ' ') {
      x += 3 * scale;
      continue;
    }
    const Glyph* g = FindGlyph(ch);
    if (g == nullptr) continue;
    const int width = GlyphWidth(*g);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < width; ++col)
        if (g->rows[row][col] == '#')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx) canvas.Blend(x + col * scale + sx, y + row * scale + sy, colour, 1.0);
    x += (width + 1) * scale;
  }
  return x;
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A fibre strand: a gentle S-curve from (right edge, startY) to (endX, endY),
// brightening towards the end, where the light leaves it.
void DrawStrand(Canvas& canvas, double startY, double endX, double endY, const Rgb& colour) {
  const double length = kBannerWidth - endX;
  for (int x = static_cast<int>(endX); x < kBannerWidth; ++x) {
    const double t = (x - endX) / length;  // 0 at the lit end, 1 at the right edge
    const double yc = endY + (startY - endY) * (1.0 - std::cos(t * 3.14159265358979)) * 0.5;
    const double alpha = 0.85 - 0.55 * t;
    for (int y = static_cast<int>(yc) - 2; y <= static_cast<int>(yc) + 2; ++y) {
      const double dist = std::fabs((y + 0.5) - yc);
      const double cover = 1.0 - (dist - 0.4) / 0.9;  // about 1.3 pixels wide with soft edges
      canvas.Blend(x, y, colour, alpha * (cover > 1.0 ? 1.0 : cover));
    }
  }
  // The light at the end: a soft halo around a bright core.
  const Rgb light{255, 244, 214};
  for (int y = static_cast<int>(endY) - 6; y <= static_cast<int>(endY) + 6; ++y)
    for (int x = static_cast<int>(endX) - 6; x <= static_cast<int>(endX) + 6; ++x) {
      const double dx = x + 0.5 - endX, dy = y + 0.5 - endY;
      const double d = std::sqrt(dx * dx + dy * dy);
      canvas.Blend(x, y, light, d < 1.3 ? 1.0 : 0.55 * std::exp(-(d - 1.3) * 0.75));
    }
}

Canvas DrawBanner() {
  Canvas c(kBannerWidth, kBannerHeight);
  const Rgb left{10, 28, 76}, right{46, 106, 186};
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double t = static_cast<double>(x) / (c.w - 1);
      Rgb p = Mix(left, right, t * t * (3.0 - 2.0 * t));
      const double shade = 1.0 - 0.18 * static_cast<double>(y) / (c.h - 1);  // darker towards the bottom
      c.at(x, y) = {p.r * shade, p.g * shade, p.b * shade};
    }
  // A thin light line along the top and a darker one along the bottom.
  for (int x = 0; x < c.w; ++x) {
    c.Blend(x, 0, {150, 190, 240}, 0.35);
    c.Blend(x, c.h - 1, {4, 12, 36}, 0.6);
  }

  // Fibre strands fanning out of one cable at the right edge.
  DrawStrand(c, 21.5, 250.0, 12.5, {240, 128, 36});
  DrawStrand(c, 21.5, 286.0, 30.5, {252, 176, 80});
  DrawStrand(c, 21.5, 322.0, 20.5, {140, 200, 250});

  // The padlock at 32 x 32.
  const IndexImage lock = DrawLock(32);
  const int lx = 10, ly = 5;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (lock.at(x, y) != kTransparent) c.Blend(lx + x, ly + y, kPalette[lock.at(x, y)], 1.0);

  // The name, with a soft shadow, and what the program is for.
  DrawText(c, 54, 8, 3, "Fairlock", {4, 12, 40});
  DrawText(c, 53, 7, 3, "Fairlock", {255, 255, 255});
  DrawText(c, 54, 31, 1, "Fibre Channel driver information", {176, 208, 244});
  return c;
}

std::string BitmapFile(Canvas& c) {
  const int stride = ((c.w * 3 + 3) / 4) * 4;
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * c.h);
  std::string out;
  out += "BM";
  Put32(out, 14 + 40 + imageSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(c.w));
  Put32(out, static_cast<std::uint32_t>(c.h));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  auto byte = [](double v) {
    const long r = std::lround(v);
    return static_cast<char>(r < 0 ? 0 : (r > 255 ? 255 : r));
  };
  for (int y = c.h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(stride), '\0');
    for (int x = 0; x < c.w; ++x) {
      const Rgb& p = c.at(x, y);
      row[static_cast<std::size_t>(x * 3)] = byte(p.b);
      row[static_cast<std::size_t>(x * 3 + 1)] = byte(p.g);
      row[static_cast<std::size_t>(x * 3 + 2)] = byte(p.r);
    }
    out += row;
  }
  return out;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  Canvas banner = DrawBanner();
  if (!WriteFile(dir + "/quillon.ico", IconFile()) || !WriteFile(dir + "/banner.bmp", BitmapFile(banner))) {
    std::fprintf(stderr, "make_pictures: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
