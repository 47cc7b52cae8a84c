// One adapter driver's section of a report read back: its version line, its
// registry listing and its parameter details, and what they tell about the
// machine once the section is over. The report writes the section by its
// gate (report/adapter_sections.h); what a line's absence means depends on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/machine_facts.h"
#include "probes/driver_table.h"
#include "probes/system_probe.h"
#include "report/adapter_sections.h"

namespace model {

class AdapterSectionReader {
 public:
  AdapterSectionReader(const report::AdapterSection& section, const AdapterDriver& driver);

  const AdapterDriver& driver() const { return *driver_; }

  // A normalized line of the section: its found or missing line or a line of
  // its details. False when it is none of them.
  bool TakeLine(std::u16string_view line);

  // Its registry listing: the heading was seen; its settings were read whole
  // (`usable` false: a line could not be split into its settings).
  void SawSettingsHeading() { sawSettingsHeading_ = true; }
  void SettingsRead(Settings settings, bool usable);
  // The heading of its own INF list: the registry listing, if any, is over.
  void SawInfHeading() { sawInfHeading_ = true; }

  // Writes what the section stated into `facts`. `whole`: the next section
  // followed, so that what the section does not hold is known to be absent.
  void Finish(bool whole, MachineFacts& facts) const;

 private:
  bool TakeDetailsLine(std::u16string_view line);
  // Whether the parameter text could be read, where the section tells.
  Known<bool> ParametersRead(bool whole, bool registryListingTrusted) const;
  void FinishReaderFacts(bool registryListingTrusted, AdapterFacts& adapter) const;

  const report::AdapterSection* section_;
  const AdapterDriver* driver_;
  std::u16string found_;  // its found and missing lines, normalized
  std::u16string missing_;
  Known<std::string> version_;  // "" for the missing line
  bool sawSettingsHeading_ = false;
  bool sawInfHeading_ = false;
  Known<Settings> settings_;
  bool settingsUsable_ = false;
  std::vector<Count> counts_;
  Known<int> resetBus_;
  Known<bool> coalescing_;
  Known<DriverParamInfo> configuration_;  // the reader's flags the configuration type stands for
  bool sawAnyDetail_ = false;
};

}  // namespace model
