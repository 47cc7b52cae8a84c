// The settings of a driver's parameter text (NAME=VALUE;NAME=VALUE;...) as
// name/value pairs, taken the same way from the registry text and from the
// report's listing of it.
#pragma once

#include <string_view>

#include "model/machine_facts.h"

namespace model {

// `s` without the blanks and tabs at either end.
std::u16string_view TrimBlanks(std::u16string_view s);

// Adds one token: cut at its first "=", blanks and tabs around the name and
// the value removed; a token without "=" gives a name without a value, a blank
// one nothing. A name given again keeps its first place and takes the later value.
void AddSetting(Settings& settings, std::u16string_view token);

// The settings of `text`, split as the parameter reader splits it: at ";",
// without empty pieces, the first 50 pieces (CTokenList).
Settings ParseSettings(const char16_t* text);

}  // namespace model
