// Searches of text for the first of a few ASCII characters, sixteen bytes at
// a time where SSE2 is there (always on x86-64), one character at a time
// elsewhere; both give the same answer. Works on single-byte text and on
// UTF-16 code units: a unit or byte matches only when it equals one of the
// characters, so bytes of 0x80 and above and units beyond ASCII never do.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace offline {
namespace char_search_detail {

#if defined(__SSE2__)
template <typename Char>
__m128i Equal(__m128i block, char c) {
  if constexpr (sizeof(Char) == 1)
    return _mm_cmpeq_epi8(block, _mm_set1_epi8(c));
  else
    return _mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(c)));
}

// Set bits of a block's mask, without the library call that __builtin_popcount
// becomes where the processor's own instruction is not assumed.
inline unsigned BitCount16(unsigned v) {
  v = v - ((v >> 1) & 0x5555u);
  v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
  v = (v + (v >> 4)) & 0x0F0Fu;
  return (v + (v >> 8)) & 0x1Fu;
}

// One bit per byte of the block that belongs to a character of Set.
template <typename Char, char... Set>
unsigned MatchMask(__m128i block) {
  __m128i any = _mm_setzero_si128();
  ((any = _mm_or_si128(any, Equal<Char>(block, Set))), ...);
  return static_cast<unsigned>(_mm_movemask_epi8(any));
}
#endif

}  // namespace char_search_detail

// The index of the first character of t at or after `from` that is one of
// Stops, or t.size() when there is none (also when `from` is past the end);
// adds to *counted how many characters before it are Counted ('\0': none).
template <char Counted, char... Stops, typename Char>
std::size_t CountUntilFirstOf(std::basic_string_view<Char> t, std::size_t from, std::size_t* counted) {
  static_assert(sizeof(Char) == 1 || sizeof(Char) == 2, "bytes or UTF-16 units");
  static_assert(sizeof...(Stops) > 0 && ((Stops > 0) && ...) && Counted >= 0, "ASCII characters only");
  static_assert(((Stops != Counted) && ...), "a character either stops or counts");
  std::size_t i = from;
#if defined(__SSE2__)
  constexpr std::size_t kLanes = sizeof(__m128i) / sizeof(Char);
  for (; i < t.size() && t.size() - i >= kLanes; i += kLanes) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data() + i));
    const unsigned stops = char_search_detail::MatchMask<Char, Stops...>(block);
    const unsigned before = stops & (0u - stops);  // the lowest stop's bit, or nothing
    if constexpr (Counted != 0) {
      const unsigned ours = char_search_detail::MatchMask<Char, Counted>(block) & (before - 1u);
      *counted += std::size_t{char_search_detail::BitCount16(ours)} / sizeof(Char);
    }
    if (stops != 0) return i + static_cast<std::size_t>(__builtin_ctz(stops)) / sizeof(Char);
  }
#endif
  for (; i < t.size(); ++i) {
    if (((t[i] == static_cast<Char>(Stops)) || ...)) return i;
    if constexpr (Counted != 0) *counted += t[i] == static_cast<Char>(Counted);
  }
  return t.size();
}

// The index of the first character of t at or after `from` that is one of
// Set; t.size() when there is none, or when `from` is at or past the end.
template <char... Set, typename Char>
std::size_t FindFirstOf(std::basic_string_view<Char> t, std::size_t from) {
  std::size_t none = 0;
  return CountUntilFirstOf<'\0', Set...>(t, from, &none);
}

}  // namespace offline
