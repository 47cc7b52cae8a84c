// The six adapter driver pages. Each computes every text it shows once, in its
// constructor, from the probes; afterwards it is a read-only record that a
// window (or the terminal, or --pages) displays. A page names its driver; the
// driver's row (probes/driver_table.h) gives its template, marker and files.
#pragma once

#include <string>

#include "platform/ui.h"
#include "probes/driver_table.h"

namespace pages {

// Zolvanta ScsiPort driver. Its construction is bracketed by the trace object,
// so every run leaves the two trace lines.
class CZolPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kZolvanta;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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

// Emulex StorPort driver (elxstor).
class CElxPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kElxStor;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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

// vexa2300 driver; its marker is the same on 32-bit and 64-bit Windows.
class CVexaPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kVexa2300;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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

// Emulex ScsiPort driver (Lpxnds); shows every parameter line as formatted,
// without defaults.
class CLpxPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kLpxnds;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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

// QLogic ScsiPort driver (ql2300).
class CQlScsiPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kQlScsiPort;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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

// QLogic StorPort driver (ql2300).
class CQlStorPage : public ui::CPropertyPage {
 public:
  static constexpr int kDriverIndex = driver_index::kQlStorPort;
  static constexpr int kTemplateId = FindAdapterDriver(kDriverIndex)->pageTemplate;
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
