#include "platform/names.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/console.h"

namespace {

unsigned char ascii_upper(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool same_letter(char a, char b) {
  return ascii_upper(static_cast<unsigned char>(a)) == ascii_upper(static_cast<unsigned char>(b));
}

}  // namespace

bool listing_order(std::string_view left, std::string_view right) {
  // One pass: the first difference of folded letters decides; failing one, a shorter name
  // comes first; failing that, the first difference of bytes.
  std::size_t common = std::min(left.size(), right.size());
  int byte_difference = 0;
  // Names in one folder share long beginnings; equal bytes are equal letters too, so they are
  // skipped eight at a time.
  std::size_t i = 0;
  for (std::uint64_t a = 0, b = 0; i + 8 <= common; i += 8) {
    std::memcpy(&a, left.data() + i, 8);
    std::memcpy(&b, right.data() + i, 8);
    if (a != b) break;
  }
  for (; i < common; ++i) {
    unsigned char a = static_cast<unsigned char>(left[i]);
    unsigned char b = static_cast<unsigned char>(right[i]);
    if (a == b) continue;
    if (ascii_upper(a) != ascii_upper(b)) return ascii_upper(a) < ascii_upper(b);
    if (byte_difference == 0) byte_difference = a < b ? -1 : 1;
  }
  if (left.size() != right.size()) return left.size() < right.size();
  return byte_difference < 0;
}

int compare_windows_names(std::string_view left, std::string_view right) {
  auto trimmed = [](std::string_view name) {
    std::size_t kept = name.find_last_not_of(" .");
    return kept == std::string_view::npos ? std::string_view() : name.substr(0, kept + 1);
  };
  left = trimmed(left);
  right = trimmed(right);
  std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    unsigned char a = ascii_upper(static_cast<unsigned char>(left[i]));
    unsigned char b = ascii_upper(static_cast<unsigned char>(right[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return left.size() == right.size() ? 0 : left.size() < right.size() ? -1 : 1;
}

bool equal_ignoring_ascii_case(std::string_view left, std::string_view right) {
  return std::equal(left.begin(), left.end(), right.begin(), right.end(), same_letter);
}

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char character) { return static_cast<unsigned char>(character) < 0x80; });
}

bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    if (length > 1) {
      unsigned char second = static_cast<unsigned char>(text[i + 1]);
      // Overlong forms, UTF-16 surrogates and code points beyond U+10FFFF.
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
          (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return false;
    }
    i += length;
  }
  return true;
}

bool is_portable_name(std::string_view name) {
  for (char character : name) {
    unsigned char byte = static_cast<unsigned char>(character);
    if (byte < 0x20 || std::string_view("\"*:<>?\\|").find(character) != std::string_view::npos)
      return false;
  }
  return true;
}

bool is_usable_name(const char* folder, std::string_view system_name, const char* text) {
  if (text != nullptr && is_portable_name(text)) return true;
  std::string shown(system_name);
  if (std::strcmp(folder, ".\\") != 0) shown = display_text(folder) + "\\" + shown;
  if (text == nullptr)
    // The player could never find it: its name has no spelling in the device's code page.
    warn_once("skipping %s: code page %s has no characters for this name", shown.c_str(),
              code_page_name().c_str());
  else
    warn_once(
        "skipping %s: a Windows player cannot use a name holding control characters or any of "
        "\" * : < > ? \\ |",
        shown.c_str());
  return false;
}
