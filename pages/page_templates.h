// Dialog templates 130 to 136: the property pages of the "Driver Information"
// sheet. One table for every consumer: the Windows resource script, the
// terminal UI and the page objects' control lists all read it.
#pragma once

#include <cstddef>

namespace pages {

enum class ControlKind { GroupBox, StaticText };

struct TemplateControl {
  int id;                // -1 for controls without an id (the group boxes)
  ControlKind kind;
  const char16_t* text;  // initial (placeholder) text
  int x, y, cx, cy;      // dialog units
};

struct PageTemplate {
  int id;
  const char16_t* caption;  // also the tab's text
  int cx, cy;
  const TemplateControl* controls;  // group boxes first, then the texts top to bottom, left to right
  std::size_t count;
};

constexpr int kNoControlId = -1;

// Templates 130..136, in id order.
const PageTemplate* PageTemplates(std::size_t* count);

// The template with `id`, or null.
const PageTemplate* FindPageTemplate(int id);

// The control `controlId` of template `templateId`, or null.
const TemplateControl* FindTemplateControl(int templateId, int controlId);

}  // namespace pages
