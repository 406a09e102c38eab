#include "scan/names.h"

#include <algorithm>

namespace {

unsigned char ascii_upper(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool same_letter(char a, char b) {
  return ascii_upper(static_cast<unsigned char>(a)) == ascii_upper(static_cast<unsigned char>(b));
}

}  // namespace

bool listing_order(std::string_view left, std::string_view right) {
  auto folded_less = [](char a, char b) {
    return ascii_upper(static_cast<unsigned char>(a)) < ascii_upper(static_cast<unsigned char>(b));
  };
  if (std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), folded_less))
    return true;
  if (std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(), folded_less))
    return false;
  auto byte_less = [](char a, char b) {
    return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
  };
  return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), byte_less);
}

bool matches_pattern(std::string_view name, std::string_view pattern) {
  // Greedy scan that, on a mismatch, lets the most recent '*' swallow one more character.
  std::size_t at = 0, next = 0;
  std::size_t star = std::string_view::npos, star_at = 0;
  while (at < name.size()) {
    if (next < pattern.size() && pattern[next] == '*') {
      star = next++;
      star_at = at;
    } else if (next < pattern.size() && same_letter(pattern[next], name[at])) {
      ++next;
      ++at;
    } else if (star != std::string_view::npos) {
      next = star + 1;
      at = ++star_at;
    } else {
      return false;
    }
  }
  while (next < pattern.size() && pattern[next] == '*') ++next;
  return next == pattern.size();
}
