// INF reader: a small line-by-line state machine over decoded UTF-16 text.
// Limits: file size kInfMaxBytes, kInfMaxLines lines, kInfMaxFieldsPerLine
// fields per line, kInfMaxFieldChars characters per field (longer text is cut),
// section names up to kInfMaxSectionName characters.
#include "platform/offline/inf_parser.h"

#include "platform/codecs.h"

namespace offline {
namespace {

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == 0; }

struct LineParser {
  const std::u16string& t;
  std::size_t pos = 0;
  unsigned lineNo = 0;

  bool AtEnd() const { return pos >= t.size(); }

  // After an unquoted '\': continuation when only blanks, backslashes or a comment follow.
  bool IsContinuation(std::size_t after) const {
    for (std::size_t i = after; i < t.size() && t[i] != u'\n'; ++i) {
      if (t[i] == u';') return true;
      if (!IsBlank(t[i]) && t[i] != u'\\') return false;
    }
    return true;
  }
  void SkipToLineEnd() {
    while (pos < t.size() && t[pos] != u'\n') ++pos;
  }
};

struct Token {
  std::u16string text;
  std::size_t keep = 0;  // length up to the last non-blank or quoted character
  bool started = false;
  void Add(char16_t c, bool quoted) {
    if (!quoted && !started && IsBlank(c)) return;
    if (c == 0) c = u' ';
    started = true;
    if (text.size() < kInfMaxFieldChars) text.push_back(c);
    if (quoted || !IsBlank(c)) keep = text.size();
  }
  std::u16string Take() {
    text.resize(keep);
    std::u16string r = std::move(text);
    text.clear();
    keep = 0;
    started = false;
    return r;
  }
};

}  // namespace

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

const InfSection* InfFile::Find(std::u16string_view name) const {
  for (const InfSection& s : sections)
    if (EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

std::u16string InfFile::Substitute(std::u16string_view raw) const {
  const InfSection* strings = Find(u"Strings");
  std::u16string out;
  std::size_t i = 0;
  while (i < raw.size()) {
    if (raw[i] != u'%') { out.push_back(raw[i++]); continue; }
    std::size_t close = raw.find(u'%', i + 1);
    if (close == std::u16string_view::npos) { out.append(raw.substr(i)); break; }
    std::u16string_view key = raw.substr(i + 1, close - i - 1);
    if (key.empty()) { out.push_back(u'%'); i = close + 1; continue; }
    const InfLine* hit = nullptr;
    if (strings) {
      for (const InfLine& l : strings->lines)
        if (l.hasKey && EqualNoCase(l.key, key)) { hit = &l; break; }
    }
    if (hit) {
      if (!hit->fields.empty()) out.append(hit->fields[0]);
    } else {
      out.append(raw.substr(i, close - i + 1));
    }
    i = close + 1;
  }
  if (out.size() > kInfMaxFieldChars) out.resize(kInfMaxFieldChars);
  return out;
}

std::u16string DecodeInfText(const std::vector<std::uint8_t>& b) {
  std::u16string out = codecs::DecodeText(b);
  std::size_t eof = out.find(char16_t(0x1A));
  if (eof != std::u16string::npos) out.resize(eof);
  return out;
}

InfParseResult ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4) {
  InfParseResult r;
  if (bytes.size() > kInfMaxBytes) return r;
  const std::u16string t = DecodeInfText(bytes);
  LineParser p{t};
  InfSection* current = nullptr;
  bool textBeforeSection = false;
  unsigned firstBadLine = 0;
  std::size_t lines = 0;
  while (!p.AtEnd()) {
    if (++lines > kInfMaxLines) return r;
    ++p.lineNo;
    unsigned thisLine = p.lineNo;
    // Leading blanks.
    while (p.pos < t.size() && t[p.pos] != u'\n' && IsBlank(t[p.pos])) ++p.pos;
    if (p.pos < t.size() && t[p.pos] == u'[') {
      std::size_t close = t.find(u']', p.pos + 1);
      std::size_t eol = t.find(u'\n', p.pos);
      if (close == std::u16string::npos || (eol != std::u16string::npos && close > eol) ||
          close - p.pos - 1 > kInfMaxSectionName) {
        r.errorLine = thisLine;
        return r;
      }
      std::u16string name = t.substr(p.pos + 1, close - p.pos - 1);
      current = nullptr;
      for (InfSection& s : r.file.sections)
        if (EqualNoCase(s.name, name)) current = &s;
      if (!current) {
        r.file.sections.push_back(InfSection{name, {}});
        current = &r.file.sections.back();
      }
      p.pos = close + 1;
      p.SkipToLineEnd();
      if (p.pos < t.size()) ++p.pos;
      continue;
    }
    // Body line: key, fields, comments, quotes, continuation.
    InfLine line;
    Token tok;
    bool inQuotes = false, sawComma = false, any = false;
    while (p.pos < t.size()) {
      char16_t c = t[p.pos];
      if (c == u'\n') {
        ++p.pos;
        break;  // an unclosed quote runs to the end of the line
      }
      if (inQuotes) {
        if (c == u'"') {
          if (p.pos + 1 < t.size() && t[p.pos + 1] == u'"') { tok.Add(u'"', true); p.pos += 2; continue; }
          inQuotes = false;
          ++p.pos;
          continue;
        }
        tok.Add(c, true);
        ++p.pos;
        continue;
      }
      if (c == u'"') { inQuotes = true; tok.started = true; any = true; ++p.pos; continue; }
      if (c == u';') { p.SkipToLineEnd(); continue; }
      if (c == u'\\' && p.IsContinuation(p.pos + 1)) {
        p.SkipToLineEnd();
        if (p.pos < t.size()) ++p.pos;
        ++p.lineNo;
        while (p.pos < t.size() && t[p.pos] != u'\n' && IsBlank(t[p.pos])) ++p.pos;
        continue;
      }
      if (c == u'=' && !line.hasKey && !sawComma) {
        line.hasKey = true;
        line.key = tok.Take();
        any = true;
        ++p.pos;
        continue;
      }
      if (c == u',') {
        if (line.fields.size() >= kInfMaxFieldsPerLine) return r;
        line.fields.push_back(tok.Take());
        sawComma = true;
        any = true;
        ++p.pos;
        continue;
      }
      if (!IsBlank(c)) any = true;
      tok.Add(c, false);
      ++p.pos;
    }
    if (!any) continue;
    if (line.fields.size() >= kInfMaxFieldsPerLine) return r;
    line.fields.push_back(tok.Take());
    if (!line.hasKey && line.fields.size() == 1) {
      line.hasKey = true;
      line.key = line.fields[0];
    }
    if (!current) {
      textBeforeSection = true;
      if (firstBadLine == 0) firstBadLine = thisLine;
      continue;
    }
    current->lines.push_back(std::move(line));
  }
  if (textBeforeSection && !r.file.Find(u"Strings")) {
    r.errorLine = firstBadLine;
    return r;
  }
  if (requireWin4) {
    bool ok = false;
    if (const InfSection* v = r.file.Find(u"Version")) {
      for (const InfLine& l : v->lines) {
        if (l.hasKey && EqualNoCase(r.file.Substitute(l.key), u"Signature")) {
          std::u16string sig = l.fields.empty() ? std::u16string() : r.file.Substitute(l.fields[0]);
          ok = EqualNoCase(sig, u"$Chicago$") || EqualNoCase(sig, u"$Windows NT$") ||
               EqualNoCase(sig, u"$Windows 95$");
          break;
        }
      }
    }
    if (!ok) {
      r.status = InfStatus::WrongStyle;
      return r;
    }
  }
  r.status = InfStatus::Ok;
  return r;
}

}  // namespace offline
