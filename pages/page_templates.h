// Dialog templates 130 to 136: the property pages of the "Driver Information"
// sheet. One table for every consumer: the Windows resource script, the
// terminal UI and the page objects' control lists all read it.
#pragma once

#include <cstddef>

#include "platform/dialog_template.h"

namespace pages {

using ui::ControlKind;
using ui::kNoControlId;
using ui::TemplateControl;
using PageTemplate = ui::DialogTemplate;

// Templates 130..136, in id order.
const PageTemplate* PageTemplates(std::size_t* count);

// The template with `id`, or null.
const PageTemplate* FindPageTemplate(int id);

// The control `controlId` of template `templateId`, or null.
const TemplateControl* FindTemplateControl(int templateId, int controlId);

}  // namespace pages
