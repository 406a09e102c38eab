// The tables of Unicode's canonical composition, written at build time from the Unicode data
// files (cmake/unicode_data.cmake), each sorted by its first column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

struct CombiningClass {
  char32_t code_point;
  std::uint8_t combining_class;  // of the characters not listed, 0
};

struct Decomposition {
  char32_t code_point;
  char32_t first;
  char32_t second;  // 0 for a character that decomposes into one
};

struct Composition {
  char32_t first;
  char32_t second;
  char32_t composite;
};

extern const CombiningClass kCombiningClasses[];
extern const std::size_t kCombiningClassCount;
extern const Decomposition kDecompositions[];
extern const std::size_t kDecompositionCount;
extern const Composition kCompositions[];
extern const std::size_t kCompositionCount;
