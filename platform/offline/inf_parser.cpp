// INF reader: a small line-by-line state machine over decoded UTF-16 text.
// Limits: file size kInfMaxBytes, kInfMaxLines lines, kInfMaxFieldsPerLine
// fields per line, kInfMaxFieldChars characters per field (longer text is cut),
// section names up to kInfMaxSectionName characters.
#include "platform/offline/inf_parser.h"

#include <unordered_map>

#include "platform/codecs.h"
#include "platform/text.h"

namespace offline {
namespace {

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

const InfSection* InfFile::Find(std::u16string_view name) const {
  for (const InfSection& s : sections)
    if (text::EqualsNoCaseAZ(s.name, name)) return &s;
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
        if (l.hasKey && text::EqualsNoCaseAZ(l.key, key)) { hit = &l; break; }
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

const char* Describe(InfError error) {
  switch (error) {
    case InfError::kTooLarge: return "file too large";
    case InfError::kTooManyLines: return "too many lines";
    case InfError::kUnclosedSection: return "section header without ]";
    case InfError::kSectionNameTooLong: return "section name too long";
    case InfError::kTooManyFields: return "too many fields on a line";
    case InfError::kTextBeforeSection: return "text before the first section";
    case InfError::kWrongStyle: return "no Windows NT or Windows 95 signature";
  }
  return "unreadable";
}

namespace {

// Reads the decoded text line by line into sections.
class InfReader {
 public:
  explicit InfReader(const std::u16string& text) : t_(text), p_{text} {}

  // The sections, or the first structural error met.
  Parsed<InfFile, InfRejection> Read() {
    std::size_t lines = 0;
    while (!p_.AtEnd()) {
      if (++lines > kInfMaxLines) return InfRejection{InfError::kTooManyLines, p_.lineNo + 1};
      ++p_.lineNo;
      const unsigned thisLine = p_.lineNo;
      while (p_.pos < t_.size() && t_[p_.pos] != u'\n' && IsBlank(t_[p_.pos])) ++p_.pos;  // leading blanks
      if (p_.pos < t_.size() && t_[p_.pos] == u'[') {
        if (auto error = SectionHeader()) return InfRejection{*error, thisLine};
        continue;
      }
      InfLine line;
      bool any = false;
      if (!BodyLine(&line, &any)) return InfRejection{InfError::kTooManyFields, thisLine};
      if (!any) continue;
      if (!current_) {
        if (firstOrphanLine_ == 0) firstOrphanLine_ = thisLine;
        continue;
      }
      file_.sections[*current_].lines.push_back(std::move(line));
    }
    // Text before the first section is tolerated in a file with [Strings].
    if (firstOrphanLine_ != 0 && !file_.Find(u"Strings")) {
      return InfRejection{InfError::kTextBeforeSection, firstOrphanLine_};
    }
    return std::move(file_);
  }

 private:
  // "[name]": the name runs to the first "]" and is not trimmed; the rest of
  // the line is ignored. A section met again continues the first one.
  std::optional<InfError> SectionHeader() {
    const std::size_t close = t_.find(u']', p_.pos + 1);
    const std::size_t eol = t_.find(u'\n', p_.pos);
    if (close == std::u16string::npos || (eol != std::u16string::npos && close > eol)) {
      return InfError::kUnclosedSection;
    }
    if (close - p_.pos - 1 > kInfMaxSectionName) return InfError::kSectionNameTooLong;
    std::u16string name = t_.substr(p_.pos + 1, close - p_.pos - 1);
    const auto known = byName_.emplace(text::UpperCaseAZ(name), file_.sections.size());
    if (known.second) file_.sections.push_back(InfSection{std::move(name), {}});
    current_ = known.first->second;
    p_.pos = close + 1;
    p_.SkipToLineEnd();
    if (p_.pos < t_.size()) ++p_.pos;
    return std::nullopt;
  }

  // Key, fields, comments, quotes and continuation lines; false when the
  // line has too many fields. *any tells whether the line held anything.
  bool BodyLine(InfLine* line, bool* any) {
    Token tok;
    bool inQuotes = false, sawComma = false;
    while (p_.pos < t_.size()) {
      const char16_t c = t_[p_.pos];
      if (c == u'\n') {
        ++p_.pos;
        break;  // an unclosed quote runs to the end of the line
      }
      if (inQuotes) {
        if (c == u'"' && p_.pos + 1 < t_.size() && t_[p_.pos + 1] == u'"') {
          tok.Add(u'"', true);
          p_.pos += 2;
        } else {
          if (c == u'"') inQuotes = false;
          else tok.Add(c, true);
          ++p_.pos;
        }
        continue;
      }
      if (c == u'"') {
        inQuotes = true;
        tok.started = true;
        *any = true;
      } else if (c == u';') {
        p_.SkipToLineEnd();
        continue;
      } else if (c == u'\\' && p_.IsContinuation(p_.pos + 1)) {
        p_.SkipToLineEnd();
        if (p_.pos < t_.size()) ++p_.pos;
        ++p_.lineNo;
        while (p_.pos < t_.size() && t_[p_.pos] != u'\n' && IsBlank(t_[p_.pos])) ++p_.pos;
        continue;
      } else if (c == u'=' && !line->hasKey && !sawComma) {
        line->hasKey = true;
        line->key = tok.Take();
        *any = true;
      } else if (c == u',') {
        if (line->fields.size() >= kInfMaxFieldsPerLine) return false;
        line->fields.push_back(tok.Take());
        sawComma = true;
        *any = true;
      } else {
        if (!IsBlank(c)) *any = true;
        tok.Add(c, false);
      }
      ++p_.pos;
    }
    if (!*any) return true;
    if (line->fields.size() >= kInfMaxFieldsPerLine) return false;
    line->fields.push_back(tok.Take());
    // A lone field is the line's key too.
    if (!line->hasKey && line->fields.size() == 1) {
      line->hasKey = true;
      line->key = line->fields[0];
    }
    return true;
  }

  const std::u16string& t_;
  LineParser p_;
  InfFile file_;
  std::unordered_map<std::u16string, std::size_t> byName_;  // upper-cased name -> index
  std::optional<std::size_t> current_;
  unsigned firstOrphanLine_ = 0;
};

// [Version] Signature, after substitution: one of the three Windows signatures.
bool HasWin4Signature(const InfFile& file) {
  const InfSection* version = file.Find(u"Version");
  if (!version) return false;
  for (const InfLine& l : version->lines) {
    if (!l.hasKey || !text::EqualsNoCaseAZ(file.Substitute(l.key), u"Signature")) continue;
    const std::u16string sig = l.fields.empty() ? std::u16string() : file.Substitute(l.fields[0]);
    return text::EqualsNoCaseAZ(sig, u"$Chicago$") || text::EqualsNoCaseAZ(sig, u"$Windows NT$") ||
           text::EqualsNoCaseAZ(sig, u"$Windows 95$");
  }
  return false;
}

}  // namespace

Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4) {
  if (bytes.size() > kInfMaxBytes) return InfRejection{InfError::kTooLarge, 0};
  const std::u16string t = DecodeInfText(bytes);
  auto file = InfReader(t).Read();
  if (file && requireWin4 && !HasWin4Signature(*file)) return InfRejection{InfError::kWrongStyle, 0};
  return file;
}

}  // namespace offline
