// INF files as SetupOpenInfFileW and the line calls see them, each parsed
// once per run. A run asks the same few questions of every OEM INF (the first
// CatalogFile line of [Version], the first AddReg line of an install
// section), once per search; so what is kept of a file after its handle is
// closed is how it opened, where its sections lie and the answers given, not
// the file. A question met again is answered from that record; one about a
// section the file lacks is answered without reading it; a new question about
// a section it has reads that section's lines from the file, and [Strings]
// when a substitution needs it; [Version], which every search asks about, is
// kept with the record when it lies in the file's first 4 KiB. A file is known
// by its device, inode, size and change times, so a file written below
// --output (or replaced) during the run is read afresh; a path opened again is
// known by its last open until a write concerns it (lookup_cache.h).
//
// Limits: a file's record keeps the layout of at most kInfMaxRecordedSections
// sections (with more, every new question reads the whole file again) and
// answers whose text is at most kInfMaxFieldChars characters; once the records of a run hold
// kInfRecordBudget bytes, further files are parsed on every open, as without
// records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os.h"

namespace offline {

constexpr std::size_t kInfMaxRecordedSections = 4096;
constexpr std::size_t kInfRecordBudget = 16u * 1024u * 1024u;

struct InfRecord;
class InfFile;

// One SetupOpenInfFileW handle.
class OpenInf {
 public:
  OpenInf(std::shared_ptr<InfRecord> record, std::shared_ptr<const InfFile> file, std::u16string path, bool win4);
  ~OpenInf();

  struct Place {
    unsigned section = 0;
    unsigned line = 0;
  };
  // The first line of `section` whose key is `key` (the first line of all
  // when key is null), as SetupFindFirstLineW finds it.
  std::optional<Place> FindLine(std::u16string_view section, const char16_t* key);
  // The text SetupGetLineTextW gives for the line at `place`.
  std::optional<std::u16string> LineText(Place place);

 private:
  const InfFile* Parse();  // the file, read again when only its record was at hand

  std::shared_ptr<InfRecord> record_;
  std::shared_ptr<const InfFile> file_;
  std::u16string path_;
  bool win4_;
  bool reparsed_ = false;
};

struct InfOpening {
  std::shared_ptr<OpenInf> inf;  // null when the file does not open
  os::DWORD error = 0;           // why, as SetupOpenInfFileW reports it
  os::UINT errorLine = 0;
};

// Opens the INF file at the Windows path `path`.
InfOpening OpenInfFile(std::u16string_view path, bool win4);

// Forgets every record (the machine was configured anew).
void ForgetInfRecords();

}  // namespace offline
