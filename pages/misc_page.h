// The "Miscellaneous" page (template 136): the Tandrel multipath software, its
// Sollin disk driver, the Tarn_Service service and the TevoCCL component.
#pragma once

#include <string>

#include "platform/ui.h"

namespace pages {

class CMiscPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 136;
  CMiscPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strTevoCCL;
  std::u16string m_strTarnService;
  std::u16string m_strSollinVersion;
  std::u16string m_strTandrel;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

}  // namespace pages
