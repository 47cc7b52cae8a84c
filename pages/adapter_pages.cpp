#include "pages/adapter_pages.h"

#include "pages/page_lines.h"
#include "pages/page_templates.h"
#include "pages/page_param_text.h"
#include "probes/system_probe.h"
#include "probes/system_paths.h"
#include "trace/vexa_debug_file.h"

namespace pages {
namespace {

constexpr int kZolvanta = 1;
constexpr int kElxStorPort = 4;
constexpr int kLpxScsiPort = 6;
constexpr int kQlScsiPort = 7;
constexpr int kQlStorPort = 8;
constexpr int kVexa2300 = 10;

// The marker line for a page that picks its marker by the 64-bit test.
template <std::size_t N>
std::u16string ChosenKorvaneLine(const char16_t* marker32, const char16_t (&version32)[N],
                                 const char16_t* marker64, const char16_t (&version64)[N]) {
  if (Is64BitWindows() != 0) return KorvaneLine(marker64, FieldText(version64));
  return KorvaneLine(marker32, FieldText(version32));
}

}  // namespace

CZolPage::CZolPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  CSystemProbe probe;
  CVexaDebugFile trace;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  m_strKorvaneVersion = ChosenKorvaneLine(u"Pellwyn.exe", markers.Pellwyn, u"Pellwyn64.exe", markers.Pellwyn64);
  PageParamText params{};
  FormatPageParameters(kZolvanta, params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  m_strDriverVersion = DriverLine(FieldText(drivers.zolvanta));
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strMaximumSGList = FieldText(params.szMaximumSGList);
  m_strNumberOfRequests = FieldText(params.szRequests);
  m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), u"QueueDepth:         \"32\"");
  m_strQueueTarget = WithDefault(FieldText(params.szQueueTarget), u"QueueTarget:        \"0\"");
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
  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  m_strKorvaneVersion = ChosenKorvaneLine(u"Vardane.exe", markers.Vardane, u"Vardane64.exe", markers.Vardane64);
  PageParamText params{};
  FormatPageParameters(kElxStorPort, params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  m_strDriverVersion = DriverLine(FieldText(drivers.elxstor));
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strNumFcpContext = WithDefault(FieldText(params.szRequests), u"NumFcpContext:     \"512\"");
  m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), u"QueueDepth:         \"32\"");
  m_strQueueTarget = WithDefault(FieldText(params.szQueueTarget), u"QueueTarget:        \"0\"");
}

void CElxPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1009, m_strConfiguration);
  ui::DDX_Text(pDX, 1008, m_strDriverVersion);
  ui::DDX_Text(pDX, 1011, m_strNumFcpContext);
  ui::DDX_Text(pDX, 1010, m_strQueueDepth);
  ui::DDX_Text(pDX, 1007, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1041, m_strQueueTarget);
}

CVexaPage::CVexaPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  m_strKorvaneVersion = KorvaneLine(u"Gallond.exe", FieldText(markers.Gallond));
  PageParamText params{};
  FormatPageParameters(kVexa2300, params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  m_strDriverVersion = DriverLine(FieldText(drivers.vexa2300));
  m_strConfiguration = FieldText(params.szConfiguration);
  m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), u"ExecutionThrottle:  \"16\"");
  m_strResetBus = FieldText(params.szResetBus);
  m_strNumberOfRequests = WithDefault(FieldText(params.szRequests), u"NumberOfRequests:  \"150\"");
  m_strMaximumSGList = WithDefault(FieldText(params.szMaximumSGList), u"MaximumSGList:        \"65\"");
}

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
  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  m_strKorvaneVersion = ChosenKorvaneLine(u"Quillon.exe", markers.Quillon, u"Quillon64.exe", markers.Quillon64);
  PageParamText params{};
  FormatPageParameters(kLpxScsiPort, params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  m_strDriverVersion = DriverLine(FieldText(drivers.lpxnds));
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

namespace {

// The two QLogic ScsiPort/StorPort pages differ only in marker, index and template.
template <typename Page>
void FillQLogicPage(Page& page, int driverIndex, const std::u16string& korvaneLine) {
  CSystemProbe probe;
  page.m_strKorvaneVersion = korvaneLine;
  PageParamText params{};
  FormatPageParameters(driverIndex, params);
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  page.m_strDriverVersion = DriverLine(FieldText(drivers.ql2300));
  page.m_strConfiguration = FieldText(params.szConfiguration);
  page.m_strQueueDepth = WithDefault(FieldText(params.szQueueDepth), u"ExecutionThrottle:  \"16\"");
  page.m_strResetBus = FieldText(params.szResetBus);
  page.m_strNumberOfRequests = WithDefault(FieldText(params.szRequests), u"NumberOfRequests:  \"150\"");
  page.m_strMaximumSGList = WithDefault(FieldText(params.szMaximumSGList), u"MaximumSGList:        \"65\"");
}

std::u16string MarkerLine(const char16_t* marker32, const char16_t* marker64, bool storPort) {
  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  if (storPort) return ChosenKorvaneLine(marker32, markers.Tavish, marker64, markers.Tavish64);
  return ChosenKorvaneLine(marker32, markers.Morrisk, marker64, markers.Morrisk64);
}

}  // namespace

CQlScsiPage::CQlScsiPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  FillQLogicPage(*this, kQlScsiPort, MarkerLine(u"Morrisk.exe", u"Morrisk64.exe", false));
}

void CQlScsiPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1031, m_strConfiguration);
  ui::DDX_Text(pDX, 1030, m_strDriverVersion);
  ui::DDX_Text(pDX, 1034, m_strMaximumSGList);
  ui::DDX_Text(pDX, 1033, m_strNumberOfRequests);
  ui::DDX_Text(pDX, 1032, m_strQueueDepth);
  ui::DDX_Text(pDX, 1029, m_strKorvaneVersion);
  ui::DDX_Text(pDX, 1046, m_strResetBus);
}

CQlStorPage::CQlStorPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  FillQLogicPage(*this, kQlStorPort, MarkerLine(u"Tavish.exe", u"Tavish64.exe", true));
}

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
