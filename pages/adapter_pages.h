// The six adapter driver pages. Each computes every text it shows once, in its
// constructor, from the probes; afterwards it is a read-only record that a
// window (or the terminal, or --pages) displays.
#pragma once

#include <string>

#include "pages/control_text.h"

namespace pages {

// Zolvanta ScsiPort driver, template 130, driver index 1. Its construction is
// bracketed by the trace object, so every run leaves the two trace lines.
class CZolPage {
 public:
  static constexpr int kTemplateId = 130;
  CZolPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;
};

// Emulex StorPort driver (elxstor), template 132, driver index 4.
class CElxPage {
 public:
  static constexpr int kTemplateId = 132;
  CElxPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strNumFcpContext;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;
};

// vexa2300 driver, template 133, driver index 10; always reads Gallond.exe.
class CVexaPage {
 public:
  static constexpr int kTemplateId = 133;
  CVexaPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;
};

// Emulex ScsiPort driver (Lpxnds), template 131, driver index 6; shows every
// parameter line as formatted, without defaults.
class CLpxPage {
 public:
  static constexpr int kTemplateId = 131;
  CLpxPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strQueueTarget;
};

// QLogic ScsiPort driver (ql2300, "DriverParameters"), template 134, driver index 7.
class CQlScsiPage {
 public:
  static constexpr int kTemplateId = 134;
  CQlScsiPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;
};

// QLogic StorPort driver (ql2300, "DriverParameter"), template 135, driver index 8.
class CQlStorPage {
 public:
  static constexpr int kTemplateId = 135;
  CQlStorPage();
  int TemplateId() const { return kTemplateId; }
  std::u16string Caption() const;
  ControlTexts Texts() const;

  std::u16string m_strConfiguration;
  std::u16string m_strDriverVersion;
  std::u16string m_strMaximumSGList;
  std::u16string m_strNumberOfRequests;
  std::u16string m_strQueueDepth;
  std::u16string m_strKorvaneVersion;
  std::u16string m_strResetBus;
};

}  // namespace pages
