// Finds the OEM INF copies in "<Windows root>\inf\" whose first `key` line of
// `section` contains `matchText` (a-z upper-cased on both sides).
#pragma once

#include "probes/token_list.h"

// Empties `result`, then stores each matching file's name less its last three
// characters ("oem12.") in the order found. Returns the number of matches;
// matches past the 50th are counted but not stored.
unsigned FindOemInfs(const char16_t* filePattern, const char16_t* matchText, CTokenList& result,
                     const char16_t* section, const char16_t* key, int shortNamesOnly);
