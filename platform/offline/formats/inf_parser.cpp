// INF reader: a small line-by-line state machine over decoded UTF-16 text.
// Each character is looked at a bounded number of times (the look-ahead that
// decides whether a backslash continues the line remembers how far it saw),
// and tokens are written straight into the file's one text buffer.
#include "platform/offline/formats/inf_parser.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "platform/codecs.h"
#include "platform/text.h"

namespace offline {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == 0; }

bool LessNoCase(std::u16string_view a, std::u16string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return text::UpperAZ(x) < text::UpperAZ(y); });
}

}  // namespace

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
    case InfError::kTooManyFields: return "too many fields";
    case InfError::kTextBeforeSection: return "text before the first section";
    case InfError::kWrongStyle: return "no Windows NT or Windows 95 signature";
  }
  return "unreadable";
}

// Reads the decoded text line by line into an InfFile.
class InfReader {
 public:
  InfReader(std::u16string_view text, bool requireWin4) : t_(text), requireWin4_(requireWin4) {}

  Parsed<InfFile, InfRejection> Read() {
    while (pos_ < t_.size()) {
      if (++lineNo_ > kInfMaxLines) return InfRejection{InfError::kTooManyLines, lineNo_};
      const unsigned thisLine = lineNo_;
      SkipBlanks();
      if (pos_ < t_.size() && t_[pos_] == u'[') {
        if (auto error = SectionHeader()) return InfRejection{*error, thisLine};
        continue;
      }
      const std::size_t textMark = f_.text_.size(), fieldMark = f_.fields_.size();
      std::optional<InfLine> line;
      if (!BodyLine(&line)) return InfRejection{InfError::kTooManyFields, thisLine};
      if (!line || !current_) {  // nothing, or text before any section: only its place is kept
        if (line && firstOrphanLine_ == 0) firstOrphanLine_ = thisLine;
        f_.text_.resize(textMark);
        f_.fields_.resize(fieldMark);
        continue;
      }
      lineSections_.push_back(*current_);
      f_.lines_.push_back(*line);
    }
    Group();
    // Text before the first section is tolerated in a file with [Strings];
    // a WIN4 file with no section at all is of the wrong style instead.
    const bool anySection = !f_.sections_.empty();
    if (firstOrphanLine_ != 0 && !f_.FindSection(u"Strings") && (anySection || !requireWin4_)) {
      return InfRejection{InfError::kTextBeforeSection, firstOrphanLine_};
    }
    return std::move(f_);
  }

 private:
  void SkipBlanks() {
    while (pos_ < t_.size() && t_[pos_] != u'\n' && IsBlank(t_[pos_])) ++pos_;
  }
  void SkipLine() {
    const std::size_t eol = t_.find(u'\n', pos_);
    pos_ = eol == std::u16string_view::npos ? t_.size() : eol + 1;
  }

  // "[name]": the name runs to the first "]" on the line and is not trimmed;
  // the rest of the line is ignored. A section met again continues the first.
  std::optional<InfError> SectionHeader() {
    std::size_t close = pos_ + 1;
    while (close < t_.size() && t_[close] != u']' && t_[close] != u'\n') ++close;
    if (close >= t_.size() || t_[close] != u']') return InfError::kUnclosedSection;
    const std::size_t length = close - pos_ - 1;
    if (length > kInfMaxSectionName) return InfError::kSectionNameTooLong;
    const std::u16string_view name = t_.substr(pos_ + 1, length);
    const auto known = byName_.emplace(text::UpperCaseAZ(name), static_cast<std::uint32_t>(f_.sections_.size()));
    if (known.second) {
      InfFile::Section s;
      s.name = Append(name);
      f_.sections_.push_back(s);
    }
    current_ = known.first->second;
    pos_ = close + 1;
    SkipLine();
    return std::nullopt;
  }

  // After an unquoted "\": the line goes on below when only blanks,
  // backslashes or a comment follow. The answer holds for every backslash up
  // to where the scan stopped, so a run of them is scanned once.
  bool IsContinuation(std::size_t after) {
    if (after < scanFrom_ || after > scanTo_) {
      std::size_t i = after;
      while (i < t_.size() && (IsBlank(t_[i]) || t_[i] == u'\\')) ++i;
      scanFrom_ = after;
      scanTo_ = i;
      scanResult_ = i >= t_.size() || t_[i] == u'\n' || t_[i] == u';';
    }
    return scanResult_;
  }

  InfSpan Append(std::u16string_view s) {
    InfSpan span{static_cast<std::uint32_t>(f_.text_.size()), static_cast<std::uint32_t>(s.size())};
    f_.text_.append(s);
    return span;
  }

  // The token being read: its characters are written at the end of the text.
  struct Token {
    std::size_t start = 0;
    std::size_t keep = 0;  // end of the last non-blank or quoted character
    bool started = false;
  };
  void Add(Token& tok, char16_t c, bool quoted) {
    if (!quoted && !tok.started && IsBlank(c)) return;
    if (c == 0) c = u' ';
    tok.started = true;
    if (f_.text_.size() - tok.start < kInfMaxFieldChars) f_.text_.push_back(c);
    if (quoted || !IsBlank(c)) tok.keep = f_.text_.size();
  }
  InfSpan Take(Token& tok) {
    f_.text_.resize(tok.keep);
    InfSpan span{static_cast<std::uint32_t>(tok.start), static_cast<std::uint32_t>(tok.keep - tok.start)};
    tok = Token{f_.text_.size(), f_.text_.size(), false};
    return span;
  }
  bool AddField(InfLine& line, Token& tok) {
    if (line.fieldCount >= kInfMaxFieldsPerLine || f_.fields_.size() >= kInfMaxFields) return false;
    f_.fields_.push_back(Take(tok));
    ++line.fieldCount;
    return true;
  }

  // Key, fields, comments, quotes and continuation lines. `out` stays empty
  // for a line that holds nothing; false when there are too many fields.
  bool BodyLine(std::optional<InfLine>* out) {
    InfLine line;
    line.firstField = static_cast<std::uint32_t>(f_.fields_.size());
    Token tok{f_.text_.size(), f_.text_.size(), false};
    bool inQuotes = false, sawComma = false, any = false;
    while (pos_ < t_.size()) {
      const char16_t c = t_[pos_];
      if (c == u'\n') {
        ++pos_;
        break;  // an unclosed quote runs to the end of the line
      }
      if (inQuotes) {
        const bool doubled = c == u'"' && pos_ + 1 < t_.size() && t_[pos_ + 1] == u'"';
        if (doubled) Add(tok, u'"', true);
        else if (c == u'"') inQuotes = false;
        else Add(tok, c, true);
        pos_ += doubled ? 2 : 1;
        continue;
      }
      if (c == u'"') {
        inQuotes = true;
        tok.started = true;
        any = true;
      } else if (c == u';') {
        SkipLine();
        break;
      } else if (c == u'\\' && IsContinuation(pos_ + 1)) {
        f_.text_.resize(tok.keep);  // blanks before the backslash go
        SkipLine();
        ++lineNo_;
        SkipBlanks();
        continue;
      } else if (c == u'=' && !line.hasKey && !sawComma) {
        line.hasKey = true;
        line.key = Take(tok);
        any = true;
      } else if (c == u',') {
        if (!AddField(line, tok)) return false;
        sawComma = true;
        any = true;
      } else {
        if (!IsBlank(c)) any = true;
        Add(tok, c, false);
      }
      ++pos_;
    }
    if (!any) return true;
    if (!AddField(line, tok)) return false;
    // A lone field is the line's key too.
    if (!line.hasKey && line.fieldCount == 1) {
      line.hasKey = true;
      line.key = f_.fields_[line.firstField];
    }
    *out = line;
    return true;
  }

  // Lines in section order (a counting sort: sections merged from several
  // places keep their lines in file order); the look-up tables.
  void Group() {
    const std::size_t n = f_.sections_.size();
    std::vector<std::uint32_t> start(n + 1, 0);
    for (std::uint32_t s : lineSections_) ++start[s + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<InfLine> grouped(f_.lines_.size());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < f_.lines_.size(); ++i) grouped[next[lineSections_[i]]++] = f_.lines_[i];
    f_.lines_ = std::move(grouped);
    for (std::size_t s = 0; s < n; ++s) {
      f_.sections_[s].firstLine = start[s];
      f_.sections_[s].lineCount = start[s + 1] - start[s];
    }
    f_.sectionsByName_.reserve(n);
    for (const auto& entry : byName_) f_.sectionsByName_.push_back(entry.second);
    if (const auto strings = f_.FindSection(u"Strings")) {
      const InfFile::Section& s = f_.sections_[*strings];
      for (std::uint32_t l = s.firstLine; l < s.firstLine + s.lineCount; ++l) {
        if (f_.lines_[l].hasKey) f_.strings_.push_back(l);
      }
      std::stable_sort(f_.strings_.begin(), f_.strings_.end(), [this](std::uint32_t a, std::uint32_t b) {
        return LessNoCase(f_.Key(f_.lines_[a]), f_.Key(f_.lines_[b]));
      });
    }
  }

  std::u16string_view t_;
  bool requireWin4_;
  std::size_t pos_ = 0;
  unsigned lineNo_ = 0;
  InfFile f_;
  std::vector<std::uint32_t> lineSections_;                     // each line's section, in file order
  std::map<std::u16string, std::uint32_t> byName_;  // upper-cased name -> section (a tree: no hash to flood)
  std::optional<std::uint32_t> current_;
  unsigned firstOrphanLine_ = 0;
  std::size_t scanFrom_ = 1, scanTo_ = 0;  // the last continuation look-ahead; empty at first
  bool scanResult_ = false;
};

namespace {

// [Version] Signature, after substitution: one of the three Windows signatures.
bool HasWin4Signature(const InfFile& file) {
  const auto version = file.FindSection(u"Version");
  if (!version) return false;
  const auto line = file.FindKey(*version, u"Signature");
  if (!line) return false;
  const InfLine& l = file.Line(*version, *line);
  const std::u16string sig = l.fieldCount ? file.Substitute(file.Field(l, 0)) : std::u16string();
  return text::EqualsNoCaseAZ(sig, u"$Chicago$") || text::EqualsNoCaseAZ(sig, u"$Windows NT$") ||
         text::EqualsNoCaseAZ(sig, u"$Windows 95$");
}

}  // namespace

Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4) {
  if (bytes.size() > kInfMaxBytes) return InfRejection{InfError::kTooLarge, 0};
  const std::u16string t = DecodeInfText(bytes);
  auto file = InfReader(t, requireWin4).Read();
  if (file && requireWin4 && !HasWin4Signature(*file)) return InfRejection{InfError::kWrongStyle, 0};
  return file;
}

}  // namespace offline
