// A small deterministic random source for the generated servers: the same seed
// gives the same image on every machine, so two runs of the bench measure the
// same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // splitmix64: fast, and good enough for picking sizes and names.
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [lo, hi], both included.
  int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  // True with the given probability in percent.
  bool Percent(int p) { return Between(0, 99) < p; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Next() % N];
  }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Next() % items.size()];
  }
  // A derived generator, so that one part of the image does not shift another
  // when its own counts change.
  Rng Fork(std::uint64_t salt) { return Rng(Next() ^ (salt * 0xD6E8FEB86659FD93ull)); }
  // `count` bytes that do not compress (padding of driver files, PNF bodies).
  void Fill(std::vector<std::uint8_t>& out, std::size_t count) {
    out.reserve(out.size() + count);
    while (count > 0) {
      std::uint64_t v = Next();
      for (int i = 0; i < 8 && count > 0; ++i, --count) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
  }

 private:
  std::uint64_t state_;
};

}  // namespace bench
