// Small in-place helpers on the driver parameter texts.
#pragma once

#include <cstddef>

// Removes every blank (U+0020); other white space stays.
void RemoveBlanks(char16_t* text);

// Copies the text after the first '=' of `token` into `destination` (capacity
// `capacity`, terminator included, truncating) and gives 1; gives 0 and leaves
// `destination` untouched when there is no '='.
int ValueAfterEquals(const char16_t* token, char16_t* destination, std::size_t capacity);
template <std::size_t N>
int ValueAfterEquals(const char16_t* token, char16_t (&destination)[N]) {
  return ValueAfterEquals(token, destination, N);
}

// Sets characters to 0 from the start up to the terminator, at most `limit`.
void ClearText(char16_t* text, std::size_t limit);
