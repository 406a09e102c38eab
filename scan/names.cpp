#include "scan/names.h"

#include <algorithm>

namespace {

unsigned char ascii_upper(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
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

std::string windows_name_key(std::string_view name) {
  std::size_t kept = name.find_last_not_of(" .");
  name = kept == std::string_view::npos ? std::string_view() : name.substr(0, kept + 1);
  std::string key(name);
  for (char& character : key) character = static_cast<char>(ascii_upper(static_cast<unsigned char>(character)));
  return key;
}
