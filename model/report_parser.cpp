#include "model/report_parser.h"

#include "model/report_lines.h"
#include "platform/text.h"
#include "probes/version_files.h"

namespace model {
namespace {

bool AllOf(std::u16string_view line, char16_t c) {
  for (char16_t x : line) {
    if (x != c) return false;
  }
  return !line.empty();
}

std::string Utf8(std::u16string_view s) { return text::ToUtf8(s); }

// "M/D/Y" and "H:M:S" (minute and second padded with a blank) as the parts' numbers.
bool ParseParts(std::u16string_view text, char16_t separator, int (&parts)[3]) {
  for (int i = 0; i < 3; ++i) {
    const std::size_t end = i < 2 ? text.find(separator) : text.size();
    if (end == std::u16string_view::npos) return false;
    std::u16string_view part = text.substr(0, end);
    while (!part.empty() && part.front() == u' ') part.remove_prefix(1);
    if (!ParseSmallNumber(part, &parts[i])) return false;
    text.remove_prefix(i < 2 ? end + 1 : end);
  }
  return true;
}

std::string TwoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

ReportParser::ReportParser(int number, int firstLine) : facts_(EmptyFacts()) {
  ReportInfo info;
  info.number = number;
  info.firstLine = firstLine;
  facts_.report = info;
}

ReportParser::~ReportParser() = default;

bool ReportParser::Take(const TextLine& line, std::string* why) {
  if (TakeAny(line, why)) return true;
  ReportInfo& info = *facts_.report;
  if (!info.firstUnreadableLine) info.firstUnreadableLine = line.number;
  return false;
}

bool ReportParser::TakeAny(const TextLine& line, std::string* why) {
  if (line.text.size() > kMaxReportLine) {
    if (listing_) listing_->damaged = true;
    *why = "longer than any line of a report";
    return false;
  }
  std::u16string_view content;
  if (ListingContent(line.text, &content)) {
    if (NormalizeBlanks(content).empty()) return true;
    return TakeListingLine(content, why);
  }
  const std::u16string normalized = NormalizeBlanks(line.text);
  if (normalized.empty()) return true;
  CloseListing(true);
  if (AllOf(normalized, u'-')) return true;
  if (AllOf(normalized, u'*')) {
    if (section_ == Section::kHeader) return true;
    *why = "a banner line inside a report";
    return false;
  }
  if (normalized.size() >= 4 && normalized.substr(0, 2) == u"* " && normalized.substr(normalized.size() - 2) == u" *") {
    if (TakeTitle(normalized)) return true;
    *why = "not a section title of a report";
    return false;
  }
  return TakeSectionLine(normalized, why);
}

bool ReportParser::TakeTitle(std::u16string_view line) {
  struct Title {
    const char16_t* text;
    Section section;
  };
  static const Title kTitles[] = {
      {u"* Korvane Versions Detected *", Section::kMarkers},
      {u"* Tandrel Section *", Section::kTandrel},
      {u"* TevoCCL Section *", Section::kTevoCcl},
      {u"* Carnel.sys Section *", Section::kCarnel},
      {u"* OVRA Section *", Section::kOvra},
  };
  for (const Title& title : kTitles) {
    if (line != title.text) continue;
    LeaveSection(true);
    section_ = title.section;
    reachedOvra_ = reachedOvra_ || title.section == Section::kOvra;
    return true;
  }
  static const std::vector<std::u16string> kAdapterTitles = [] {
    std::vector<std::u16string> titles;
    for (const report::AdapterSection& section : report::kAdapterSections) titles.push_back(PieceLine(section.title));
    return titles;
  }();
  for (std::size_t i = 0; i < kAdapterTitles.size(); ++i) {
    if (line != kAdapterTitles[i]) continue;
    const report::AdapterSection& section = report::kAdapterSections[i];
    LeaveSection(true);
    section_ = Section::kAdapter;
    adapter_ = std::make_unique<AdapterSectionReader>(section, *FindAdapterDriver(section.driverIndex));
    return true;
  }
  return false;
}

void ReportParser::LeaveSection(bool whole) {
  if (adapter_) adapter_->Finish(whole, facts_);
  adapter_.reset();
}

bool ReportParser::TakeSectionLine(std::u16string_view line, std::string* why) {
  bool taken = false;
  if (Between(line, u"Registry Parameters for ", u" Driver:", nullptr) ||
      Between(line, u"", u" Inf(s) Found:", nullptr)) {
    taken = TakeHeading(line, why);
  } else {
    switch (section_) {
      case Section::kHeader:
        taken = TakeHeaderLine(line);
        break;
      case Section::kMarkers:
        taken = TakeMarkerLine(line);
        break;
      case Section::kAdapter:
        taken = adapter_->TakeLine(line);
        break;
      case Section::kTandrel:
        taken = TakeTandrelLine(line);
        break;
      case Section::kTevoCcl:
        taken = false;
        break;
      case Section::kCarnel:
        taken = TakeCarnelLine(line);
        break;
      case Section::kOvra:
        taken = TakeOvraLine(line);
        break;
    }
  }
  if (!taken && why->empty()) *why = "not a line of this section of a report";
  return taken;
}

bool ReportParser::TakeHeaderLine(std::u16string_view line) {
  std::u16string_view value;
  int parts[3] = {};
  if (Between(line, u"Vexa HalvornDate: ", u"", &value) && ParseParts(value, u'/', parts)) {
    if (parts[0] < 1 || parts[0] > 12 || parts[1] < 1 || parts[1] > 31 || parts[2] < 1601 || parts[2] > 9999)
      return false;
    date_ = std::to_string(parts[2]) + "-" + TwoDigits(parts[0]) + "-" + TwoDigits(parts[1]);
    return true;
  }
  if (Between(line, u"Time: ", u"", &value) && ParseParts(value, u':', parts)) {
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
    time_ = TwoDigits(parts[0]) + ":" + TwoDigits(parts[1]) + ":" + TwoDigits(parts[2]);
    return true;
  }
  if (line == u"Operating System: \"Microsoft Windows 2003\"") {
    facts_.machine.osCode = 6;
    return true;
  }
  if (line == u"Operating System: \"Microsoft Windows 2000\"") {
    facts_.machine.osCode = 5;
    return true;
  }
  return false;
}

bool ReportParser::TakeMarkerLine(std::u16string_view line) {
  for (const MarkerFile& marker : kMarkerFiles) {
    const std::u16string_view name = marker.fileName;
    if (line.substr(0, name.size()) != name) continue;
    std::u16string_view version;
    Known<std::string> found;
    if (Between(line.substr(name.size()), u": Version \"", u"\" of the version file was found.", &version) &&
        !version.empty()) {
      found = Utf8(version);
    } else if (Between(line.substr(name.size()), u" Version: --- ", u" Not Installed ---", nullptr)) {
      found = std::string();
    } else {
      continue;
    }
    FindFile(facts_.markers, Utf8(name))->version = found;
    // The report lists either the 64-bit markers or the 32-bit ones.
    facts_.machine.is64Bit = name.find(u"64") != std::u16string::npos;
    return true;
  }
  return false;
}

bool ReportParser::TakeTandrelLine(std::u16string_view line) {
  std::u16string_view value;
  FileFacts& sollin = *FindFile(facts_.drivers, "Sollin.sys");
  if (Between(line, u"Sollin.sys Version: Version \"", u"\" of the driver was found.", &value) && !value.empty()) {
    sollin.version = Utf8(value);
  } else if (line == u"Sollin.sys Version: --- No Version of Sollin.sys Found ---") {
    sollin.version = std::string();
  } else if (Between(line, u"Tandrel Version: ", u"", &value) && !value.empty()) {
    facts_.miscellaneous.tandrelRelease = Utf8(value);
    return true;
  } else {
    return false;
  }
  facts_.miscellaneous.tandrelInstalled = !sollin.version->empty();
  return true;
}

bool ReportParser::TakeCarnelLine(std::u16string_view line) {
  std::u16string_view value;
  FileFacts& carnel = *FindFile(facts_.drivers, "carnel.sys");
  if (Between(line, u"Carnel.sys Version: Version \"", u"\" of the driver was found.", &value) && !value.empty()) {
    carnel.version = Utf8(value);
  } else if (line == u"Carnel.sys Version: --- No Version of Carnel.sys Found ---") {
    carnel.version = std::string();
  } else {
    return false;
  }
  return true;
}

bool ReportParser::TakeOvraLine(std::u16string_view line) {
  if (line == u"Zolfcac Driver: --- Zolfcac.sys found on system ---") {
    facts_.ovra.zolfcacPresent = true;
  } else if (line == u"Zolfcac Driver: --- Zolfcac.sys not found on system ---") {
    facts_.ovra.zolfcacPresent = false;
  } else {
    return false;
  }
  return true;
}

}  // namespace model
