#include "probes/token_list.h"

#include "platform/text.h"

namespace {

std::unique_ptr<char16_t[]> CopyOf(std::u16string_view piece) {
  std::unique_ptr<char16_t[]> copy(new char16_t[piece.size() + 1]);
  piece.copy(copy.get(), piece.size());
  copy[piece.size()] = 0;
  return copy;
}

}  // namespace

void CTokenList::Clear() {
  for (auto& token : tokens_) token.reset();
}

int CTokenList::Split(const char16_t* text, char16_t separator) {
  Clear();
  if (text == nullptr || text[0] == 0) return 0;
  std::u16string_view rest(text, text::Length(text));
  int count = 0;
  while (!rest.empty() && count < kMaxTokens) {
    std::size_t start = rest.find_first_not_of(separator);
    if (start == std::u16string_view::npos) break;
    rest.remove_prefix(start);
    std::size_t end = rest.find(separator);
    std::u16string_view piece = rest.substr(0, end);
    tokens_[count++] = CopyOf(piece);
    rest.remove_prefix(piece.size());
  }
  return 1;
}

const char16_t* CTokenList::TokenAt(int index) const {
  if (index < 0 || index >= kMaxTokens) return nullptr;
  return tokens_[index].get();
}

void CTokenList::SetTokenAt(int index, const char16_t* text) {
  if (index < 0 || index >= kMaxTokens) return;
  tokens_[index] = text ? CopyOf(std::u16string_view(text, text::Length(text))) : nullptr;
}

int CTokenList::Count() const {
  int count = 0;
  while (count < kMaxTokens && tokens_[count]) ++count;
  return count;
}
