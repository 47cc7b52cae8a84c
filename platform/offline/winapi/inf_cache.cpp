#include "platform/offline/winapi/inf_cache.h"

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/offline/formats/inf_parser.h"
#include "platform/offline/winapi/inf_dirids.h"
#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/text.h"

namespace offline {

// A question SetupFindFirstLineW was asked, and what it found.
struct InfAnswer {
  std::u16string section;  // upper-cased
  std::u16string key;      // upper-cased; empty with anyKey
  bool anyKey = false;
  std::optional<OpenInf::Place> place;
  std::optional<std::u16string> text;  // the line's text, when short enough to keep
};

// What a run keeps of one file.
struct InfRecord {
  bool opens = false;
  os::DWORD error = 0;
  os::UINT errorLine = 0;
  std::shared_ptr<const InfLayout> layout;  // where its sections lie; null past kInfMaxRecordedSections
  std::vector<InfAnswer> answers;
  // The file's first bytes, up to the end of [Version] when that section
  // lies within kInfKeptHeadBytes of the start (as it does in nearly every
  // file): every search asks about [Version], and SetupAPI itself reads it
  // at open, so questions about it are answered without opening the file
  // again.
  std::vector<std::uint8_t> head;
  bool kept = false;  // counted against the budget
};

namespace {

constexpr std::size_t kInfKeptHeadBytes = 4096;
constexpr std::size_t kMaxKnownPaths = 16384;

// A file as the run knows it, and the style asked for.
using FileKey = std::pair<FileIdentity, bool>;

// A file by the Windows path it was opened by and the style asked for.
using PathAsked = std::pair<std::u16string, bool>;
using PathAskedView = std::pair<std::u16string_view, bool>;
// Paths in one folder share a long start: ordered by length, then by their
// bytes (memcmp), any two compare in a few instructions.
struct PathOrder {
  using is_transparent = void;
  template <typename A, typename B>
  bool operator()(const A& a, const B& b) const {
    return Compare(a.first, a.second, b.first, b.second) < 0;
  }
  static int Compare(std::u16string_view a, bool aStyle, std::u16string_view b, bool bStyle) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    if (const int c = a.empty() ? 0 : std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t))) return c;
    return aStyle == bStyle ? 0 : (aStyle ? 1 : -1);
  }
};
struct OpenedAt {
  std::string pathKey;  // its PathKey, to know which writes concern it
  bool inOutput = false;
  std::shared_ptr<InfRecord> record;
};

struct Records final : WriteAware {
  std::mutex mutex;
  std::map<FileKey, std::shared_ptr<InfRecord>> byFile;
  // The record each path opened, so that the next search's open of the same
  // path needs neither a path look-up nor an identity check. Forgotten where
  // a write may have put another file at the path: a write at, above or
  // below it, or data written on the side (--output) the file was found on.
  std::map<PathAsked, OpenedAt, PathOrder> byPath;
  std::size_t bytes = 0;

  void ForgetPath(const std::string& key) override {
    ForgetPathsWhere([&](const OpenedAt& at) { return IsAtOrAbove(key, at.pathKey) || IsAtOrAbove(at.pathKey, key); });
  }
  void ForgetWritten() override {
    ForgetPathsWhere([](const OpenedAt& at) { return at.inOutput; });
  }
  template <typename Predicate>
  void ForgetPathsWhere(Predicate concerned) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = byPath.begin(); it != byPath.end();) it = concerned(it->second) ? byPath.erase(it) : std::next(it);
  }
  void ForgetAll() override {
    std::lock_guard<std::mutex> lock(mutex);
    byPath.clear();
  }
};

Records& AllRecords() { return RunCache<Records>(); }

std::size_t Size(const InfAnswer& a) {
  return sizeof a + 2 * (a.section.size() + a.key.size() + (a.text ? a.text->size() : 0));
}

os::DWORD ErrorOf(InfError reason) {
  switch (reason) {
    case InfError::kUnclosedSection:
      return os::ERROR_BAD_SECTION_NAME_LINE;
    case InfError::kSectionNameTooLong:
      return os::ERROR_SECTION_NAME_TOO_LONG;
    case InfError::kTextBeforeSection:
      return os::ERROR_EXPECTED_SECTION_NAME;
    case InfError::kWrongStyle:
      return os::ERROR_WRONG_INF_STYLE;
    default:
      return os::ERROR_GENERAL_SYNTAX;
  }
}

// Cuts the head kept to the end of [Version], or drops it when [Version]
// runs past it (or the file has none, or no layout is kept).
void KeepVersionHead(InfRecord* record) {
  const InfLayout* layout = record->layout.get();
  const std::optional<std::size_t> version = layout ? layout->FindSection(u"Version") : std::nullopt;
  std::uint64_t end = 0;
  if (version) {
    const std::uint64_t unit = layout->encoding == InfLayout::Encoding::kUtf16 ? 2 : 1;
    for (std::uint32_t r = layout->sections[*version].firstRange; r != InfLayout::kNoRange; r = layout->ranges[r].next)
      end = std::max(end, layout->textOffset + unit * layout->ranges[r].end);
  }
  if (!version || end > record->head.size()) end = 0;
  record->head.resize(static_cast<std::size_t>(end));
  record->head.shrink_to_fit();
}

// Reads and parses an open file; the record says how it opened and keeps its layout.
std::shared_ptr<const InfFile> ParseFile(DriveFile& source, bool win4, InfRecord* record) {
  auto bytes = ReadAll(source, kInfMaxBytes);
  if (!bytes) {
    record->error = os::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  record->head.assign(bytes->begin(),
                      bytes->begin() + static_cast<std::ptrdiff_t>(std::min(bytes->size(), kInfKeptHeadBytes)));
  auto parsed = ParseInf(std::move(*bytes), win4);
  if (!parsed) {
    record->head.clear();
    record->head.shrink_to_fit();
    record->error = ErrorOf(parsed.reason().reason);
    record->errorLine = parsed.reason().line;  // 0 for the whole file (a wrong style)
    return nullptr;
  }
  record->opens = true;
  auto file = std::make_shared<const InfFile>(std::move(*parsed));
  if (file->SectionCount() <= kInfMaxRecordedSections) record->layout = file->Layout();
  KeepVersionHead(record);
  return file;
}

// The file behind a record, opened the first time a section must be read
// from it.
class LazyOpen {
 public:
  explicit LazyOpen(std::u16string path) : path_(std::move(path)) {}
  DriveFile* Get() {
    if (tried_) return file_.get();
    tried_ = true;
    const std::optional<Found> found = MapForRead(path_);
    if (found && found->exists() && S_ISREG(found->path.mode)) file_ = found->source->Open(found->path);
    return file_.get();
  }

 private:
  std::u16string path_;
  bool tried_ = false;
  std::unique_ptr<DriveFile> file_;
};

}  // namespace

OpenInf::OpenInf(std::shared_ptr<InfRecord> record, std::shared_ptr<const InfFile> file, std::u16string path, bool win4)
    : record_(std::move(record)), file_(std::move(file)), path_(std::move(path)), win4_(win4) {}
OpenInf::~OpenInf() = default;

// The file, when only its record was at hand: its sections read from the
// file as its layout places them, or, without a layout, the file read again.
const InfFile* OpenInf::Parse() {
  if (file_ || reparsed_) return file_.get();
  reparsed_ = true;
  auto opened = std::make_shared<LazyOpen>(path_);
  if (record_->layout) {
    InfReadAt read = [opened, record = record_](std::uint64_t offset, std::size_t length, std::string* out) {
      const std::vector<std::uint8_t>& head = record->head;
      if (offset <= head.size() && length <= head.size() - offset) {
        out->assign(head.begin() + static_cast<std::ptrdiff_t>(offset),
                    head.begin() + static_cast<std::ptrdiff_t>(offset + length));
        return true;
      }
      DriveFile* file = opened->Get();
      if (!file) return false;
      out->resize(length);
      std::size_t got = 0;
      while (got < length) {
        const long n = file->ReadAt(offset + got, out->data() + got, length - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
      }
      return true;
    };
    file_ = std::make_shared<const InfFile>(record_->layout, std::move(read));
  } else if (DriveFile* file = opened->Get()) {
    InfRecord scratch;
    file_ = ParseFile(*file, win4_, &scratch);
  }
  return file_.get();
}

std::optional<OpenInf::Place> OpenInf::FindLine(std::u16string_view section, const char16_t* key) {
  const std::u16string_view keyText = key ? std::u16string_view(key) : std::u16string_view();
  Records& all = AllRecords();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    for (const InfAnswer& a : record_->answers) {
      if (a.anyKey == (key == nullptr) && text::EqualsNoCaseAZ(a.section, section) &&
          text::EqualsNoCaseAZ(a.key, keyText))
        return a.place;
    }
  }
  InfAnswer question;
  question.section = text::UpperCaseAZ(section);
  question.anyKey = key == nullptr;
  question.key = text::UpperCaseAZ(keyText);
  // A section the file lacks needs no reading.
  const bool mayHave = file_ || !record_->layout || record_->layout->FindSection(section);
  if (mayHave) {
    if (const InfFile* file = Parse()) {
      const InfDirIds dirids = [this](unsigned id) { return InfDirIdPath(id, path_); };
      if (const auto s = file->FindSection(section)) {
        const auto l = key ? file->FindKey(*s, key, &dirids)
                           : (file->LineCount(*s) ? std::optional<std::size_t>(0) : std::nullopt);
        if (l) {
          question.place = Place{static_cast<unsigned>(*s), static_cast<unsigned>(*l)};
          std::u16string line = file->LineText(file->Line(*s, *l), &dirids);
          if (line.size() <= kInfMaxFieldChars) question.text = std::move(line);
        }
      }
    }
  }
  std::lock_guard<std::mutex> lock(all.mutex);
  const std::size_t size = Size(question);
  if (record_->kept && all.bytes + size <= kInfRecordBudget) {
    all.bytes += size;
    record_->answers.push_back(question);
  }
  return question.place;
}

std::optional<std::u16string> OpenInf::LineText(Place place) {
  {
    std::lock_guard<std::mutex> lock(AllRecords().mutex);
    for (const InfAnswer& a : record_->answers) {
      if (a.place && a.text && a.place->section == place.section && a.place->line == place.line) return a.text;
    }
  }
  const InfFile* file = Parse();
  if (!file || place.section >= file->SectionCount() || place.line >= file->LineCount(place.section)) {
    return std::nullopt;
  }
  const InfDirIds dirids = [this](unsigned id) { return InfDirIdPath(id, path_); };
  return file->LineText(file->Line(place.section, place.line), &dirids);
}

namespace {

// The record of the file at `path`, from the path's last open while no write
// concerns it; else found by the file's identity, or made by reading the file
// (`file` then holds what was read). Null when the file does not open at all.
std::shared_ptr<InfRecord> RecordOf(std::u16string_view path, bool win4, std::shared_ptr<const InfFile>* file) {
  Records& all = AllRecords();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.byPath.find(PathAskedView(path, win4));
    if (it != all.byPath.end()) return it->second.record;
  }
  // Known by what the drive says of it; opened only when it is new.
  const std::optional<Found> found = MapForRead(path);
  if (!found || !found->exists() || !S_ISREG(found->path.mode)) return nullptr;
  const std::optional<FileIdentity> identity = IdentityOf(*found);
  if (!identity) return nullptr;
  const FileKey key{*identity, win4};
  std::shared_ptr<InfRecord> record;
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.byFile.find(key);
    if (it != all.byFile.end()) record = it->second;
  }
  if (!record) {
    const std::unique_ptr<DriveFile> opened = found->source->Open(found->path);
    if (!opened) return nullptr;
    record = std::make_shared<InfRecord>();
    *file = ParseFile(*opened, win4, record.get());
    std::lock_guard<std::mutex> lock(all.mutex);
    const std::size_t size =
        sizeof(InfRecord) + 64 + record->head.size() + (record->layout ? record->layout->Bytes() : 0);
    if (all.bytes + size <= kInfRecordBudget) {
      all.bytes += size;
      record->kept = true;
      all.byFile.emplace(key, record);
    }
  }
  if (record->kept) {
    std::lock_guard<std::mutex> lock(all.mutex);
    if (all.byPath.size() >= kMaxKnownPaths) all.byPath.clear();
    all.byPath[PathAsked(path, win4)] = OpenedAt{PathKey(path), found->InOutput(), record};
  }
  return record;
}

}  // namespace

InfOpening OpenInfFile(std::u16string_view path, bool win4) {
  InfOpening result;
  result.error = os::ERROR_FILE_NOT_FOUND;
  std::shared_ptr<const InfFile> file;
  const std::shared_ptr<InfRecord> record = RecordOf(path, win4, &file);
  if (!record) return result;
  if (!record->opens) {
    result.error = record->error;
    result.errorLine = record->errorLine;
    return result;
  }
  result.error = 0;
  result.inf = std::make_shared<OpenInf>(record, std::move(file), std::u16string(path), win4);
  return result;
}

void ForgetInfRecords() {
  Records& all = AllRecords();
  std::lock_guard<std::mutex> lock(all.mutex);
  all.byFile.clear();
  all.byPath.clear();
  all.bytes = 0;
}

}  // namespace offline
