#include "platform/text.h"

namespace text {

std::size_t Length(const char16_t* s, std::size_t limit) {
  if (!s) return 0;
  std::size_t n = 0;
  while (n < limit && s[n] != 0) ++n;
  return n;
}

std::size_t Copy(char16_t* dst, std::size_t cap, std::u16string_view src) {
  if (!dst || cap == 0) return 0;
  std::size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
  for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
  dst[n] = 0;
  return n;
}

std::size_t Append(char16_t* dst, std::size_t cap, std::u16string_view src) {
  if (!dst || cap == 0) return 0;
  std::size_t start = Length(dst, cap - 1);
  return start + Copy(dst + start, cap - start, src);
}

char16_t UpperAZ(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

void UpperCaseAZInPlace(char16_t* s) {
  if (!s) return;
  for (; *s; ++s) *s = UpperAZ(*s);
}

std::u16string UpperCaseAZ(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = UpperAZ(c);
  return r;
}

bool EqualsNoCaseAZ(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAZ(a[i]) != UpperAZ(b[i])) return false;
  return true;
}

bool Contains(std::u16string_view haystack, std::u16string_view needle) {
  return haystack.find(needle) != std::u16string_view::npos;
}

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else {
      std::size_t need = (c >= 0xF0 && c <= 0xF4) ? 4 : (c >= 0xE0) ? 3 : (c >= 0xC2 && c < 0xE0) ? 2 : 0;
      if (need && i + need <= s.size()) {
        std::uint32_t v = (need == 2) ? (c & 0x1F) : (need == 3) ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (std::size_t k = 1; k < need; ++k) {
          unsigned char cc = static_cast<unsigned char>(s[i + k]);
          if ((cc & 0xC0) != 0x80) {
            ok = false;
            break;
          }
          v = (v << 6) | (cc & 0x3F);
        }
        std::uint32_t min = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
        if (ok && v >= min && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
          cp = v;
          len = need;
        }
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

namespace {

class Sink {
 public:
  Sink(char16_t* out, std::size_t cap) : out_(out), cap_(cap) {}
  void Put(char16_t c) {
    if (out_ && len_ + 1 < cap_) out_[len_++] = c;
  }
  void Put(std::u16string_view s) {
    for (char16_t c : s) Put(c);
  }
  void Pad(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) Put(u' ');
  }
  std::size_t Finish() {
    if (out_ && cap_ > 0) out_[len_] = 0;
    return len_;
  }

 private:
  char16_t* out_;
  std::size_t cap_;
  std::size_t len_ = 0;
};

std::u16string Decimal(std::int64_t v) {
  bool negative = v < 0;
  std::uint64_t u = negative ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
  char16_t digits[24];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + u % 10);
    u /= 10;
  } while (u);
  std::u16string r;
  if (negative) r += u'-';
  while (n) r += digits[--n];
  return r;
}

}  // namespace

std::size_t FormatV(char16_t* out, std::size_t cap, std::u16string_view format, const FormatArg* args,
                    std::size_t count) {
  Sink sink(out, cap);
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    char16_t c = format[i];
    if (c != u'%') {
      sink.Put(c);
      ++i;
      continue;
    }
    std::size_t start = i++;
    if (i < format.size() && format[i] == u'%') {
      sink.Put(u'%');
      ++i;
      continue;
    }
    bool left = false;
    if (i < format.size() && format[i] == u'-') {
      left = true;
      ++i;
    }
    std::size_t width = 0;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9' && width < 1000) {
      width = width * 10 + (format[i] - u'0');
      ++i;
    }
    char16_t conv = i < format.size() ? format[i] : 0;
    if (conv) ++i;
    std::u16string_view conversion = format.substr(start, i - start);
    const FormatArg* arg = next < count ? &args[next] : nullptr;
    std::u16string piece;
    bool ok = false;
    if (arg && conv == u's' && arg->kind() == FormatArg::Kind::Text) {
      piece = std::u16string(arg->text());
      ok = true;
    } else if (arg && conv == u'd' && arg->kind() != FormatArg::Kind::Text) {
      piece = Decimal(static_cast<std::int32_t>(static_cast<std::uint32_t>(arg->number())));
      ok = true;
    } else if (arg && conv == u'u' && arg->kind() != FormatArg::Kind::Text) {
      piece = Decimal(static_cast<std::uint32_t>(arg->number()));
      ok = true;
    }
    if (!ok) {
      if (arg) ++next;  // keep later conversions paired with their own arguments
      sink.Put(conversion);
      continue;
    }
    ++next;
    std::size_t pad = piece.size() < width ? width - piece.size() : 0;
    if (!left) sink.Pad(pad);
    sink.Put(piece);
    if (left) sink.Pad(pad);
  }
  return sink.Finish();
}

}  // namespace text
