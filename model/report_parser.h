// One report of a SysInfo.log, line by line: the header, the Korvane versions,
// the adapter sections, the Tandrel, TevoCCL, Carnel.sys and OVRA sections.
// A listing (registry settings or INF names) counts only once the line after
// it shows that it is whole; a report cut short keeps what it finished.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/machine_facts.h"
#include "model/report_adapter.h"
#include "model/report_text.h"

namespace model {

class ReportParser {
 public:
  ReportParser(int number, int firstLine);
  ~ReportParser();

  // One line of the report; false (with the reason) when it could not be read.
  bool Take(const TextLine& line, std::string* why);

  // The report is over, at the start of the next one or at the end of the
  // file. `whole`: it reached the end of its last section.
  MachineFacts Finish(bool* whole);

 private:
  enum class Section { kHeader, kMarkers, kAdapter, kTandrel, kTevoCcl, kCarnel, kOvra };
  // A registry listing or an INF list being read.
  struct Listing {
    bool settings = false;  // else an INF list
    Settings values;
    int tokens = 0;
    bool ambiguous = false;
    InfSearchFacts* search = nullptr;
    std::vector<std::string> files;
    bool nothingFound = false;
    bool damaged = false;
    bool ovraCompanion = false;
  };

  bool TakeAny(const TextLine& line, std::string* why);
  bool TakeListingLine(std::u16string_view content, std::string* why);
  bool TakeTitle(std::u16string_view line);
  bool TakeSectionLine(std::u16string_view line, std::string* why);
  bool TakeHeaderLine(std::u16string_view line);
  bool TakeMarkerLine(std::u16string_view line);
  bool TakeTandrelLine(std::u16string_view line);
  bool TakeCarnelLine(std::u16string_view line);
  bool TakeOvraLine(std::u16string_view line);
  bool TakeHeading(std::u16string_view line, std::string* why);
  bool OpenSettings(std::u16string_view name);
  bool OpenInfList(std::u16string_view name);
  void CloseListing(bool whole);
  void LeaveSection(bool whole);

  MachineFacts facts_;
  Section section_ = Section::kHeader;
  std::unique_ptr<AdapterSectionReader> adapter_;
  std::unique_ptr<Listing> listing_;
  Known<std::string> date_;
  Known<std::string> time_;
  bool reachedOvra_ = false;
  bool ovraDone_ = false;  // the last list the report writes was read
};

}  // namespace model
