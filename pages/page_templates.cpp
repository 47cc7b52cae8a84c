#include "pages/page_templates.h"

namespace pages {
namespace {

constexpr ControlKind G = ControlKind::GroupBox;
constexpr ControlKind S = ControlKind::StaticText;

// Controls of the six adapter templates: two group boxes, then the Korvane,
// driver and configuration lines, left upper, right upper, left lower and
// right lower cells.
const TemplateControl kZol[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1000, S, u"Korvane Version:", 8, 22, 282, 8},
    {1001, S, u"Driver Version:", 8, 39, 281, 8},
    {1002, S, u"Configuration: ", 8, 87, 274, 8},
    {1041, S, u"QueueTarget:", 8, 112, 140, 8},
    {1005, S, u"NumberOfRequests:", 152, 112, 136, 8},
    {1004, S, u"QueueDepth:", 8, 126, 142, 8},
    {1006, S, u"MaximumSGList:", 152, 126, 135, 8},
};

const TemplateControl kLpx[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1019, S, u"Korvane Version:", 8, 22, 280, 8},
    {1020, S, u"Driver Version:", 8, 39, 279, 8},
    {1021, S, u"Configuration: ", 8, 87, 272, 8},
    {1043, S, u"QueueTarget:", 8, 112, 138, 8},
    {1023, S, u"NumberOfRequests:", 152, 112, 134, 8},
    {1022, S, u"QueueDepth:", 8, 126, 140, 8},
    {1024, S, u"MaximumSGList:", 152, 126, 134, 8},
};

const TemplateControl kElx[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1007, S, u"Korvane Version:", 8, 22, 277, 8},
    {1008, S, u"Driver Version:", 8, 39, 275, 8},
    {1009, S, u"Configuration: ", 8, 87, 268, 8},
    {1041, S, u"QueueTarget", 8, 112, 136, 8},
    {1011, S, u"NumberOfRequests:", 152, 112, 132, 8},
    {1010, S, u"QueueDepth:", 8, 126, 137, 8},
};

const TemplateControl kVexa[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1013, S, u"Korvane Version:", 8, 22, 279, 8},
    {1014, S, u"Driver Version:", 8, 39, 277, 8},
    {1015, S, u"Configuration: ", 8, 87, 270, 8},
    {1016, S, u"QueueDepth:", 8, 112, 137, 8},
    {1017, S, u"NumberOfRequests:", 152, 112, 133, 8},
    {1048, S, u"ResetBus:", 8, 126, 138, 8},
    {1018, S, u"MaximumSGList:", 152, 126, 133, 8},
};

const TemplateControl kQlScsi[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1029, S, u"Korvane Version:", 8, 22, 281, 8},
    {1030, S, u"Driver Version:", 8, 39, 280, 8},
    {1031, S, u"Configuration: ", 8, 87, 273, 8},
    {1032, S, u"QueueDepth:", 8, 112, 139, 8},
    {1033, S, u"NumberOfRequests:", 152, 112, 135, 8},
    {1046, S, u"ResetBus:", 8, 126, 141, 8},
    {1034, S, u"MaximumSGList:", 152, 126, 134, 8},
};

const TemplateControl kQlStor[] = {
    {kNoControlId, G, u"Driver Information", 0, 4, 293, 56},
    {kNoControlId, G, u"System Configuration", 0, 70, 293, 70},
    {1035, S, u"Korvane Version:", 8, 22, 278, 8},
    {1036, S, u"Driver Version:", 8, 39, 276, 8},
    {1037, S, u"Configuration: ", 8, 87, 269, 8},
    {1038, S, u"QueueDepth:", 8, 112, 138, 8},
    {1039, S, u"NumberOfRequests:", 152, 112, 134, 8},
    {1047, S, u"ResetBus:", 8, 126, 139, 8},
    {1040, S, u"MaximumSGList:", 152, 126, 135, 8},
};

const TemplateControl kMisc[] = {
    {kNoControlId, G, u"Miscellaneous System Information", 0, 4, 293, 139},
    {1025, S, u"Tandrel:", 18, 25, 264, 8},
    {1026, S, u"Sollin Version:", 18, 55, 267, 8},
    {1027, S, u"Tarn_Service:", 18, 85, 261, 8},
    {1028, S, u"TEVOCCL: ", 18, 115, 255, 8},
};

template <std::size_t N>
constexpr PageTemplate Make(int id, const char16_t* caption, const TemplateControl (&controls)[N]) {
  return PageTemplate{id, caption, 294, 148, controls, N, 0};
}

const PageTemplate kTemplates[] = {
    Make(130, u"Zolvanta Driver", kZol), Make(131, u"Emulex ScsiPort", kLpx),    Make(132, u"Emulex StorPort", kElx),
    Make(133, u"VEXA2300", kVexa),       Make(134, u"QLogic ScsiPort", kQlScsi), Make(135, u"QLogic StorPort", kQlStor),
    Make(136, u"Miscellaneous", kMisc),
};

}  // namespace

const PageTemplate* PageTemplates(std::size_t* count) {
  *count = sizeof kTemplates / sizeof kTemplates[0];
  return kTemplates;
}

const PageTemplate* FindPageTemplate(int id) {
  for (const PageTemplate& t : kTemplates) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

const TemplateControl* FindTemplateControl(int templateId, int controlId) {
  const PageTemplate* t = FindPageTemplate(templateId);
  if (t == nullptr || controlId == kNoControlId) return nullptr;
  for (std::size_t i = 0; i < t->count; ++i) {
    if (t->controls[i].id == controlId) return &t->controls[i];
  }
  return nullptr;
}

}  // namespace pages
