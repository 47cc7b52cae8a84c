#include "pages/misc_page.h"

#include "pages/page_lines.h"
#include "pages/page_templates.h"
#include "platform/text.h"
#include "probes/oem_inf.h"
#include "probes/registry_key.h"
#include "probes/system_probe.h"
#include "probes/token_list.h"

namespace pages {
namespace {

// Number of OEM INF files whose first `key` line in `section` names TEVOCCL.
int CountTevoInfs(const char16_t* section, const char16_t* key) {
  CTokenList found;
  return static_cast<int>(FindOemInfs(u"Oem*.inf", u"TEVOCCL", found, section, key, 1));
}

}  // namespace

CMiscPage::CMiscPage() : ui::CPropertyPage(*FindPageTemplate(kTemplateId)) {
  {
    CSystemProbe probe;
    DriverVersions drivers{};
    probe.GetDriverVersions(drivers);
    const std::u16string_view sollin = FieldText(drivers.sollin);
    if (!sollin.empty()) {
      m_strTandrel = u"Tandrel:                      --- Installed ---";
      char16_t buffer[260] = {};
      text::Format(buffer, u"Sollin Version:             --- v%s ---", sollin);
      m_strSollinVersion = buffer;
    } else {
      m_strTandrel = u"Tandrel:                      --- Not Installed ---";
      m_strSollinVersion = u"Sollin Version:             --- Not Installed ---";
    }
  }

  m_strTarnService = CRegistryKey::KeyExists(u"SYSTEM\\CurrentControlSet\\Services\\Tarn_Service") != 0
                         ? u"TARN_SERVICE:                  --- Installed --- "
                         : u"TARN_SERVICE:                  --- Not Installed --- ";

  if (CountTevoInfs(u"TEVOCCL_INST", u"AddReg") > 0) {
    m_strTevoCCL = u"TEVOCCL:                          --- Tandrel TevoCCL Installed --- ";
  } else if (CountTevoInfs(u"version", u"CatalogFile") > 0) {
    m_strTevoCCL = u"TEVOCCL:                          --- Default TevoCCL Installed --- ";
  } else {
    m_strTevoCCL = u"TEVOCCL:                          --- Not Installed --- ";
  }
}

void CMiscPage::DoDataExchange(ui::CDataExchange* pDX) {
  ui::DDX_Text(pDX, 1028, m_strTevoCCL);
  ui::DDX_Text(pDX, 1027, m_strTarnService);
  ui::DDX_Text(pDX, 1026, m_strSollinVersion);
  ui::DDX_Text(pDX, 1025, m_strTandrel);
}

}  // namespace pages
