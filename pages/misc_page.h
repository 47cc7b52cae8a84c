// The "Miscellaneous" page (template 136): the Tandrel multipath software, its
// Sollin disk driver, the Tarn_Service service and the TevoCCL component.
#pragma once

#include <string>

#include "pages/control_text.h"
#include "pages/page_lines.h"
#include "platform/ui.h"

namespace pages {

class CMiscPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 136;
  CMiscPage();
  int TemplateId() const { return kTemplateId; }
  // The texts as the data exchange puts them, in template order.
  ControlTexts Texts() { return ExchangedTexts(*this); }

  std::u16string m_strTevoCCL;
  std::u16string m_strTarnService;
  std::u16string m_strSollinVersion;
  std::u16string m_strTandrel;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

}  // namespace pages
