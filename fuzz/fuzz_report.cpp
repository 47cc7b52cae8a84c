// Bytes in, reports read back out: every report's facts turned into JSON and
// listed as rows, as read-report and diff use them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <nlohmann/json.hpp>

#include "model/fact_rows.h"
#include "model/json_output.h"
#include "model/report_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const model::ReportFile file = model::ReadReports(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const model::MachineFacts& facts : file.reports) {
    const model::Json doc = model::ToJson(facts);
    for (const model::FactRow& row : model::ListFacts(doc).rows) model::FactText(*row.value);
    model::DumpJson(doc);
  }
  return 0;
}
