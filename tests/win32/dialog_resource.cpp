#include "tests/win32/dialog_resource.h"

#include <cstring>

namespace win32test {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint32_t kDsShellFont = 0x48;  // DS_SETFONT | DS_FIXEDSYS
constexpr std::size_t kMaxControls = 255;     // far above any template of this program

// A cursor over the template's bytes; every read fails past the end.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool U16(std::uint16_t& v) { return Take(&v, 2); }
  bool U32(std::uint32_t& v) { return Take(&v, 4); }
  bool U8(std::uint8_t& v) { return Take(&v, 1); }
  bool S16(int& v) {
    std::int16_t s = 0;
    if (!Take(&s, 2)) return false;
    v = s;
    return true;
  }
  // Items start on a DWORD boundary counted from the template's start.
  bool AlignDword() {
    const std::size_t aligned = (pos_ + 3) & ~static_cast<std::size_t>(3);
    if (aligned > size_) return false;
    pos_ = aligned;
    return true;
  }
  bool Skip(std::size_t n) {
    if (n > size_ - pos_) return false;
    pos_ += n;
    return true;
  }
  // A zero-terminated UTF-16 text.
  bool Text(std::u16string& text) {
    text.clear();
    for (;;) {
      std::uint16_t c = 0;
      if (!U16(c)) return false;
      if (c == 0) return true;
      text.push_back(static_cast<char16_t>(c));
    }
  }
  bool Name(NameOrOrdinal& name) {
    std::uint16_t first = 0;
    if (!U16(first)) return false;
    name = NameOrOrdinal{};
    if (first == 0xFFFF) {
      std::uint16_t ordinal = 0;
      if (!U16(ordinal)) return false;
      name.isOrdinal = true;
      name.ordinal = ordinal;
      return true;
    }
    if (first == 0) return true;
    name.text.push_back(static_cast<char16_t>(first));
    std::u16string rest;
    if (!Text(rest)) return false;
    name.text += rest;
    return true;
  }

 private:
  bool Take(void* out, std::size_t n) {
    if (n > size_ - pos_) return false;
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

bool Fail(std::string& error, const char* what) {
  error = what;
  return false;
}

}  // namespace

bool ParseDialogResource(const void* data, std::size_t size, ParsedDialog& dialog, std::string& error) {
  dialog = ParsedDialog{};
  if (data == nullptr) return Fail(error, "no data");
  Reader r(static_cast<const std::uint8_t*>(data), size);

  std::uint16_t version = 0, signature = 0;
  if (!r.U16(version) || !r.U16(signature)) return Fail(error, "truncated header");
  dialog.extended = version == 1 && signature == 0xFFFF;
  std::uint16_t count = 0;
  if (dialog.extended) {
    std::uint32_t helpId = 0;
    if (!r.U32(helpId) || !r.U32(dialog.exStyle) || !r.U32(dialog.style)) return Fail(error, "truncated header");
  } else {
    dialog.style = static_cast<std::uint32_t>(version) | (static_cast<std::uint32_t>(signature) << 16);
    if (!r.U32(dialog.exStyle)) return Fail(error, "truncated header");
  }
  if (!r.U16(count) || !r.S16(dialog.x) || !r.S16(dialog.y) || !r.S16(dialog.cx) || !r.S16(dialog.cy))
    return Fail(error, "truncated header");
  if (count > kMaxControls) return Fail(error, "implausible control count");
  if (!r.Name(dialog.menu) || !r.Name(dialog.windowClass) || !r.Text(dialog.caption))
    return Fail(error, "truncated menu, class or caption");
  if ((dialog.style & kDsSetFont) != 0 || (dialog.style & kDsShellFont) == kDsShellFont) {
    dialog.hasFont = true;
    std::uint16_t points = 0;
    if (!r.U16(points)) return Fail(error, "truncated font");
    dialog.pointSize = points;
    if (dialog.extended) {
      std::uint16_t weight = 0;
      std::uint8_t italic = 0, charset = 0;
      if (!r.U16(weight) || !r.U8(italic) || !r.U8(charset)) return Fail(error, "truncated font");
    }
    if (!r.Text(dialog.typeface)) return Fail(error, "truncated typeface");
  }

  for (std::uint16_t i = 0; i < count; ++i) {
    ParsedControl c;
    if (!r.AlignDword()) return Fail(error, "truncated control");
    if (dialog.extended) {
      std::uint32_t helpId = 0, id = 0;
      if (!r.U32(helpId) || !r.U32(c.exStyle) || !r.U32(c.style) || !r.S16(c.x) || !r.S16(c.y) || !r.S16(c.cx) ||
          !r.S16(c.cy) || !r.U32(id))
        return Fail(error, "truncated control");
      c.id = static_cast<std::int32_t>(id);
    } else {
      std::uint16_t id = 0;
      if (!r.U32(c.style) || !r.U32(c.exStyle) || !r.S16(c.x) || !r.S16(c.y) || !r.S16(c.cx) || !r.S16(c.cy) ||
          !r.U16(id))
        return Fail(error, "truncated control");
      c.id = static_cast<std::int16_t>(id);
    }
    std::uint16_t extra = 0;
    if (!r.Name(c.windowClass) || !r.Name(c.title) || !r.U16(extra) || !r.Skip(extra))
      return Fail(error, "truncated control class, title or data");
    dialog.controls.push_back(c);
  }
  return true;
}

}  // namespace win32test
