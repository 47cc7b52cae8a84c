#include "model/settings.h"

#include "platform/text.h"
#include "probes/token_list.h"

namespace model {

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

void AddSetting(Settings& settings, std::u16string_view token) {
  token = TrimBlanks(token);
  if (token.empty()) return;
  const std::size_t equals = token.find(u'=');
  Setting setting;
  setting.name = text::ToUtf8(TrimBlanks(token.substr(0, equals)));
  if (equals != std::u16string_view::npos) setting.value = text::ToUtf8(TrimBlanks(token.substr(equals + 1)));
  for (Setting& earlier : settings) {
    if (earlier.name == setting.name) {
      earlier.value = setting.value;
      return;
    }
  }
  settings.push_back(std::move(setting));
}

Settings ParseSettings(const char16_t* text) {
  Settings settings;
  CTokenList tokens;
  tokens.Split(text, u';');
  for (int i = 0; i < CTokenList::kMaxTokens && tokens.TokenAt(i) != nullptr; ++i)
    AddSetting(settings, tokens.TokenAt(i));
  return settings;
}

}  // namespace model
