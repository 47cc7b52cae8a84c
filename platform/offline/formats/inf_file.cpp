// Look-ups in a parsed INF file: sections and [Strings] keys by binary
// search, keys of a section in one pass, substitution in one pass over the
// raw text with its output bounded. A section's lines are parsed the first
// time they are asked for.
#include <algorithm>

#include "platform/codecs.h"
#include "platform/offline/formats/inf_internal.h"
#include "platform/text.h"

namespace offline {
namespace {

// -1, 0 or 1 as a is before, equal to or after b, upper-cased (a-z).
int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = text::UpperAZ(a[i]), y = text::UpperAZ(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A directory id as SetupAPI reads one between percent signs: decimal digits only.
std::optional<unsigned> DirId(std::u16string_view key) {
  if (key.empty() || key.size() > 9) return std::nullopt;
  unsigned id = 0;
  for (char16_t c : key) {
    if (c < u'0' || c > u'9') return std::nullopt;
    id = id * 10 + static_cast<unsigned>(c - u'0');
  }
  return id;
}

}  // namespace

std::size_t InfLayout::Bytes() const {
  return sizeof *this + 2 * names.size() + sizeof(Range) * ranges.size() + sizeof(Section) * sections.size() +
         sizeof(std::uint32_t) * sectionsByName.size();
}

InfFile::InfFile(std::shared_ptr<const InfLayout> layout, InfReadAt read)
    : layout_(std::move(layout)), read_(std::move(read)), readSections_(layout_->sections.size()) {}

std::optional<std::size_t> InfLayout::FindSection(std::u16string_view name) const {
  auto nameOf = [this](std::uint32_t s) {
    return std::u16string_view(names).substr(sections[s].name.offset, sections[s].name.length);
  };
  const auto it =
      std::lower_bound(sectionsByName.begin(), sectionsByName.end(), name,
                       [&](std::uint32_t s, std::u16string_view n) { return CompareNoCase(nameOf(s), n) < 0; });
  if (it == sectionsByName.end() || CompareNoCase(nameOf(*it), name) != 0) return std::nullopt;
  return *it;
}

const InfFile::LineSpan& InfFile::Lines(std::size_t section) const {
  std::optional<LineSpan>& lines = readSections_[section];
  if (!lines) lines = InfSkeleton::ParseLines(*this, section);
  return *lines;
}

// The text of a range: from the whole text, or read from the file. A range
// that can no longer be read reads as empty.
std::u16string InfFile::Decode(const InfLayout::Range& range) const {
  const std::size_t length = range.end - range.start;
  const bool utf16 = layout_->encoding == InfLayout::Encoding::kUtf16;
  std::string fetched;
  std::string_view bytes;
  if (!read_) {
    if (utf16) return units_.substr(range.start, length);
    const std::string_view text(reinterpret_cast<const char*>(bytes_.data()), textEnd_);
    bytes = text.substr(layout_->textOffset + range.start, length);
  } else {
    const std::uint64_t unit = utf16 ? 2 : 1;
    if (!read_(layout_->textOffset + unit * range.start, unit * length, &fetched)) return u"";
    bytes = fetched;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (utf16) return codecs::DecodeUtf16Le(data, bytes.size());
  if (layout_->encoding == InfLayout::Encoding::kUtf8) return text::FromUtf8(bytes);
  return codecs::DecodeWindows1252(data, bytes.size());
}

// [Strings] lines with a key, by upper-cased key; of equal keys the first in the file comes first.
void InfFile::IndexStrings() const {
  if (strings_) return;
  strings_.emplace();
  if (const auto section = FindSection(u"Strings")) {
    const LineSpan& lines = Lines(*section);
    for (std::uint32_t l = lines.first; l < lines.first + lines.count; ++l) {
      if (lines_[l].hasKey) strings_->push_back(l);
    }
    std::stable_sort(strings_->begin(), strings_->end(), [this](std::uint32_t a, std::uint32_t b) {
      return CompareNoCase(Text(lines_[a].key), Text(lines_[b].key)) < 0;
    });
  }
}

const InfLine* InfFile::FindString(std::u16string_view key) const {
  IndexStrings();
  const auto it = std::lower_bound(
      strings_->begin(), strings_->end(), key,
      [this](std::uint32_t l, std::u16string_view k) { return CompareNoCase(Text(lines_[l].key), k) < 0; });
  if (it == strings_->end() || CompareNoCase(Text(lines_[*it].key), key) != 0) return nullptr;
  return &lines_[*it];
}

std::optional<std::size_t> InfFile::FindKey(std::size_t section, std::u16string_view key,
                                            const InfDirIds* dirids) const {
  std::u16string substituted;
  for (std::size_t l = 0; l < LineCount(section); ++l) {
    const InfLine& line = Line(section, l);
    if (!line.hasKey) continue;
    std::u16string_view lineKey = Key(line);
    if (lineKey.find(u'%') != std::u16string_view::npos) {
      substituted.clear();
      Substitute(lineKey, &substituted, dirids);
      lineKey = substituted;
    }
    if (CompareNoCase(lineKey, key) == 0) return l;
  }
  return std::nullopt;
}

void InfFile::Substitute(std::u16string_view raw, std::u16string* out, const InfDirIds* dirids) const {
  const std::size_t limit = out->size() + kInfMaxFieldChars;
  auto append = [out, limit](std::u16string_view s) { out->append(s.substr(0, limit - std::min(limit, out->size()))); };
  std::size_t i = 0;
  while (i < raw.size() && out->size() < limit) {
    const std::size_t open = raw.find(u'%', i);
    if (open == std::u16string_view::npos) {
      append(raw.substr(i));
      break;
    }
    append(raw.substr(i, open - i));
    const std::size_t close = raw.find(u'%', open + 1);
    if (close == std::u16string_view::npos) {  // an unclosed % is copied
      append(raw.substr(open));
      break;
    }
    const std::u16string_view key = raw.substr(open + 1, close - open - 1);
    i = close + 1;
    if (key.empty()) {
      append(u"%");
    } else if (const InfLine* hit = FindString(key)) {
      if (hit->fieldCount) append(Field(*hit, 0));
    } else if (std::optional<std::u16string> path =
                   (dirids && *dirids && DirId(key)) ? (*dirids)(*DirId(key)) : std::nullopt) {
      std::u16string_view p = *path;
      if (!p.empty() && p.back() == u'\\' && i < raw.size() && raw[i] == u'\\') p.remove_suffix(1);
      append(p);
    } else {
      append(raw.substr(open, close - open + 1));
    }
  }
}

std::u16string InfFile::Substitute(std::u16string_view raw, const InfDirIds* dirids) const {
  std::u16string out;
  Substitute(raw, &out, dirids);
  return out;
}

std::u16string InfFile::LineText(const InfLine& line, const InfDirIds* dirids) const {
  std::u16string text;
  for (std::uint32_t f = 0; f < line.fieldCount; ++f) {
    if (f) text.push_back(u',');
    Substitute(Field(line, f), &text, dirids);
  }
  return text;
}

}  // namespace offline
