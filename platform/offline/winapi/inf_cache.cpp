#include "platform/offline/winapi/inf_cache.h"

#include <sys/stat.h>

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
  bool kept = false;  // counted against the budget
};

namespace {

// A file as the run knows it, and the style asked for.
using FileKey = std::pair<FileIdentity, bool>;

struct Records {
  std::mutex mutex;
  std::map<FileKey, std::shared_ptr<InfRecord>> byFile;
  std::size_t bytes = 0;
};

Records& AllRecords() {
  static Records records;
  return records;
}

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

// Reads and parses an open file; the record says how it opened and keeps its layout.
std::shared_ptr<const InfFile> ParseFile(DriveFile& source, bool win4, InfRecord* record) {
  auto bytes = ReadAll(source, kInfMaxBytes);
  if (!bytes) {
    record->error = os::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  auto parsed = ParseInf(std::move(*bytes), win4);
  if (!parsed) {
    record->error = ErrorOf(parsed.reason().reason);
    record->errorLine = parsed.reason().line;  // 0 for the whole file (a wrong style)
    return nullptr;
  }
  record->opens = true;
  auto file = std::make_shared<const InfFile>(std::move(*parsed));
  if (file->SectionCount() <= kInfMaxRecordedSections) record->layout = file->Layout();
  return file;
}

}  // namespace

OpenInf::OpenInf(std::shared_ptr<InfRecord> record, std::shared_ptr<const InfFile> file, std::u16string path, bool win4)
    : record_(std::move(record)), file_(std::move(file)), path_(std::move(path)), win4_(win4) {}
OpenInf::~OpenInf() = default;

// The file, when only its record was at hand: its sections read from the
// file as its layout places them, or, without a layout, the file read again.
const InfFile* OpenInf::Parse() {
  if (file_ || reparsed_) return file_.get();
  reparsed_ = true;
  const std::optional<Found> found = MapForRead(path_);
  if (!found || !found->exists() || !S_ISREG(found->path.mode)) return nullptr;
  std::shared_ptr<DriveFile> opened = found->source->Open(found->path);
  if (!opened) return nullptr;
  if (record_->layout) {
    InfReadAt read = [opened](std::uint64_t offset, std::size_t length, std::string* out) {
      out->resize(length);
      std::size_t got = 0;
      while (got < length) {
        const long n = opened->ReadAt(offset + got, out->data() + got, length - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
      }
      return true;
    };
    file_ = std::make_shared<const InfFile>(record_->layout, std::move(read));
  } else {
    InfRecord scratch;
    file_ = ParseFile(*opened, win4_, &scratch);
  }
  return file_.get();
}

std::optional<OpenInf::Place> OpenInf::FindLine(std::u16string_view section, const char16_t* key) {
  InfAnswer question;
  question.section = text::UpperCaseAZ(section);
  question.anyKey = key == nullptr;
  if (key) question.key = text::UpperCaseAZ(key);
  Records& all = AllRecords();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    for (const InfAnswer& a : record_->answers) {
      if (a.anyKey == question.anyKey && a.section == question.section && a.key == question.key) return a.place;
    }
  }
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

InfOpening OpenInfFile(std::u16string_view path, bool win4) {
  InfOpening result;
  result.error = os::ERROR_FILE_NOT_FOUND;
  // Known by what the drive says of it; opened only when it is new.
  const std::optional<Found> found = MapForRead(path);
  if (!found || !found->exists() || !S_ISREG(found->path.mode)) return result;
  const std::optional<FileIdentity> identity = IdentityOf(*found);
  if (!identity) return result;
  const FileKey key{*identity, win4};
  Records& all = AllRecords();
  std::shared_ptr<InfRecord> record;
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.byFile.find(key);
    if (it != all.byFile.end()) record = it->second;
  }
  std::shared_ptr<const InfFile> file;
  if (!record) {
    const std::unique_ptr<DriveFile> opened = found->source->Open(found->path);
    if (!opened) return result;
    record = std::make_shared<InfRecord>();
    file = ParseFile(*opened, win4, record.get());
    std::lock_guard<std::mutex> lock(all.mutex);
    const std::size_t size = sizeof(InfRecord) + 64 + (record->layout ? record->layout->Bytes() : 0);
    if (all.bytes + size <= kInfRecordBudget) {
      all.bytes += size;
      record->kept = true;
      all.byFile.emplace(key, record);
    }
  }
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
  all.bytes = 0;
}

}  // namespace offline
