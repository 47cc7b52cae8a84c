// The six adapter driver pages. Each computes every text it shows once, in its
// constructor, from the probes; afterwards it is a read-only record that a
// window (or the terminal, or --pages) displays.
#pragma once

#include <string>

#include "platform/ui.h"

namespace pages {

// Zolvanta ScsiPort driver, template 130, driver index 1. Its construction is
// bracketed by the trace object, so every run leaves the two trace lines.
class CZolPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 130;
  CZolPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

// Emulex StorPort driver (elxstor), template 132, driver index 4.
class CElxPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 132;
  CElxPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strNumFcpContext;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

// vexa2300 driver, template 133, driver index 10; always reads Gallond.exe.
class CVexaPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 133;
  CVexaPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

// Emulex ScsiPort driver (Lpxnds), template 131, driver index 6; shows every
// parameter line as formatted, without defaults.
class CLpxPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 131;
  CLpxPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

// QLogic ScsiPort driver (ql2300, "DriverParameters"), template 134, driver index 7.
class CQlScsiPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 134;
  CQlScsiPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

// QLogic StorPort driver (ql2300, "DriverParameter"), template 135, driver index 8.
class CQlStorPage : public ui::CPropertyPage {
 public:
  static constexpr int kTemplateId = 135;
  CQlStorPage();
  int TemplateId() const { return kTemplateId; }

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
};

}  // namespace pages
