// The first step of reading an INF file: one pass over the whole text that
// finds the section headers and where each section's lines lie, and refuses
// the file as SetupAPI does (a header without "]", a name too long, text
// before the first section) or where it passes a limit. It follows quotes,
// comments and continued lines exactly as the line parser does, so that the
// two agree on which lines are headers, but keeps no token. Single-byte text
// is scanned as bytes: every character that steers the scan is ASCII, which
// Windows-1252 and UTF-8 spell as such.
#include <map>

#include "platform/codecs.h"
#include "platform/offline/formats/char_search.h"
#include "platform/offline/formats/inf_internal.h"
#include "platform/text.h"

namespace offline {
namespace {

struct Scanned {
  struct Place {
    std::uint32_t section, start, end;
  };
  std::vector<std::u16string> names;               // sections in the order they first appear
  std::map<std::u16string, std::uint32_t> byName;  // upper-cased name -> section (a tree: no hash to flood)
  std::vector<Place> places;                       // each stretch of a section's lines, in file order
  unsigned firstOrphanLine = 0;                    // text before the first section
};

template <typename View, typename Decode>
class Scanner {
  using Char = typename View::value_type;

 public:
  Scanner(View t, Decode decode) : t_(t), decode_(decode) {}

  std::optional<InfRejection> Scan(Scanned* out) {
    std::size_t fields = 0;
    std::optional<std::uint32_t> current;
    std::size_t rangeStart = 0;
    while (pos_ < t_.size()) {
      if (++lineNo_ > kInfMaxLines) return InfRejection{InfError::kTooManyLines, lineNo_};
      const unsigned thisLine = lineNo_;
      const std::size_t lineStart = pos_;
      SkipBlanks();
      if (pos_ < t_.size() && t_[pos_] == Char('[')) {
        const std::size_t close = FindFirstOf<']', '\n'>(t_, pos_ + 1);
        if (close >= t_.size() || t_[close] != Char(']')) return InfRejection{InfError::kUnclosedSection, thisLine};
        if (close - pos_ - 1 > kInfMaxSectionName) return InfRejection{InfError::kSectionNameTooLong, thisLine};
        if (current) out->places.push_back({*current, Pos(rangeStart), Pos(lineStart)});
        std::u16string name = decode_(t_.substr(pos_ + 1, close - pos_ - 1));
        const auto known = out->byName.emplace(text::UpperCaseAZ(name), static_cast<std::uint32_t>(out->names.size()));
        if (known.second) out->names.push_back(std::move(name));
        current = known.first->second;
        pos_ = close + 1;
        SkipLine();
        rangeStart = pos_;
        continue;
      }
      const auto lineFields = BodyLine();
      if (!lineFields) return InfRejection{InfError::kTooManyFields, thisLine};
      if (*lineFields == 0) continue;
      if (!current) {
        if (out->firstOrphanLine == 0) out->firstOrphanLine = thisLine;
        continue;
      }
      fields += *lineFields;
      if (fields > kInfMaxFields) return InfRejection{InfError::kTooManyFields, thisLine};
    }
    if (current) out->places.push_back({*current, Pos(rangeStart), Pos(t_.size())});
    return std::nullopt;
  }

 private:
  static std::uint32_t Pos(std::size_t p) { return static_cast<std::uint32_t>(p); }
  void SkipBlanks() {
    while (pos_ < t_.size() && InfSkeleton::IsBlank(t_[pos_])) ++pos_;
  }
  void SkipLine() {
    pos_ = FindFirstOf<'\n'>(t_, pos_);
    if (pos_ < t_.size()) ++pos_;
  }
  // As the line parser: after an unquoted "\", the line goes on below when
  // only blanks, backslashes or a comment follow; the answer holds for every
  // backslash up to where the look-ahead stopped.
  bool IsContinuation(std::size_t after) {
    if (after < scanFrom_ || after > scanTo_) {
      std::size_t i = after;
      while (i < t_.size() && (InfSkeleton::IsBlank(t_[i]) || t_[i] == Char('\\'))) ++i;
      scanFrom_ = after;
      scanTo_ = i;
      scanResult_ = i >= t_.size() || t_[i] == Char('\n') || t_[i] == Char(';');
    }
    return scanResult_;
  }

  // A line that is no header, with its continuations: the number of fields
  // it holds (0 for a line of nothing), or nothing when it holds too many.
  std::optional<std::size_t> BodyLine() {
    bool inQuotes = false, any = false;
    std::size_t fields = 0;
    while (pos_ < t_.size()) {
      if (inQuotes) {  // to the closing quote; an unclosed one runs to the end of the line
        pos_ = FindFirstOf<'"', '\n'>(t_, pos_);
        if (pos_ >= t_.size()) break;
        if (t_[pos_] == Char('\n')) {
          ++pos_;
          break;
        }
        const bool doubled = pos_ + 1 < t_.size() && t_[pos_ + 1] == Char('"');
        if (!doubled) inQuotes = false;
        pos_ += doubled ? 2 : 1;
        continue;
      }
      if (any) {  // plain text, blanks and "=" change nothing now; commas add fields
        pos_ = CountUntilFirstOf<',', '\n', '"', ';', '\\'>(t_, pos_, &fields);
        if (fields > kInfMaxFieldsPerLine) return std::nullopt;
        if (pos_ >= t_.size()) break;
      }
      const Char c = t_[pos_];
      if (c == Char('\n')) {
        ++pos_;
        break;
      }
      if (c == Char('"')) {
        inQuotes = any = true;
      } else if (c == Char(';')) {
        SkipLine();
        break;
      } else if (c == Char('\\') && IsContinuation(pos_ + 1)) {
        SkipLine();
        ++lineNo_;
        SkipBlanks();
        continue;
      } else if (c == Char(',')) {
        ++fields;
        any = true;
      } else if (!InfSkeleton::IsBlank(c)) {
        any = true;
      }
      ++pos_;
    }
    if (!any) return 0;
    if (fields >= kInfMaxFieldsPerLine) return std::nullopt;
    return fields + 1;
  }

  View t_;
  Decode decode_;
  std::size_t pos_ = 0;
  unsigned lineNo_ = 0;
  std::size_t scanFrom_ = 1, scanTo_ = 0;  // the last continuation look-ahead; empty at first
  bool scanResult_ = false;
};

template <typename View, typename Decode>
std::optional<InfRejection> ScanText(View t, Decode decode, Scanned* out) {
  return Scanner<View, Decode>(t, decode).Scan(out);
}

}  // namespace

std::optional<InfRejection> InfSkeleton::Scan(std::vector<std::uint8_t>&& bytes, bool requireWin4, InfFile* file) {
  if (bytes.size() > kInfMaxBytes) return InfRejection{InfError::kTooLarge, 0};
  const codecs::DetectedEncoding found = codecs::DetectEncoding(bytes.data(), bytes.size());
  const std::uint8_t* body = bytes.data() + found.bomLength;
  const std::size_t length = bytes.size() - found.bomLength;
  auto layout = std::make_shared<InfLayout>();
  layout->textOffset = static_cast<std::uint32_t>(found.bomLength);
  Scanned scanned;
  std::optional<InfRejection> rejection;
  if (found.encoding == codecs::Encoding::kUtf16Le) {
    layout->encoding = InfLayout::Encoding::kUtf16;
    file->units_ = codecs::DecodeUtf16Le(body, length);
    file->units_.resize(FindFirstOf<'\x1a'>(std::u16string_view(file->units_), 0));
    rejection = ScanText(
        std::u16string_view(file->units_), [](std::u16string_view s) { return std::u16string(s); }, &scanned);
  } else {
    const bool utf8 = found.encoding == codecs::Encoding::kUtf8;
    layout->encoding = utf8 ? InfLayout::Encoding::kUtf8 : InfLayout::Encoding::kWindows1252;
    std::string_view text(reinterpret_cast<const char*>(body), length);
    text = text.substr(0, text.find('\x1a'));
    file->textEnd_ = found.bomLength + text.size();
    file->bytes_ = std::move(bytes);  // the text's bytes stay where they are
    rejection = ScanText(
        text,
        [utf8](std::string_view s) {
          return utf8 ? text::FromUtf8(s)
                      : codecs::DecodeWindows1252(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
        },
        &scanned);
  }
  if (rejection) return rejection;

  for (const std::u16string& name : scanned.names) {
    InfLayout::Section s;
    s.name = {static_cast<std::uint32_t>(layout->names.size()), static_cast<std::uint32_t>(name.size()), 0};
    layout->names += name;
    layout->sections.push_back(s);
  }
  for (const auto& [upper, index] : scanned.byName) layout->sectionsByName.push_back(index);
  layout->ranges.reserve(scanned.places.size());
  for (const Scanned::Place& p : scanned.places) {
    const auto r = static_cast<std::uint32_t>(layout->ranges.size());
    layout->ranges.push_back({p.start, p.end, InfLayout::kNoRange});
    InfLayout::Section& s = layout->sections[p.section];
    if (s.lastRange == InfLayout::kNoRange)
      s.firstRange = r;
    else
      layout->ranges[s.lastRange].next = r;
    s.lastRange = r;
  }
  file->layout_ = std::move(layout);
  file->readSections_.resize(file->layout_->sections.size());
  // Text before the first section is tolerated in a file with [Strings]; a
  // WIN4 file with no section at all is of the wrong style instead.
  if (scanned.firstOrphanLine != 0 && !file->FindSection(u"Strings") &&
      (!file->layout_->sections.empty() || !requireWin4)) {
    return InfRejection{InfError::kTextBeforeSection, scanned.firstOrphanLine};
  }
  return std::nullopt;
}

}  // namespace offline
