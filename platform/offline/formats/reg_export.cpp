#include "platform/offline/formats/reg_export.h"

#include <algorithm>
#include <string_view>

#include "platform/codecs.h"
#include "platform/text.h"

namespace offline {
namespace {

// Windows' own limits ("Registry element size limits"): a key name of 255
// characters, a value name of 16,383, a tree 512 levels deep, a value of 1 MB
// in the standard hive format. Ours: a line, continuations joined, of 4 Mi
// characters, room for a 1 MB value written as hex bytes.
constexpr std::size_t kMaxKeyNameChars = 255;
constexpr std::size_t kMaxValueNameChars = 16383;
constexpr std::size_t kMaxDepth = 512;
constexpr std::size_t kMaxValueBytes = 1 << 20;
constexpr std::size_t kMaxLineChars = 4 << 20;

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) s.remove_suffix(1);
  return s;
}

bool StartsNoCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && text::EqualsNoCaseAZ(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// "text" with \\ and \" escapes; `s` starts at the opening quote. Returns
// the position after the closing quote, npos when unterminated.
std::size_t ParseQuoted(std::u16string_view s, std::u16string* out) {
  out->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      out->push_back(s[++i]);
    } else if (s[i] == u'"') {
      return i + 1;
    } else {
      out->push_back(s[i]);
    }
  }
  return std::u16string_view::npos;
}

bool ParseHexList(std::u16string_view s, std::vector<std::uint8_t>* out) {
  out->clear();
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i >= s.size()) break;
    int hi = HexDigit(s[i]);
    if (hi < 0) return false;
    int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (lo >= 0) {
      out->push_back(static_cast<std::uint8_t>(hi << 4 | lo));
      i += 2;
    } else {
      out->push_back(static_cast<std::uint8_t>(hi));
      i += 1;
    }
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i < s.size()) {
      if (s[i] != u',') return false;
      ++i;
    }
  }
  return true;
}

// Parses the data after '='; false when malformed. Sets *remove for "-".
bool ParseData(std::u16string_view d, std::uint32_t* type, std::vector<std::uint8_t>* data, bool* remove) {
  *remove = false;
  data->clear();
  if (d == u"-") {
    *remove = true;
    return true;
  }
  if (!d.empty() && d[0] == u'"') {
    std::u16string textValue;
    std::size_t end = ParseQuoted(d, &textValue);
    if (end == std::u16string_view::npos || !Trim(d.substr(end)).empty()) return false;
    *type = 1;
    *data = codecs::EncodeUtf16Le(textValue, true);
    return true;
  }
  if (StartsNoCase(d, u"dword:")) {
    std::u16string_view digits = Trim(d.substr(6));
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t v = 0;
    for (char16_t c : digits) {
      int h = HexDigit(c);
      if (h < 0) return false;
      v = v << 4 | static_cast<std::uint32_t>(h);
    }
    *type = 4;
    for (int i = 0; i < 4; ++i) data->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return true;
  }
  if (StartsNoCase(d, u"hex:")) {
    *type = 3;
    return ParseHexList(d.substr(4), data);
  }
  if (StartsNoCase(d, u"hex(")) {
    std::size_t close = d.find(u"):");
    if (close == std::u16string_view::npos || close == 4 || close > 12) return false;
    std::uint32_t t = 0;
    for (char16_t c : d.substr(4, close - 4)) {
      int h = HexDigit(c);
      if (h < 0) return false;
      t = t << 4 | static_cast<std::uint32_t>(h);
    }
    *type = t;
    return ParseHexList(d.substr(close + 2), data);
  }
  return false;
}

// One logical line (continuations joined) to the sink.
class LineReader {
 public:
  explicit LineReader(RegExportSink& sink) : sink_(sink) {}

  void Line(std::u16string_view s, std::size_t lineNo) {
    if (s.empty() || s[0] == u';') return;
    if (s[0] == u'[') return KeyLine(s, lineNo);
    std::u16string name;
    std::size_t afterName;
    if (s[0] == u'@') {
      afterName = 1;
    } else if (s[0] == u'"') {
      afterName = ParseQuoted(s, &name);
      if (afterName == std::u16string_view::npos) return sink_.Problem(lineNo, RegLineError::kUnterminatedValueName);
    } else {
      return sink_.Problem(lineNo, RegLineError::kUnrecognisedLine);
    }
    if (name.size() > kMaxValueNameChars) return sink_.Problem(lineNo, RegLineError::kValueNameTooLong);
    std::u16string_view rest = Trim(s.substr(afterName));
    if (rest.empty() || rest[0] != u'=') return sink_.Problem(lineNo, RegLineError::kMissingEquals);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool remove = false;
    if (!ParseData(Trim(rest.substr(1)), &type, &data, &remove)) {
      return sink_.Problem(lineNo, RegLineError::kMalformedValueData);
    }
    if (data.size() > kMaxValueBytes) return sink_.Problem(lineNo, RegLineError::kValueTooLarge);
    if (remove) {
      sink_.RemoveValue(name);
    } else {
      sink_.Value(name, type, std::move(data));
    }
  }

 private:
  // "[HKEY_LOCAL_MACHINE\path]" or "[-HKEY_LOCAL_MACHINE\path]"; HKLM for short.
  void KeyLine(std::u16string_view s, std::size_t lineNo) {
    if (s.back() != u']') return sink_.Problem(lineNo, RegLineError::kMalformedKeyLine);
    std::u16string_view path = s.substr(1, s.size() - 2);
    const bool remove = !path.empty() && path[0] == u'-';
    if (remove) path.remove_prefix(1);
    constexpr std::u16string_view kLong = u"HKEY_LOCAL_MACHINE", kShort = u"HKLM";
    std::u16string_view rest;
    if (StartsNoCase(path, kLong) && (path.size() == kLong.size() || path[kLong.size()] == u'\\')) {
      rest = path.substr(kLong.size());
    } else if (StartsNoCase(path, kShort) && (path.size() == kShort.size() || path[kShort.size()] == u'\\')) {
      rest = path.substr(kShort.size());
    } else {
      sink_.NoKey();
      return sink_.Problem(lineNo, RegLineError::kKeyOutsideLocalMachine);
    }
    const std::vector<std::u16string_view> parts = SplitRegPath(rest);
    RegLineError error = RegLineError::kDeleteLocalMachine;
    if (parts.size() > kMaxDepth) {
      error = RegLineError::kKeyTooDeep;
    } else if (std::any_of(parts.begin(), parts.end(), [](auto p) { return p.size() > kMaxKeyNameChars; })) {
      error = RegLineError::kKeyNameTooLong;
    } else if (!remove || !parts.empty()) {
      return sink_.Key(rest, remove);
    }
    sink_.NoKey();
    sink_.Problem(lineNo, error);
  }

  RegExportSink& sink_;
};

// The file's lines ("\\n" ends one), each decoded on its own when it is asked
// for, so that memory holds one line at a time; a line longer than
// kMaxLineChars is not decoded at all.
class PhysicalLines {
 public:
  explicit PhysicalLines(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {
    const codecs::DetectedEncoding found = codecs::DetectEncoding(bytes.data(), bytes.size());
    encoding_ = found.encoding;
    unit_ = encoding_ == codecs::Encoding::kUtf16Le ? 2 : 1;
    at_ = found.bomLength;
  }

  bool Next(std::u16string* line, bool* tooLong) {
    if (at_ >= bytes_.size()) return false;
    const std::size_t size = bytes_.size() - (bytes_.size() - at_) % unit_;  // an odd last byte is no character
    if (at_ >= size) return false;
    std::size_t end = at_;
    while (end < size && !(bytes_[end] == '\n' && (unit_ == 1 || bytes_[end + 1] == 0))) end += unit_;
    const std::uint8_t* data = bytes_.data() + at_;
    const std::size_t length = end - at_;
    at_ = end + unit_;
    line->clear();
    *tooLong = length / unit_ > kMaxLineChars;
    if (*tooLong) return true;
    if (encoding_ == codecs::Encoding::kUtf16Le) {
      *line = codecs::DecodeUtf16Le(data, length);
    } else if (encoding_ == codecs::Encoding::kUtf8) {
      *line = text::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), length));
    } else {
      *line = codecs::DecodeWindows1252(data, length);
    }
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  codecs::Encoding encoding_;
  std::size_t unit_;
  std::size_t at_;
};

}  // namespace

const char* Describe(RegLineError error) {
  switch (error) {
    case RegLineError::kNotAnExportHeader:
      return "not a registry export header";
    case RegLineError::kMalformedKeyLine:
      return "malformed key line";
    case RegLineError::kKeyOutsideLocalMachine:
      return "key outside HKEY_LOCAL_MACHINE ignored";
    case RegLineError::kDeleteLocalMachine:
      return "cannot delete HKEY_LOCAL_MACHINE";
    case RegLineError::kUnterminatedValueName:
      return "unterminated value name";
    case RegLineError::kUnrecognisedLine:
      return "unrecognised line";
    case RegLineError::kMissingEquals:
      return "missing '=' after value name";
    case RegLineError::kMalformedValueData:
      return "malformed value data";
    case RegLineError::kLineTooLong:
      return "line longer than 4 Mi characters";
    case RegLineError::kKeyTooDeep:
      return "key more than 512 levels deep";
    case RegLineError::kKeyNameTooLong:
      return "key name longer than 255 characters";
    case RegLineError::kValueNameTooLong:
      return "value name longer than 16383 characters";
    case RegLineError::kValueTooLarge:
      return "value data larger than 1 MiB";
  }
  return "unreadable line";
}

void ParseRegExport(const std::vector<std::uint8_t>& bytes, RegExportSink& sink) {
  PhysicalLines lines(bytes);
  LineReader reader(sink);
  std::size_t lineNo = 0;
  std::u16string raw, joined;
  std::size_t joinedStart = 0;
  bool tooLong = false, joinedTooLong = false;
  while (lines.Next(&raw, &tooLong)) {
    ++lineNo;
    std::u16string_view line = Trim(raw);
    if (lineNo == 1) {
      if (tooLong || (line != u"Windows Registry Editor Version 5.00" && line != u"REGEDIT4")) {
        sink.Problem(lineNo, RegLineError::kNotAnExportHeader);
      }
      continue;
    }
    const bool first = joined.empty() && !joinedTooLong;
    if (first) joinedStart = lineNo;
    // A value's data continues on the next line after a trailing backslash.
    const bool continues =
        !tooLong && !line.empty() && line.back() == u'\\' && (!first || line.find(u'=') != std::u16string_view::npos);
    if (continues) line.remove_suffix(1);
    joinedTooLong = joinedTooLong || tooLong || joined.size() + line.size() > kMaxLineChars;
    if (!joinedTooLong) joined.append(line);
    if (continues) continue;
    if (joinedTooLong) {
      sink.Problem(joinedStart, RegLineError::kLineTooLong);
    } else {
      reader.Line(joined, joinedStart);
    }
    joined.clear();
    joinedTooLong = false;
  }
  if (joinedTooLong) {
    sink.Problem(joinedStart, RegLineError::kLineTooLong);
  } else if (!joined.empty()) {
    reader.Line(joined, joinedStart);
  }
}

}  // namespace offline
