// Expected "Driver Information" pages for scenario tests, built from the page
// rules (blank counts spelt out) rather than from the program's own helpers.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct GoldenPage {
  std::string caption;
  std::vector<std::string> lines;  // text controls in template order
};

// The --pages text of `pages`: "[caption]", the lines, an empty line, per page.
std::string GoldenPagesText(const std::vector<GoldenPage>& pages);

// "Korvane Version:" + 20 blanks + "--- <marker> v<version> ---" (or Not Installed when version is empty).
std::string KorvaneLine(const std::string& marker, const std::string& version);
// "Driver Version:" + 38 blanks + "--- v<version> ---" (or Not Installed).
std::string DriverLine(const std::string& version);

// Parameter lines, value quoted after the label's blanks.
std::string ConfigurationLine(const std::string& value);  // "Configuration:" + 5 blanks
std::string QueueDepthLine(const std::string& value);     // 9 blanks
std::string QueueTargetLine(const std::string& value);    // 8 blanks
std::string ThrottleLine(const std::string& value);       // "ExecutionThrottle:" + 2 blanks
std::string RequestsLine(const std::string& value);       // "NumberOfRequests:" + 2 blanks
std::string FcpContextLine(const std::string& value);     // "NumFcpContext:" + 5 blanks
std::string SgListLine(const std::string& value);         // "MaximumSGList:" + 8 blanks
std::string ResetBusLine(const std::string& value);       // "ResetBus:" + 15 blanks

// The Emulex-style pages (Zolvanta, Emulex ScsiPort): Korvane, driver,
// configuration, target, requests, depth, SG list.
GoldenPage ZolvantaPage(const std::string& korvane, const std::string& driver, const std::string& config,
                        const std::string& target, const std::string& requests, const std::string& depth,
                        const std::string& sgList);
GoldenPage LpxPage(const std::string& korvane, const std::string& driver, const std::string& config,
                   const std::string& target, const std::string& requests, const std::string& depth,
                   const std::string& sgList);
// Emulex StorPort: no right lower cell.
GoldenPage ElxPage(const std::string& korvane, const std::string& driver, const std::string& config,
                   const std::string& target, const std::string& fcpContext, const std::string& depth);
// QLogic-style pages: throttle upper left, reset bus lower left.
GoldenPage QLogicPage(const std::string& caption, const std::string& korvane, const std::string& driver,
                      const std::string& config, const std::string& throttle, const std::string& requests,
                      const std::string& resetBus, const std::string& sgList);

enum class Tevo { None, Tandrel, Default };
// sollinVersion empty: Tandrel not installed.
GoldenPage MiscPage(const std::string& sollinVersion, bool tarnService, Tevo tevo);

// Pages of a driver whose parameters cannot be read, with each page's defaults.
GoldenPage ZolvantaNoParameters(const std::string& korvane, const std::string& driver);
GoldenPage ElxNoParameters(const std::string& korvane, const std::string& driver);
GoldenPage LpxNoParameters(const std::string& korvane, const std::string& driver);
GoldenPage QLogicNoParameters(const std::string& caption, const std::string& korvane, const std::string& driver);

}  // namespace testing_support
