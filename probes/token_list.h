// A list of at most 50 owned text tokens, filled by splitting a text at one
// separator or by the OEM INF search. Entries past the last token are null.
#pragma once

#include <cstddef>
#include <memory>

class CTokenList {
 public:
  static constexpr int kMaxTokens = 50;

  CTokenList() = default;
  CTokenList(const CTokenList&) = delete;
  CTokenList& operator=(const CTokenList&) = delete;

  // Frees every token, then stores the pieces of `text` between separators
  // (no empty pieces), at most 50. 0 for an empty text, else 1.
  int Split(const char16_t* text, char16_t separator);
  // The token at `index`, or null past the last one (and for a bad index).
  const char16_t* TokenAt(int index) const;
  // Replaces the token at `index` with a copy of `text`; ignored outside 0..49.
  void SetTokenAt(int index, const char16_t* text);
  // Frees every token.
  void Clear();
  // Number of tokens held from the start without a gap.
  int Count() const;

 private:
  std::unique_ptr<char16_t[]> tokens_[kMaxTokens];
};
