// What a page shows: each text control's id with its final text, in template order.
#pragma once

#include <string>
#include <vector>

namespace pages {

struct ControlText {
  int id;
  std::u16string text;
};

using ControlTexts = std::vector<ControlText>;

}  // namespace pages
