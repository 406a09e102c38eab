// Reading an M3U file line by line the way Windows reads a text file, on every platform, so
// that the same file gives the same lines everywhere: a carriage return and line feed read as
// one line feed, a lone carriage return kept, the first 0x1A ending the file. A UTF-8
// byte-order mark at the very start (Notepad writes one) is dropped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

// The longest line an M3U may hold, its line end not counted; a longer one is over-long.
inline constexpr std::size_t kMaxLineRead = 259;

struct M3uReader {
  ReadableFile* file = nullptr;
  std::vector<unsigned char> buffer;
  std::size_t position = 0;
  std::size_t length = 0;
  bool started = false;
  bool ended = false;
  std::string failure;     // why reading stopped before the end of the file; empty if it did not
  bool over_long = false;  // the line read last had more than kMaxLineRead characters
};

// Reads the next line into line, without its line feed: its first kMaxLineRead characters, the
// rest of an over-long line being read past (over_long then says so). Returns false when there
// is no line left: at the end of the file, after 0x1A or after a read error (failure then says
// why).
bool read_m3u_line(M3uReader& reader, std::string& line);
