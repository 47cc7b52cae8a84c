#include "app/resource_tables.h"

#include "app/dialog_templates.h"
#include "pages/page_templates.h"

namespace app {

std::vector<const ui::DialogTemplate*> AllDialogTemplates() {
  std::vector<const ui::DialogTemplate*> result = {&AboutDialogTemplate(), &MainDialogTemplate()};
  std::size_t count = 0;
  const pages::PageTemplate* pageTemplates = pages::PageTemplates(&count);
  for (std::size_t i = 0; i < count; ++i) result.push_back(&pageTemplates[i]);
  return result;
}

}  // namespace app
