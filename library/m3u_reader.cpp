#include "library/m3u_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::size_t kReadSize = 64 * 1024;
constexpr unsigned char kEndOfText = 0x1A;
constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

// Makes at least one unread byte available; false at the end of the file or on an error.
bool fill(M3uReader& reader) {
  if (reader.position < reader.length) return true;
  if (reader.ended) return false;
  // Left as it is: every byte read is written before it is looked at.
  if (reader.buffer == nullptr) reader.buffer.reset(new unsigned char[kReadSize]);
  reader.position = 0;
  reader.length = 0;
  DeviceError error;
  if (!reader.file->read(reinterpret_cast<char*>(reader.buffer.get()), kReadSize, reader.length,
                         error)) {
    reader.failure = error.reason;
    reader.length = 0;
  }
  // A read gives fewer bytes than asked only at the end of the file: no read is spent to learn
  // that there is nothing more.
  if (reader.length < kReadSize) reader.ended = true;
  return reader.length > 0;
}

bool starts_with(const M3uReader& reader, std::initializer_list<unsigned char> mark) {
  return reader.length >= mark.size() && std::equal(mark.begin(), mark.end(), reader.buffer.get());
}

// Appends to the line what fits of the run of bytes, noting an over-long line.
void append_run(M3uReader& reader, std::string& line, const unsigned char* run, std::size_t size) {
  std::size_t room = kMaxLineRead - std::min(line.size(), kMaxLineRead);
  if (size > room) reader.over_long = true;
  line.append(reinterpret_cast<const char*>(run), std::min(size, room));
}

// A line of a file in a single-byte encoding or UTF-8, whole runs of bytes at a time.
bool read_byte_line(M3uReader& reader, std::string& line) {
  bool read_any = false;
  while (fill(reader)) {
    read_any = true;
    const unsigned char* start = reader.buffer.get() + reader.position;
    const unsigned char* end = reader.buffer.get() + reader.length;
    static constexpr std::array<bool, 256> kEndsLine = [] {
      std::array<bool, 256> table{};
      table['\n'] = table['\r'] = table[kEndOfText] = true;
      return table;
    }();
    const unsigned char* stop = start;
    while (stop != end && !kEndsLine[*stop]) ++stop;
    append_run(reader, line, start, static_cast<std::size_t>(stop - start));
    reader.position += static_cast<std::size_t>(stop - start);
    if (stop == end) continue;
    ++reader.position;
    if (*stop == kEndOfText) {
      reader.ended = true;
      reader.position = reader.length;
      return stop != start || !line.empty();
    }
    // A carriage return alone ends a line too, as old Mac exports end theirs.
    if (*stop == '\r' && fill(reader) && reader.buffer[reader.position] == '\n') ++reader.position;
    return true;
  }
  return read_any;
}

// A byte-order mark at the very start says how the file is written; it is not part of a line.
void read_byte_order_mark(M3uReader& reader) {
  reader.started = true;
  // The first read fills the buffer unless the file is shorter than the mark.
  if (!fill(reader)) return;
  if (starts_with(reader, {0xFF, 0xFE}) || starts_with(reader, {0xFE, 0xFF})) {
    reader.utf16 =
        reader.buffer[0] == 0xFF ? M3uReader::Utf16::little_endian : M3uReader::Utf16::big_endian;
    reader.position = 2;
  } else if (starts_with(reader, {kUtf8Mark[0], kUtf8Mark[1], kUtf8Mark[2]})) {
    reader.position = sizeof kUtf8Mark;
  }
}

int next_byte(M3uReader& reader) {
  if (!fill(reader)) return -1;
  return reader.buffer[reader.position++];
}

int next_utf16_unit(M3uReader& reader) {
  int first = next_byte(reader);
  int second = next_byte(reader);
  if (first < 0 || second < 0) return -1;
  return reader.utf16 == M3uReader::Utf16::little_endian ? first | second << 8
                                                         : first << 8 | second;
}

// The next character of a UTF-16 file, as the bytes of its UTF-8 spelling, one at a time.
int next_utf16_byte(M3uReader& reader) {
  if (reader.utf8_position < reader.utf8.size())
    return static_cast<unsigned char>(reader.utf8[reader.utf8_position++]);
  int unit = next_utf16_unit(reader);
  if (unit < 0) return -1;
  std::uint32_t code_point = static_cast<std::uint32_t>(unit);
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    int low = next_utf16_unit(reader);
    code_point = low >= 0xDC00 && low <= 0xDFFF ? 0x10000 + ((code_point - 0xD800) << 10) +
                                                      static_cast<std::uint32_t>(low - 0xDC00)
                                                : 0xFFFD;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    code_point = 0xFFFD;
  }
  reader.utf8.clear();
  reader.utf8_position = 0;
  if (code_point < 0x80) return static_cast<int>(code_point);
  if (code_point < 0x800) {
    reader.utf8 += static_cast<char>(0xC0 | code_point >> 6);
  } else if (code_point < 0x10000) {
    reader.utf8 += static_cast<char>(0xE0 | code_point >> 12);
    reader.utf8 += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
  } else {
    reader.utf8 += static_cast<char>(0xF0 | code_point >> 18);
    reader.utf8 += static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    reader.utf8 += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
  }
  reader.utf8 += static_cast<char>(0x80 | (code_point & 0x3F));
  return static_cast<unsigned char>(reader.utf8[reader.utf8_position++]);
}

// The next character of the file as text mode delivers it, or -1 at its end. A carriage return
// alone ends a line too, as old Mac exports end theirs: no name on the player can hold one.
int next_character(M3uReader& reader) {
  int character =
      reader.utf16 != M3uReader::Utf16::no ? next_utf16_byte(reader) : next_byte(reader);
  if (character == kEndOfText && reader.utf16 == M3uReader::Utf16::no) {
    reader.ended = true;
    reader.position = reader.length;
    return -1;
  }
  if (character != '\r') return character;
  // Peeked at, and taken when it completes the pair.
  if (reader.utf16 == M3uReader::Utf16::no) {
    if (fill(reader) && reader.buffer[reader.position] == '\n') ++reader.position;
  } else if (reader.position + 1 < reader.length || fill(reader)) {
    std::size_t at = reader.position;
    bool line_feed =
        reader.length - at >= 2 && (reader.utf16 == M3uReader::Utf16::little_endian
                                        ? reader.buffer[at] == '\n' && reader.buffer[at + 1] == 0
                                        : reader.buffer[at] == 0 && reader.buffer[at + 1] == '\n');
    if (line_feed) reader.position += 2;
  }
  return '\n';
}

}  // namespace

bool read_m3u_line(M3uReader& reader, std::string& line) {
  if (!reader.started) read_byte_order_mark(reader);
  line.clear();
  reader.over_long = false;
  if (reader.utf16 == M3uReader::Utf16::no) return read_byte_line(reader, line);
  int character = next_character(reader);
  if (character < 0) return false;
  for (; character >= 0 && character != '\n'; character = next_character(reader)) {
    // The rest of an over-long line is read past, so that it never passes for a line.
    if (line.size() < kMaxLineRead)
      line += static_cast<char>(character);
    else
      reader.over_long = true;
  }
  return true;
}
