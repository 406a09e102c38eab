// The player's code page. Inside the program every name and path is a string of bytes in the
// 8-bit Windows code page the player resolves its entries in (Windows-1252 on a western system):
// the relative paths, their sort order and the playlist entries. A CodePage is the table of the
// character each byte stands for, learnt from the system (iconv, or Windows' own conversion) and
// handed in; converting names and folding letters is then pure table work, the same on every
// platform.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The code pages a player uses: the single-byte Windows code pages, by the names iconv and
// --codepage know them by.
inline constexpr std::array<std::string_view, 10> kCodePages = {
    "CP1250", "CP1251", "CP1252", "CP1253", "CP1254",
    "CP1255", "CP1256", "CP1257", "CP1258", "CP874"};

inline constexpr std::string_view kDefaultCodePage = "CP1252";

// The character of each byte, or kUndefined for a byte the code page leaves undefined.
inline constexpr char32_t kUndefined = 0xFFFFFFFF;
using CodePageTable = std::array<char32_t, 256>;

class CodePage {
 public:
  // Bytes standing for C0 or C1 control characters other than their own (none of the code pages
  // has one) or for more than one character are left undefined.
  CodePage(std::string name, const CodePageTable& characters);

  const std::string& name() const { return name_; }

  char32_t character(unsigned char byte) const { return characters_[byte]; }

  // Converts UTF-8 text to the code page. Returns false when the text is not UTF-8 or a character
  // has no byte of its own: no look-alike is ever taken in its place.
  bool from_utf8(std::string_view utf8, std::string& text) const;

  // The same, telling the two apart.
  enum class Conversion { converted, not_utf8, unspellable };
  Conversion convert_utf8(std::string_view utf8, std::string& text) const;

  // UTF-8 text as bytes of the code page, for output: a character it lacks becomes "?".
  std::string spelled(std::string_view utf8) const;

  // Code-page text as a person reads it, in UTF-8: a byte the code page leaves undefined shows as
  // "?".
  std::string shown(std::string_view text) const;
  // The same, appended to shown, with control characters as "?" too, as the console shows text:
  // one line whatever it holds, and no control codes for the terminal.
  void append_shown(std::string_view text, std::string& shown) const;

  // The byte of each byte's capital letter, as Unicode's simple case mapping gives it; the byte
  // itself when it is no small letter or its capital is not in the code page.
  unsigned char upper(unsigned char byte) const { return upper_[byte]; }

  // How many bytes stand for a character, and how many of them fold to another byte.
  std::size_t bytes_defined() const;
  std::size_t bytes_folded() const;

 private:
  std::string name_;
  CodePageTable characters_;
  std::vector<std::int16_t> bytes_;  // of each character below kCharacters, or -1
  std::array<unsigned char, 256> upper_;
  // Each byte as the console shows it: its character in UTF-8, up to three bytes, and how many.
  std::array<std::array<char, 3>, 256> shown_{};
  std::array<unsigned char, 256> shown_length_;
};

// The code pages offered, as the program learns them from the system.
class CodePageSet {
 public:
  virtual ~CodePageSet() = default;
  // The code page of that name (one of kCodePages, ASCII case ignored); null, with the reason,
  // when it is none of those or the system cannot convert it.
  virtual const CodePage* named(std::string_view name, std::string& reason) = 0;
};

// Unicode's simple upper-case mapping for the characters of the code pages offered: the letters
// of Latin-1, Latin Extended-A, Greek and Cyrillic, and the few others they hold.
char32_t simple_upper_case(char32_t character);
