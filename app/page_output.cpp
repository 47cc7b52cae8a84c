#include "app/page_output.h"

#include "model/collect.h"
#include "model/json_output.h"
#include "platform/text.h"

namespace app {

std::string PagesAsText(const std::vector<SheetPage>& pages) {
  std::string out;
  for (const SheetPage& page : pages) {
    out += "[" + text::ToUtf8(page.caption) + "]\n";
    for (const pages::ControlText& control : page.texts) out += text::ToUtf8(control.text) + "\n";
    out += "\n";
  }
  return out;
}

std::string MachineAsJson(const std::vector<SheetPage>& pages) {
  model::MachineFacts facts = model::CollectMachineFacts();
  std::vector<model::PageFacts> pageFacts;
  for (const SheetPage& page : pages) {
    model::PageFacts entry;
    entry.templateId = page.templateId;
    entry.caption = text::ToUtf8(page.caption);
    for (const pages::ControlText& control : page.texts)
      entry.controls.push_back({control.id, text::ToUtf8(control.text)});
    pageFacts.push_back(std::move(entry));
  }
  facts.pages = std::move(pageFacts);
  return model::FactsAsJsonText(facts);
}

}  // namespace app
