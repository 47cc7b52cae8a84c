#include "platform/offline/reg_export.h"

#include <string_view>

#include "platform/codecs.h"
#include "platform/text.h"

namespace offline {
namespace {

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
    std::u16string_view rest = Trim(s.substr(afterName));
    if (rest.empty() || rest[0] != u'=') return sink_.Problem(lineNo, RegLineError::kMissingEquals);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool remove = false;
    if (!ParseData(Trim(rest.substr(1)), &type, &data, &remove)) {
      return sink_.Problem(lineNo, RegLineError::kMalformedValueData);
    }
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
    if (remove && SplitRegPath(rest).empty()) {
      sink_.NoKey();
      return sink_.Problem(lineNo, RegLineError::kDeleteLocalMachine);
    }
    sink_.Key(rest, remove);
  }

  RegExportSink& sink_;
};

}  // namespace

const char* Describe(RegLineError error) {
  switch (error) {
    case RegLineError::kNotAnExportHeader: return "not a registry export header";
    case RegLineError::kMalformedKeyLine: return "malformed key line";
    case RegLineError::kKeyOutsideLocalMachine: return "key outside HKEY_LOCAL_MACHINE ignored";
    case RegLineError::kDeleteLocalMachine: return "cannot delete HKEY_LOCAL_MACHINE";
    case RegLineError::kUnterminatedValueName: return "unterminated value name";
    case RegLineError::kUnrecognisedLine: return "unrecognised line";
    case RegLineError::kMissingEquals: return "missing '=' after value name";
    case RegLineError::kMalformedValueData: return "malformed value data";
  }
  return "unreadable line";
}

void ParseRegExport(const std::vector<std::uint8_t>& bytes, RegExportSink& sink) {
  const std::u16string all = codecs::DecodeText(bytes);
  LineReader reader(sink);
  std::u16string_view view = all;
  std::size_t lineNo = 0;
  bool first = true;
  std::u16string joined;
  std::size_t joinedStart = 0;
  while (!view.empty()) {
    std::size_t nl = view.find(u'\n');
    std::u16string_view raw = view.substr(0, nl);
    view = nl == std::u16string_view::npos ? std::u16string_view() : view.substr(nl + 1);
    ++lineNo;
    std::u16string_view line = Trim(raw);
    if (first) {
      first = false;
      if (line != u"Windows Registry Editor Version 5.00" && line != u"REGEDIT4") {
        sink.Problem(lineNo, RegLineError::kNotAnExportHeader);
      }
      continue;
    }
    if (joined.empty()) joinedStart = lineNo;
    // A value's data continues on the next line after a trailing backslash.
    bool continues = !line.empty() && line.back() == u'\\' && line.find(u'=') != std::u16string_view::npos;
    if (!joined.empty()) continues = !line.empty() && line.back() == u'\\';
    if (continues) {
      joined.append(line.substr(0, line.size() - 1));
      continue;
    }
    joined.append(line);
    reader.Line(joined, joinedStart);
    joined.clear();
  }
  if (!joined.empty()) reader.Line(joined, joinedStart);
}

}  // namespace offline
