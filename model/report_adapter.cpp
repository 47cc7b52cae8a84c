#include "model/report_adapter.h"

#include "model/report_lines.h"
#include "pages/page_param_text.h"
#include "platform/text.h"
#include "report/parameter_details.h"

namespace model {
namespace {

void PutCount(std::vector<Count>& counts, const char* name, std::uint32_t value) {
  for (Count& count : counts) {
    if (count.name == name) {
      count.value = value;
      return;
    }
  }
  counts.push_back({name, value});
}

// The reader's flags whose configuration type the report shows as `word`.
Known<DriverParamInfo> FlagsOfConfigurationType(int driverIndex, std::u16string_view word) {
  DriverParamInfo candidates[4] = {};
  candidates[0].MultiPath = 1;  // first: the QLogic family always carries it
  candidates[1].SinglePath = 1;
  candidates[2].Transparent = 1;
  for (const DriverParamInfo& info : candidates) {
    if (PieceLine(report::ConfigurationType(driverIndex, info)) == word) return info;
  }
  return std::nullopt;
}

}  // namespace

AdapterSectionReader::AdapterSectionReader(const report::AdapterSection& section, const AdapterDriver& driver)
    : section_(&section), driver_(&driver), found_(PieceLine(section.found)), missing_(PieceLine(section.missing)) {}

bool AdapterSectionReader::TakeLine(std::u16string_view line) {
  std::u16string value;
  if (MatchPattern(line, found_, &value) && !value.empty()) {
    version_ = text::ToUtf8(value);
    return true;
  }
  if (line == missing_) {
    version_ = std::string();
    return true;
  }
  return TakeDetailsLine(line);
}

bool AdapterSectionReader::TakeDetailsLine(std::u16string_view line) {
  const bool fcp = driver_->counts == DriverCounts::kFcpContexts;
  const bool qlogic = driver_->family == DriverFamily::kQLogic;
  std::uint32_t n = 0;
  std::u16string_view word;
  if (fcp && MatchBracketNumber(line, u"NumFcpContext:", &n)) {
    PutCount(counts_, "NumFcpContext", n);
  } else if (!fcp && MatchBracketNumber(line, u"MaximumSGList:", &n)) {
    // The QLogic line shows 65 both for a key holding 65 and for one without
    // the value (the reader then takes 33): only another number is the reader's.
    if (!qlogic || n != 65) PutCount(counts_, "MaximumSGList", n);
  } else if (!fcp && MatchBracketNumber(line, u"NumberOfRequests:", &n)) {
    PutCount(counts_, "NumberOfRequests", n);
  } else if (qlogic && MatchBracketNumber(line, u"ResetBus:", &n) && n <= 2) {
    resetBus_ = static_cast<int>(n);
  } else if (!qlogic && line == u"Interrupt Coalescing: * Enabled *") {
    coalescing_ = true;
  } else if (!qlogic && line == u"Interrupt Coalescing: * Disabled *") {
    coalescing_ = false;
  } else if (Between(line, u"Configuration Type: ", u"", &word)) {
    configuration_ = FlagsOfConfigurationType(driver_->index, word);
    if (!configuration_) return false;
  } else {
    return false;
  }
  sawAnyDetail_ = true;
  return true;
}

void AdapterSectionReader::SettingsRead(Settings settings, bool usable) {
  settings_ = std::move(settings);
  settingsUsable_ = usable;
}

Known<bool> AdapterSectionReader::ParametersRead(bool whole, bool registryListingTrusted) const {
  const bool listed = sawSettingsHeading_ || sawInfHeading_ || sawAnyDetail_;
  switch (section_->gate) {
    case report::SectionGate::kParametersThenFile:
      // Its missing line says that the parameters could not be read.
      if (version_ && version_->empty()) return false;
      if (version_ || listed || whole) return true;
      return std::nullopt;
    case report::SectionGate::kFileThenParameters:
      if (!version_ || version_->empty()) return std::nullopt;
      if (listed) return true;
      if (whole) return false;
      return std::nullopt;
    case report::SectionGate::kFile:
      break;
  }
  if (!version_ || version_->empty()) return std::nullopt;
  const bool classified =
      configuration_ && (configuration_->MultiPath || configuration_->SinglePath || configuration_->Transparent);
  if (classified || coalescing_ == true) return true;
  if (registryListingTrusted && sawSettingsHeading_) return true;
  if (registryListingTrusted && sawInfHeading_) return false;
  return std::nullopt;
}

void AdapterSectionReader::FinishReaderFacts(bool registryListingTrusted, AdapterFacts& adapter) const {
  if (registryListingTrusted && settings_ && settingsUsable_) adapter.parameters = *settings_;
  adapter.counts = counts_;
  if (configuration_) {
    adapter.configuration = text::ToUtf8(pages::ConfigurationWord(driver_->index, &*configuration_));
    adapter.multipath = MultipathName(*configuration_);
  }
  if (driver_->family == DriverFamily::kEmulex) {
    adapter.interruptCoalescing = coalescing_;
  } else {
    adapter.resetBus = resetBus_;
  }
}

void AdapterSectionReader::Finish(bool whole, MachineFacts& facts) const {
  AdapterFacts& adapter = *FindAdapter(facts, driver_->index);
  FileFacts& file = *FindFile(facts.drivers, adapter.driverFile);
  if (section_->gate == report::SectionGate::kParametersThenFile) {
    // Its missing line is about the parameters; with them read, no found
    // line means that the driver file has no version.
    if (version_ && !version_->empty()) {
      file.version = version_;
    } else if (!version_ && whole) {
      file.version = std::string();
    }
  } else if (version_) {
    file.version = version_;
  }

  // On Windows NT 4.0 (a report without an operating-system line may come
  // from it) the reader takes this driver's parameters from another key than
  // the listing shows.
  const bool trusted = driver_->registry.nt4ServiceKey == nullptr || facts.machine.osCode.has_value();
  const Known<bool> read = ParametersRead(whole, trusted);
  if (!read) return;
  adapter.parametersRead = *read;
  if (*read) {
    FinishReaderFacts(trusted, adapter);
  } else {
    adapter.configuration = text::ToUtf8(pages::ConfigurationWord(driver_->index, nullptr));
  }
}

}  // namespace model
