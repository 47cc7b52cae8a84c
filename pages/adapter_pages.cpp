#include "pages/adapter_pages.h"

#include "pages/page_lines.h"
#include "pages/page_templates.h"
#include "pages/page_param_text.h"
#include "probes/driver_table.h"
#include "probes/system_probe.h"
#include "probes/system_paths.h"
#include "trace/vexa_debug_file.h"

namespace pages {
namespace {

// The defaults a page puts in place of an "N/A" line, where it has one.
constexpr char16_t kDefaultQueueDepth[] = u"QueueDepth:         \"32\"";
constexpr char16_t kDefaultQueueTarget[] = u"QueueTarget:        \"0\"";
constexpr char16_t kDefaultFcpContexts[] = u"NumFcpContext:     \"512\"";
constexpr char16_t kDefaultThrottle[] = u"ExecutionThrottle:  \"16\"";
constexpr char16_t kDefaultRequests[] = u"NumberOfRequests:  \"150\"";
constexpr char16_t kDefaultSgList[] = u"MaximumSGList:        \"65\"";

// What every adapter page finds the same way, in the same order: the Korvane
// line of its package's marker, its parameter lines and its driver line.
struct AdapterPageProbe {
  std::u16string korvaneLine;
  PageParamText params;
  std::u16string driverLine;
};

AdapterPageProbe ProbeAdapterPage(int driverIndex) {
  const AdapterDriver& driver = *FindAdapterDriver(driverIndex);
  AdapterPageProbe found{};
  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  const PackageMarkers& package = driver.markers;
  const MarkerFile& marker = package.on64.fileName != nullptr && Is64BitWindows() != 0 ? package.on64 : package.on32;
  found.korvaneLine = KorvaneLine(marker.fileName, FieldText(markers.*marker.field));
  FormatPageParameters(driver.index, found.params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  found.driverLine = DriverLine(FieldText(drivers.*driver.driverFile));
  return found;
}

// The QLogic-family pages (vexa2300, QLogic ScsiPort and StorPort) fill the
// same fields with the same defaults.
template <typename Page>
void FillQLogicPage(Page& page) {
  const AdapterPageProbe found = ProbeAdapterPage(Page::kDriverIndex);
  const PageParamText& params = found.params;
  page.m_strKorvaneVersion = found.korvaneLine;
  page.m_strDriverVersion = found.driverLine;
  page.m_strConfiguration = FieldText(params.szConfiguration);
  page.m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), kDefaultThrottle);
  page.m_strResetBus = FieldText(params.szResetBus);
  page.m_strNumberOfRequests = WithDefault(FieldText(params.szRequests), kDefaultRequests);
  page.m_strMaximumSGList = WithDefault(FieldText(params.szMaximumSGList), kDefaultSgList);
}

}  // namespace

CZolPage::CZolPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  CVexaDebugFile trace;
  const AdapterPageProbe found = ProbeAdapterPage(kDriverIndex);
  const PageParamText& params = found.params;
  m_strKorvaneVersion = found.korvaneLine;
  m_strDriverVersion = found.driverLine;
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strMaximumSGList = FieldText(params.szMaximumSGList);
  m_strNumberOfRequests = FieldText(params.szRequests);
  m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), kDefaultQueueDepth);
  m_strQueueTarget = WithDefault(FieldText(params.szQueueTarget), kDefaultQueueTarget);
}

void CZolPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1002, m_strConfiguration);
  ui::DDX_Text(pDX, 1001, m_strDriverVersion);
  ui::DDX_Text(pDX, 1006, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1005, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1004, m_strQueueDepth);
  ui::DDX_Text(pDX, 1000, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1041, m_strQueueTarget);
}

CElxPage::CElxPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  const AdapterPageProbe found = ProbeAdapterPage(kDriverIndex);
  const PageParamText& params = found.params;
  m_strKorvaneVersion = found.korvaneLine;
  m_strDriverVersion = found.driverLine;
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strNumFcpContext = WithDefault(FieldText(params.szRequests), kDefaultFcpContexts);
  m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), kDefaultQueueDepth);
  m_strQueueTarget = WithDefault(FieldText(params.szQueueTarget), kDefaultQueueTarget);
}

void CElxPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1009, m_strConfiguration);
  ui::DDX_Text(pDX, 1008, m_strDriverVersion);
  ui::DDX_Text(pDX, 1011, m_strNumFcpContext);
  ui::DDX_Text(pDX, 1010, m_strQueueDepth);
  ui::DDX_Text(pDX, 1007, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1041, m_strQueueTarget);
}

CVexaPage::CVexaPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) { FillQLogicPage(*this); }

void CVexaPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1015, m_strConfiguration);
  ui::DDX_Text(pDX, 1014, m_strDriverVersion);
  ui::DDX_Text(pDX, 1018, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1017, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1016, m_strQueueDepth);
  ui::DDX_Text(pDX, 1013, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1048, m_strResetBus);
}

CLpxPage::CLpxPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  const AdapterPageProbe found = ProbeAdapterPage(kDriverIndex);
  const PageParamText& params = found.params;
  m_strKorvaneVersion = found.korvaneLine;
  m_strDriverVersion = found.driverLine;
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strMaximumSGList = FieldText(params.szMaximumSGList);
  m_strNumberOfRequests = FieldText(params.szRequests);
  m_strQueueDepth = FieldText(params.szQueueDepth);
  m_strQueueTarget = FieldText(params.szQueueTarget);
}

void CLpxPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1021, m_strConfiguration);
  ui::DDX_Text(pDX, 1020, m_strDriverVersion);
  ui::DDX_Text(pDX, 1024, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1023, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1022, m_strQueueDepth);
  ui::DDX_Text(pDX, 1019, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1043, m_strQueueTarget);
}

CQlScsiPage::CQlScsiPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) { FillQLogicPage(*this); }

void CQlScsiPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1031, m_strConfiguration);
  ui::DDX_Text(pDX, 1030, m_strDriverVersion);
  ui::DDX_Text(pDX, 1034, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1033, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1032, m_strQueueDepth);
  ui::DDX_Text(pDX, 1029, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1046, m_strResetBus);
}

CQlStorPage::CQlStorPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) { FillQLogicPage(*this); }

void CQlStorPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1037, m_strConfiguration);
  ui::DDX_Text(pDX, 1036, m_strDriverVersion);
  ui::DDX_Text(pDX, 1040, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1039, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1038, m_strQueueDepth);
  ui::DDX_Text(pDX, 1035, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1047, m_strResetBus);
}

}  // namespace pages
