// Reading an M3U file line by line the way Windows reads a text file, on every platform, so
// that the same file gives the same lines everywhere: a line ends at a line feed, a carriage
// return, or both; the first 0x1A ends the file. A UTF-8 byte-order mark at the very start
// (Notepad writes one) is dropped; a UTF-16 one (Notepad's "Unicode") makes the file UTF-16,
// whose lines are given in UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"

// The longest line an M3U may hold, its line end not counted: 259 characters as the code page
// holds them, which UTF-8 spells in up to four bytes each. A line of more bytes is over-long
// whatever it holds.
inline constexpr std::size_t kMaxLineCharacters = 259;
inline constexpr std::size_t kMaxLineRead = 4 * kMaxLineCharacters;

struct M3uReader {
  ReadableFile* file = nullptr;
  std::unique_ptr<unsigned char[]> buffer;
  std::size_t position = 0;
  std::size_t length = 0;
  bool started = false;
  bool ended = false;
  std::string failure;     // why reading stopped before the end of the file; empty if it did not
  bool over_long = false;  // the line read last had more than kMaxLineRead bytes
  enum class Utf16 { no, little_endian, big_endian } utf16 = Utf16::no;
  std::string utf8;  // of the UTF-16 character being read, and how much of it is given
  std::size_t utf8_position = 0;
};

// Reads the next line into line, without its line feed: its first kMaxLineRead bytes, the
// rest of an over-long line being read past (over_long then says so). Returns false when there
// is no line left: at the end of the file, after 0x1A or after a read error (failure then says
// why).
[[nodiscard]] bool read_m3u_line(M3uReader& reader, std::string& line);
