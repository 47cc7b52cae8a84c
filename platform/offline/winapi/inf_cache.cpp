#include "platform/offline/winapi/inf_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/offline/formats/inf_parser.h"
#include "platform/offline/winapi/inf_dirids.h"
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
  bool allSections = false;            // sectionHashes names every section
  std::vector<std::uint64_t> sectionHashes;  // sorted
  std::vector<InfAnswer> answers;
  bool kept = false;                   // counted against the budget
};

namespace {

// FNV-1a over the upper-cased name: a collision only costs a read.
std::uint64_t SectionHash(std::u16string_view name) {
  std::uint64_t h = 1469598103934665603ull;
  for (char16_t c : name) {
    h = (h ^ text::UpperAZ(c)) * 1099511628211ull;
  }
  return h;
}

// A file as the run knows it: its drive, its place there, its size and times, and the style asked for.
using FileKey = std::tuple<const DriveSource*, std::string, std::uint64_t, std::uint64_t, std::uint64_t, bool>;

// The file at a Windows path, opened for reading; null when there is none.
std::unique_ptr<DriveFile> OpenFound(std::u16string_view path, std::optional<Found>* found) {
  *found = MapForRead(path);
  if (!*found || !(*found)->exists() || !S_ISREG((*found)->path.mode)) return nullptr;
  return (*found)->source->Open((*found)->path);
}

std::string PlaceOf(const Found& found) {
  std::string place;
  for (const std::string& part : found.path.parts) place += "/" + part;
  return place;
}

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
    case InfError::kUnclosedSection: return os::ERROR_BAD_SECTION_NAME_LINE;
    case InfError::kSectionNameTooLong: return os::ERROR_SECTION_NAME_TOO_LONG;
    case InfError::kTextBeforeSection: return os::ERROR_EXPECTED_SECTION_NAME;
    case InfError::kWrongStyle: return os::ERROR_WRONG_INF_STYLE;
    default: return os::ERROR_GENERAL_SYNTAX;
  }
}

// Reads and parses an open file; the record says how it opened.
std::shared_ptr<const InfFile> ParseFile(DriveFile& source, bool win4, InfRecord* record) {
  const auto bytes = ReadAll(source, kInfMaxBytes);
  if (!bytes) {
    record->error = os::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  auto parsed = ParseInf(*bytes, win4);
  if (!parsed) {
    record->error = ErrorOf(parsed.reason().reason);
    record->errorLine = parsed.reason().line;  // 0 for the whole file (a wrong style)
    return nullptr;
  }
  record->opens = true;
  auto file = std::make_shared<const InfFile>(std::move(*parsed));
  record->allSections = file->SectionCount() <= kInfMaxRecordedSections;
  if (record->allSections) {
    for (std::size_t s = 0; s < file->SectionCount(); ++s) record->sectionHashes.push_back(SectionHash(file->SectionName(s)));
    std::sort(record->sectionHashes.begin(), record->sectionHashes.end());
  }
  return file;
}

}  // namespace

OpenInf::OpenInf(std::shared_ptr<InfRecord> record, std::shared_ptr<const InfFile> file, std::u16string path,
                 bool win4)
    : record_(std::move(record)), file_(std::move(file)), path_(std::move(path)), win4_(win4) {}
OpenInf::~OpenInf() = default;

const InfFile* OpenInf::Parse() {
  if (!file_ && !reparsed_) {
    reparsed_ = true;
    std::optional<Found> found;
    InfRecord scratch;
    if (std::unique_ptr<DriveFile> file = OpenFound(path_, &found)) file_ = ParseFile(*file, win4_, &scratch);
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
  const bool mayHave = !record_->allSections ||
                       std::binary_search(record_->sectionHashes.begin(), record_->sectionHashes.end(),
                                          SectionHash(question.section));
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
  std::optional<Found> found;
  std::unique_ptr<DriveFile> opened = OpenFound(path, &found);
  if (!opened) {
    result.error = os::ERROR_FILE_NOT_FOUND;
    return result;
  }
  const DriveTimes times = opened->Times();
  const FileKey key{found->source.get(), PlaceOf(*found), opened->Size(), times.lastWrite, times.creation, win4};
  Records& all = AllRecords();
  std::shared_ptr<InfRecord> record;
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.byFile.find(key);
    if (it != all.byFile.end()) record = it->second;
  }
  std::shared_ptr<const InfFile> file;
  if (!record) {
    record = std::make_shared<InfRecord>();
    file = ParseFile(*opened, win4, record.get());
    std::lock_guard<std::mutex> lock(all.mutex);
    const std::size_t size = sizeof(InfRecord) + 8 * record->sectionHashes.size() + 64;
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
