#include "probes/param_text.h"

#include "platform/text.h"

void RemoveBlanks(char16_t* text) {
  char16_t* out = text;
  for (const char16_t* in = text; *in; ++in) {
    if (*in != u' ') *out++ = *in;
  }
  *out = 0;
}

int ValueAfterEquals(const char16_t* token, char16_t* destination, std::size_t capacity) {
  std::u16string_view view(token, text::Length(token));
  std::size_t equals = view.find(u'=');
  if (equals == std::u16string_view::npos) return 0;
  text::Copy(destination, capacity, view.substr(equals + 1));
  return 1;
}

void ClearText(char16_t* text, std::size_t limit) {
  for (std::size_t i = 0; i < limit && text[i] != 0; ++i) text[i] = 0;
}
