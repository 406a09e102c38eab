// Reading a playlist file back, checking every byte against the format on the way. It works on
// the file's bytes alone, so that any input, however damaged, gives an answer and nothing else.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PlaylistFault {
  std::size_t offset = 0;  // of the first byte that breaks the format, from the file's start
  std::string description;
};

struct PlaylistContents {
  std::vector<std::string> device_paths;  // of the intact entries before the fault, in order
  std::optional<PlaylistFault> fault;
};

// Decodes entry after entry until the first fault: an incomplete entry at the end, a wrong
// header byte, a non-zero byte where zeros belong, or a device path without its terminator.
// Nothing after a fault is decoded: once one entry is damaged, what follows it cannot be
// trusted to be what was written, and a file that is no playlist at all gives one fault.
PlaylistContents read_playlist(std::string_view bytes);
