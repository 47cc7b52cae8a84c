#include "platform/codecs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Utf16(const std::u16string& s) { return codecs::EncodeUtf16Le(s); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Codecs, EncodingFromMarkOrContent) {
  struct Case {
    const char* name;
    Bytes bytes;
    codecs::Encoding encoding;
    std::size_t bomLength;
    std::u16string text;
  } cases[] = {
      {"empty", {}, codecs::Encoding::kWindows1252, 0, u""},
      {"UTF-16LE mark", Concat({0xFF, 0xFE}, Utf16(u"[V]\u20ac")), codecs::Encoding::kUtf16Le, 2, u"[V]\u20ac"},
      {"UTF-16LE mark, odd tail dropped", {0xFF, 0xFE, 'a', 0, 'b'}, codecs::Encoding::kUtf16Le, 2, u"a"},
      {"UTF-8 mark", Concat({0xEF, 0xBB, 0xBF}, Ascii("caf\xc3\xa9")), codecs::Encoding::kUtf8, 3, u"caf\u00e9"},
      {"UTF-16LE without mark", Utf16(u"[Version]\r\n"), codecs::Encoding::kUtf16Le, 0, u"[Version]\r\n"},
      {"one UTF-16 unit", {'a', 0}, codecs::Encoding::kUtf16Le, 0, u"a"},
      {"odd size is not UTF-16",
       {'a', 0, 'b', 0, 'c'},
       codecs::Encoding::kWindows1252,
       0,
       std::u16string(u"a\0b\0c", 5)},
      {"too many zero low bytes",
       {0, 0, 0, 0, 'a', 0, 'b', 0},
       codecs::Encoding::kWindows1252,
       0,
       std::u16string(u"\0\0\0\0a\0b\0", 8)},
      {"ANSI", Ascii("\x80 \x9c \xe9"), codecs::Encoding::kWindows1252, 0, u"\u20ac \u0153 \u00e9"},
  };
  for (const Case& c : cases) {
    const codecs::DetectedEncoding found = codecs::DetectEncoding(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(found.encoding, c.encoding) << c.name;
    EXPECT_EQ(found.bomLength, c.bomLength) << c.name;
    EXPECT_EQ(codecs::DecodeText(c.bytes), c.text) << c.name;
  }
}

TEST(Codecs, SniffingLooksAtTheFirst512BytesOnly) {
  Bytes bytes = Utf16(std::u16string(256, u'x'));  // exactly the first 512 bytes
  bytes.insert(bytes.end(), 600, 0);               // would fail the test over the whole file
  EXPECT_EQ(codecs::DetectEncoding(bytes.data(), bytes.size()).encoding, codecs::Encoding::kUtf16Le);
  bytes.assign(512, 'x');
  const Bytes tail = Utf16(std::u16string(1000, u'y'));
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  EXPECT_EQ(codecs::DetectEncoding(bytes.data(), bytes.size()).encoding, codecs::Encoding::kWindows1252);
}

TEST(Codecs, Windows1252BothWays) {
  for (int b = 0; b < 256; ++b) {
    const char16_t c = codecs::FromWindows1252(static_cast<std::uint8_t>(b));
    EXPECT_EQ(codecs::ToWindows1252(c), std::optional<std::uint8_t>(static_cast<std::uint8_t>(b))) << b;
  }
  EXPECT_EQ(codecs::FromWindows1252(0x80), u'\u20ac');
  EXPECT_EQ(codecs::FromWindows1252(0x9F), u'\u0178');
  EXPECT_EQ(codecs::FromWindows1252(0x81), u'\u0081');  // undefined in the code page: kept as is
  EXPECT_EQ(codecs::FromWindows1252(0xA0), u'\u00a0');
  EXPECT_FALSE(codecs::ToWindows1252(u'\u0100'));
  EXPECT_FALSE(codecs::ToWindows1252(u'\u0080'));  // its byte 0x80 is the euro sign
}

TEST(Codecs, Utf16LeUnits) {
  EXPECT_EQ(codecs::EncodeUtf16Le(u"A\u20ac"), Bytes({'A', 0, 0xAC, 0x20}));
  EXPECT_EQ(codecs::EncodeUtf16Le(u"A", true), Bytes({'A', 0, 0, 0}));
  const Bytes odd = {'A', 0, 0xAC, 0x20, 'z'};
  EXPECT_EQ(codecs::DecodeUtf16Le(odd.data(), odd.size()), u"A\u20ac");
}

}  // namespace
