#include "tests/support/page_golden.h"

namespace testing_support {
namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }
std::string Quoted(const std::string& label, std::size_t blanks, const std::string& value) {
  return label + Blanks(blanks) + "\"" + value + "\"";
}

}  // namespace

std::string GoldenPagesText(const std::vector<GoldenPage>& pages) {
  std::string out;
  for (const GoldenPage& page : pages) {
    out += "[" + page.caption + "]\n";
    for (const std::string& line : page.lines) out += line + "\n";
    out += "\n";
  }
  return out;
}

std::string KorvaneLine(const std::string& marker, const std::string& version) {
  const std::string head = "Korvane Version:" + Blanks(20);
  return version.empty() ? head + "--- Not Installed ---" : head + "--- " + marker + " v" + version + " ---";
}

std::string DriverLine(const std::string& version) {
  const std::string head = "Driver Version:" + Blanks(38);
  return version.empty() ? head + "--- Not Installed ---" : head + "--- v" + version + " ---";
}

std::string ConfigurationLine(const std::string& v) { return Quoted("Configuration:", 5, v); }
std::string QueueDepthLine(const std::string& v) { return Quoted("QueueDepth:", 9, v); }
std::string QueueTargetLine(const std::string& v) { return Quoted("QueueTarget:", 8, v); }
std::string ThrottleLine(const std::string& v) { return Quoted("ExecutionThrottle:", 2, v); }
std::string RequestsLine(const std::string& v) { return Quoted("NumberOfRequests:", 2, v); }
std::string FcpContextLine(const std::string& v) { return Quoted("NumFcpContext:", 5, v); }
std::string SgListLine(const std::string& v) { return Quoted("MaximumSGList:", 8, v); }
std::string ResetBusLine(const std::string& v) { return Quoted("ResetBus:", 15, v); }

GoldenPage ZolvantaPage(const std::string& korvane, const std::string& driver, const std::string& config,
                        const std::string& target, const std::string& requests, const std::string& depth,
                        const std::string& sgList) {
  return {"Zolvanta Driver", {korvane, driver, config, target, requests, depth, sgList}};
}

GoldenPage LpxPage(const std::string& korvane, const std::string& driver, const std::string& config,
                   const std::string& target, const std::string& requests, const std::string& depth,
                   const std::string& sgList) {
  return {"Emulex ScsiPort", {korvane, driver, config, target, requests, depth, sgList}};
}

GoldenPage ElxPage(const std::string& korvane, const std::string& driver, const std::string& config,
                   const std::string& target, const std::string& fcpContext, const std::string& depth) {
  return {"Emulex StorPort", {korvane, driver, config, target, fcpContext, depth}};
}

GoldenPage QLogicPage(const std::string& caption, const std::string& korvane, const std::string& driver,
                      const std::string& config, const std::string& throttle, const std::string& requests,
                      const std::string& resetBus, const std::string& sgList) {
  return {caption, {korvane, driver, config, throttle, requests, resetBus, sgList}};
}

GoldenPage MiscPage(const std::string& sollinVersion, bool tarnService, Tevo tevo) {
  GoldenPage page{"Miscellaneous", {}};
  if (sollinVersion.empty()) {
    page.lines.push_back("Tandrel:" + Blanks(22) + "--- Not Installed ---");
    page.lines.push_back("Sollin Version:" + Blanks(13) + "--- Not Installed ---");
  } else {
    page.lines.push_back("Tandrel:" + Blanks(22) + "--- Installed ---");
    page.lines.push_back("Sollin Version:" + Blanks(13) + "--- v" + sollinVersion + " ---");
  }
  page.lines.push_back("TARN_SERVICE:" + Blanks(18) + (tarnService ? "--- Installed --- " : "--- Not Installed --- "));
  const char* tevoText = tevo == Tevo::Tandrel   ? "--- Tandrel TevoCCL Installed --- "
                         : tevo == Tevo::Default ? "--- Default TevoCCL Installed --- "
                                                 : "--- Not Installed --- ";
  page.lines.push_back("TEVOCCL:" + Blanks(26) + tevoText);
  return page;
}

GoldenPage ZolvantaNoParameters(const std::string& korvane, const std::string& driver) {
  return ZolvantaPage(korvane, driver, ConfigurationLine("N/A"), QueueTargetLine("0"), RequestsLine("N/A"),
                      QueueDepthLine("32"), SgListLine("N/A"));
}

GoldenPage ElxNoParameters(const std::string& korvane, const std::string& driver) {
  return ElxPage(korvane, driver, ConfigurationLine("N/A"), QueueTargetLine("0"), FcpContextLine("512"),
                 QueueDepthLine("32"));
}

GoldenPage LpxNoParameters(const std::string& korvane, const std::string& driver) {
  return LpxPage(korvane, driver, ConfigurationLine("N/A"), QueueTargetLine("N/A"), RequestsLine("N/A"),
                 QueueDepthLine("N/A"), SgListLine("N/A"));
}

GoldenPage QLogicNoParameters(const std::string& caption, const std::string& korvane, const std::string& driver) {
  return QLogicPage(caption, korvane, driver, ConfigurationLine("N/A"), ThrottleLine("16"), RequestsLine("150"), "",
                    SgListLine("65"));
}

}  // namespace testing_support
