#include "core/names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/code_page.h"
#include "core/utf8.h"

namespace {

unsigned char ascii_upper(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool same_letter(char a, char b) {
  return ascii_upper(static_cast<unsigned char>(a)) == ascii_upper(static_cast<unsigned char>(b));
}

// The Unicode combining marks that follow a letter in a decomposed name, U+0300 to U+036F, as
// UTF-8: CC 80 to CD AF.
bool holds_combining_mark(std::string_view utf8) {
  for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
    if ((lead == 0xCC && next >= 0x80 && next <= 0xBF) ||
        (lead == 0xCD && next >= 0x80 && next <= 0xAF))
      return true;
  }
  return false;
}

// How many of the first common bytes of two names are equal, in whole words of eight: runs of
// equal bytes are skipped at once.
std::size_t equal_words(std::string_view left, std::string_view right, std::size_t common) {
  std::size_t i = 0;
  for (std::uint64_t a = 0, b = 0; i + 8 <= common; i += 8) {
    std::memcpy(&a, left.data() + i, 8);
    std::memcpy(&b, right.data() + i, 8);
    if (a != b) break;
  }
  return i;
}

}  // namespace

bool equal_ignoring_ascii_case(std::string_view left, std::string_view right) {
  return std::equal(left.begin(), left.end(), right.begin(), right.end(), same_letter);
}

int compare_player_names(const CodePage& code_page, std::string_view left, std::string_view right) {
  std::size_t common = std::min(left.size(), right.size());
  // Equal bytes are equal letters: only bytes that differ are folded.
  std::size_t i = equal_words(left, right, common);
  for (; i < common; ++i) {
    if (left[i] == right[i]) continue;
    unsigned char a = code_page.upper(static_cast<unsigned char>(left[i]));
    unsigned char b = code_page.upper(static_cast<unsigned char>(right[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return left.size() == right.size() ? 0 : left.size() < right.size() ? -1 : 1;
}

int compare_in_listing_order(const CodePage& code_page, std::string_view left,
                             std::string_view right) {
  // One pass: the first difference of folded letters decides; failing one, a shorter name
  // comes first; failing that, the first difference of bytes.
  std::size_t common = std::min(left.size(), right.size());
  int byte_difference = 0;
  // Names in one folder share long beginnings; equal bytes are equal letters too.
  std::size_t i = equal_words(left, right, common);
  for (; i < common; ++i) {
    unsigned char a = static_cast<unsigned char>(left[i]);
    unsigned char b = static_cast<unsigned char>(right[i]);
    if (a == b) continue;
    unsigned char upper_a = code_page.upper(a);
    unsigned char upper_b = code_page.upper(b);
    if (upper_a != upper_b) return upper_a < upper_b ? -1 : 1;
    if (byte_difference == 0) byte_difference = a < b ? -1 : 1;
  }
  if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
  return byte_difference;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view without_trailing_dots_and_blanks(std::string_view name) {
  return name.substr(0, name.find_last_not_of(" .") + 1);
}

int compare_naturally(std::string_view left, std::string_view right) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < left.size() && j < right.size()) {
    if (is_digit(left[i]) && is_digit(right[j])) {
      // The numbers' digits without their leading zeros: the longer is the larger, and of two
      // as long, the first digit that differs decides.
      std::size_t left_end = i;
      while (left_end < left.size() && is_digit(left[left_end])) ++left_end;
      std::size_t right_end = j;
      while (right_end < right.size() && is_digit(right[right_end])) ++right_end;
      while (i + 1 < left_end && left[i] == '0') ++i;
      while (j + 1 < right_end && right[j] == '0') ++j;
      if (left_end - i != right_end - j) return left_end - i < right_end - j ? -1 : 1;
      if (int order = left.substr(i, left_end - i).compare(right.substr(j, right_end - j)))
        return order < 0 ? -1 : 1;
      i = left_end;
      j = right_end;
      continue;
    }
    unsigned char a = static_cast<unsigned char>(left[i]);
    unsigned char b = static_cast<unsigned char>(right[j]);
    if (a != b) return a < b ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < left.size() || j < right.size()) return i < left.size() ? 1 : -1;
  int bytes = left.compare(right);
  return (bytes > 0) - (bytes < 0);
}

namespace {

// The bytes no name may hold: control characters and " * : < > ? \ |. In a path, backslashes
// part its names.
constexpr std::array<bool, 256> forbidden_bytes(bool in_path) {
  std::array<bool, 256> table{};
  for (int byte = 0; byte < 0x20; ++byte) table[byte] = true;
  for (unsigned char character : std::string_view("\"*:<>?\\|")) table[character] = true;
  if (in_path) table['\\'] = false;
  return table;
}

bool holds_none_of(std::string_view text, const std::array<bool, 256>& forbidden) {
  for (char character : text)
    if (forbidden[static_cast<unsigned char>(character)]) return false;
  return true;
}

}  // namespace

bool is_portable_name(std::string_view name) {
  static constexpr std::array<bool, 256> forbidden = forbidden_bytes(false);
  return holds_none_of(name, forbidden);
}

bool holds_portable_names(std::string_view path) {
  static constexpr std::array<bool, 256> forbidden = forbidden_bytes(true);
  return holds_none_of(path, forbidden);
}

bool player_name(const CodePage& code_page, std::string_view system_name, std::string& text,
                 NameFault& fault) {
  fault = NameFault::none;
  CodePage::Conversion conversion = code_page.convert_utf8(system_name, text);
  // Not UTF-8: some older tool wrote the name in an 8-bit code page; the bytes are the player's,
  // unless one stands for no character there, which no name on the player can hold.
  if (conversion == CodePage::Conversion::not_utf8) {
    text.assign(system_name);
    for (char byte : system_name)
      if (code_page.character(static_cast<unsigned char>(byte)) == kUndefined)
        fault = NameFault::unspellable;
  } else if (conversion == CodePage::Conversion::unspellable)
    fault = holds_combining_mark(system_name) ? NameFault::decomposed : NameFault::unspellable;
  if (fault == NameFault::none && !is_portable_name(text)) fault = NameFault::forbidden_characters;
  // Windows, and so the player, drops trailing dots and blanks from a path's last part and one
  // dot from any other: such a name could never be found.
  if (fault == NameFault::none && (text.ends_with('.') || text.ends_with(' ')))
    fault = NameFault::ends_in_dot_or_blank;
  if (fault == NameFault::none && is_reserved_name(text)) fault = NameFault::reserved;
  return fault == NameFault::none;
}

const CodePage* code_page_spelling(CodePageSet& offered, const CodePage& current,
                                   std::string_view system_name) {
  for (std::string_view name : kCodePages) {
    std::string ignored;
    const CodePage* code_page = name == current.name() ? nullptr : offered.named(name, ignored);
    NameFault fault = NameFault::none;
    std::string text;
    if (code_page != nullptr && player_name(*code_page, system_name, text, fault)) return code_page;
  }
  return nullptr;
}

bool is_system_folder_name(std::string_view name) {
  if (name.starts_with('.')) return true;
  for (std::string_view system :
       {"$RECYCLE.BIN", "RECYCLER", "RECYCLED", "System Volume Information", "LOST.DIR"})
    if (equal_ignoring_ascii_case(name, system)) return true;
  return false;
}

std::string_view other_audio_kind(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() - dot > 5) return {};
  // Asked of every track: the extension is put in lower case once, and most are ".mp3".
  char extension[5] = {};
  std::size_t length = name.size() - dot;
  for (std::size_t i = 0; i < length; ++i) {
    char c = name[dot + i];
    extension[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  std::string_view lower(extension, length);
  if (lower == ".mp3") return {};
  for (std::string_view kind : {".wma", ".ogg", ".oga", ".flac", ".m4a", ".m4b", ".mp4", ".wav",
                                ".aac", ".opus", ".aiff", ".aif", ".ape", ".wv", ".mpc", ".mp2"})
    if (lower == kind) return kind;
  return {};
}

bool is_reserved_name(std::string_view name) {
  // Every device name begins with one of these letters, and most names with another.
  switch (ascii_upper(name.empty() ? 0 : static_cast<unsigned char>(name[0]))) {
    case 'A':
    case 'C':
    case 'L':
    case 'N':
    case 'P':
      break;
    default:
      return false;
  }
  std::string_view base = name.substr(0, name.find('.'));
  base = base.substr(0, base.find_last_not_of(' ') + 1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (equal_ignoring_ascii_case(base, device)) return true;
  if (base.size() != 4) return false;
  unsigned char digit = static_cast<unsigned char>(base[3]);
  // 1 to 9, or the code page's superscript one, two and three (0xB9, 0xB2, 0xB3 in CP1252).
  bool number = (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  return number && (equal_ignoring_ascii_case(base.substr(0, 3), "COM") ||
                    equal_ignoring_ascii_case(base.substr(0, 3), "LPT"));
}

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Adds the parts of path to parts as Windows resolves a path it is given: "." and ".." parts as
// text, never above the first fixed parts (a drive's root, or a server and its share, which the
// path climbs no further than), a part ending in one dot without it, the last part without its
// trailing dots and blanks. False when the path ends in a separator: no file is there.
bool add_resolved_parts(std::string_view path, std::size_t fixed,
                        std::vector<std::string_view>& parts) {
  if (!path.empty() && is_separator(path.back())) return false;
  while (!path.empty()) {
    std::size_t separator = find_separator(path);
    std::string_view part = path.substr(0, separator);
    path = separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
    if (part == "..") {
      if (parts.size() > fixed) parts.pop_back();
      continue;
    }
    if (part.empty() || part == ".") continue;
    if (path.empty())
      part = without_trailing_dots_and_blanks(part);
    else if (part.ends_with('.') && !part.ends_with(".."))
      part.remove_suffix(1);
    if (!part.empty()) parts.emplace_back(part);
  }
  return true;
}

}  // namespace

std::optional<std::vector<std::string_view>> player_path_parts(std::string_view path) {
  // The player's root is the top: climbs beyond it stay there, as Windows keeps them at a
  // drive's root.
  std::vector<std::string_view> parts = {kMusicFolderName};
  if (!add_resolved_parts(path, 0, parts)) return std::nullopt;
  return parts;
}

bool is_absolute_path(std::string_view path) {
  return (path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == ':' &&
          is_separator(path[2])) ||
         (!path.empty() && is_separator(path[0]));
}

std::optional<std::vector<std::string_view>> absolute_path_parts(std::string_view path) {
  bool unc = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
  std::size_t fixed = unc ? 2 : path.size() >= 2 && path[1] == ':' ? 1 : 0;
  std::vector<std::string_view> parts;
  if (fixed == 1) {
    parts.push_back(path.substr(0, 2));
    path.remove_prefix(2);
  }
  if (!add_resolved_parts(path, fixed, parts)) return std::nullopt;
  // A server and a share named only in part are no root of any file.
  if (parts.size() < fixed) return std::nullopt;
  parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(fixed));
  return parts;
}
