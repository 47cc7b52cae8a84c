// The second step of reading an INF file: the lines of one section, parsed
// into keys and fields with SetupAPI's rules (quotes, comments, continued
// lines, a lone field that is the key too), tokens written straight into the
// file's one text buffer. Each character is looked at a bounded number of
// times: the look-ahead that decides whether a backslash continues the line
// remembers how far it saw.
#include <algorithm>

#include "platform/codecs.h"
#include "platform/offline/formats/inf_internal.h"
#include "platform/text.h"

namespace offline {
namespace {

bool IsBlank(char16_t c) { return InfSkeleton::IsBlank(c); }

// Parses lines of decoded text (no section headers among them) into the
// buffers it is given.
class LineParser {
 public:
  LineParser(std::u16string_view t, std::u16string& text, std::uint32_t chunk, std::deque<InfSpan>& fields)
      : t_(t), text_(text), chunk_(chunk), fields_(fields) {}

  // The next line that holds anything, or nothing at the end of the text.
  std::optional<InfLine> Next() {
    while (pos_ < t_.size()) {
      SkipBlanks();
      if (auto line = BodyLine()) return line;
    }
    return std::nullopt;
  }

 private:
  void SkipBlanks() {
    while (pos_ < t_.size() && t_[pos_] != u'\n' && IsBlank(t_[pos_])) ++pos_;
  }
  void SkipLine() {
    const std::size_t eol = t_.find(u'\n', pos_);
    pos_ = eol == std::u16string_view::npos ? t_.size() : eol + 1;
  }
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
    if (text_.size() - tok.start < kInfMaxFieldChars) text_.push_back(c);
    if (quoted || !IsBlank(c)) tok.keep = text_.size();
  }
  InfSpan Take(Token& tok) {
    text_.resize(tok.keep);
    InfSpan span{static_cast<std::uint32_t>(tok.start), static_cast<std::uint32_t>(tok.keep - tok.start), chunk_};
    tok = Token{text_.size(), text_.size(), false};
    return span;
  }
  void AddField(InfLine& line, Token& tok) {
    fields_.push_back(Take(tok));
    ++line.fieldCount;
  }

  // Key, fields, comments, quotes and continuation lines; nothing for a line
  // that holds nothing. The scan has checked the number of fields.
  std::optional<InfLine> BodyLine() {
    InfLine line;
    line.firstField = static_cast<std::uint32_t>(fields_.size());
    const std::size_t textMark = text_.size();
    Token tok{textMark, textMark, false};
    bool inQuotes = false, sawComma = false, any = false;
    while (pos_ < t_.size()) {
      const char16_t c = t_[pos_];
      if (c == u'\n') {
        ++pos_;
        break;  // an unclosed quote runs to the end of the line
      }
      if (inQuotes) {
        const bool doubled = c == u'"' && pos_ + 1 < t_.size() && t_[pos_ + 1] == u'"';
        if (doubled)
          Add(tok, u'"', true);
        else if (c == u'"')
          inQuotes = false;
        else
          Add(tok, c, true);
        pos_ += doubled ? 2 : 1;
        continue;
      }
      if (c == u'"') {
        inQuotes = tok.started = any = true;
      } else if (c == u';') {
        SkipLine();
        break;
      } else if (c == u'\\' && IsContinuation(pos_ + 1)) {
        text_.resize(tok.keep);  // blanks before the backslash go
        SkipLine();
        SkipBlanks();
        continue;
      } else if (c == u'=' && !line.hasKey && !sawComma) {
        line.hasKey = any = true;
        line.key = Take(tok);
      } else if (c == u',') {
        AddField(line, tok);
        sawComma = any = true;
      } else {
        if (!IsBlank(c)) any = true;
        Add(tok, c, false);
      }
      ++pos_;
    }
    if (!any) {
      text_.resize(textMark);
      return std::nullopt;
    }
    AddField(line, tok);
    // A lone field is the line's key too.
    if (!line.hasKey && line.fieldCount == 1) {
      line.hasKey = true;
      line.key = fields_[line.firstField];
    }
    return line;
  }

  std::u16string_view t_;
  std::u16string& text_;
  std::uint32_t chunk_;
  std::deque<InfSpan>& fields_;
  std::size_t pos_ = 0;
  std::size_t scanFrom_ = 1, scanTo_ = 0;  // the last continuation look-ahead; empty at first
  bool scanResult_ = false;
};

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

InfFile::LineSpan InfSkeleton::ParseLines(const InfFile& file, std::size_t section) {
  InfFile::LineSpan span{static_cast<std::uint32_t>(file.lines_.size()), 0};
  const InfLayout& layout = *file.layout_;
  std::u16string& tokens = file.text_.emplace_back();
  const auto chunk = static_cast<std::uint32_t>(file.text_.size());  // chunk n is text_[n - 1]
  for (std::uint32_t r = layout.sections[section].firstRange; r != InfLayout::kNoRange; r = layout.ranges[r].next) {
    const std::u16string text = file.Decode(layout.ranges[r]);
    LineParser parser(text, tokens, chunk, file.fields_);
    while (auto line = parser.Next()) {
      file.lines_.push_back(*line);
      ++span.count;
    }
  }
  return span;
}

std::u16string DecodeInfText(const std::vector<std::uint8_t>& b) {
  std::u16string out = codecs::DecodeText(b);
  std::size_t eof = out.find(char16_t(0x1A));
  if (eof != std::u16string::npos) out.resize(eof);
  return out;
}

const char* Describe(InfError error) {
  switch (error) {
    case InfError::kTooLarge:
      return "file too large";
    case InfError::kTooManyLines:
      return "too many lines";
    case InfError::kUnclosedSection:
      return "section header without ]";
    case InfError::kSectionNameTooLong:
      return "section name too long";
    case InfError::kTooManyFields:
      return "too many fields";
    case InfError::kTextBeforeSection:
      return "text before the first section";
    case InfError::kWrongStyle:
      return "no Windows NT or Windows 95 signature";
  }
  return "unreadable";
}

Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4) {
  return ParseInf(std::vector<std::uint8_t>(bytes), requireWin4);
}

Parsed<InfFile, InfRejection> ParseInf(std::vector<std::uint8_t>&& bytes, bool requireWin4) {
  InfFile file = InfSkeleton::NewFile();
  if (auto rejection = InfSkeleton::Scan(std::move(bytes), requireWin4, &file)) return *rejection;
  if (requireWin4 && !HasWin4Signature(file)) return InfRejection{InfError::kWrongStyle, 0};
  return file;
}

}  // namespace offline
