#include "folders/m3u_reader.h"

#include <algorithm>

namespace {

constexpr std::size_t kReadSize = 64 * 1024;
constexpr unsigned char kEndOfText = 0x1A;
constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// Makes at least one unread byte available; false at the end of the file or on an error.
bool fill(M3uReader& reader) {
  if (reader.position < reader.length) return true;
  if (reader.ended) return false;
  reader.buffer.resize(kReadSize);
  reader.position = 0;
  reader.length = 0;
  if (!reader.file->read(reinterpret_cast<char*>(reader.buffer.data()), kReadSize, reader.length,
                         reader.failure))
    reader.length = 0;
  if (reader.length == 0) reader.ended = true;
  return reader.length > 0;
}

void skip_byte_order_mark(M3uReader& reader) {
  reader.started = true;
  if (!fill(reader)) return;
  // The first read fills the buffer unless the file is shorter than the mark.
  if (reader.length >= sizeof kByteOrderMark &&
      std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), reader.buffer.begin()))
    reader.position = sizeof kByteOrderMark;
}

// The next character of the file as text mode delivers it, or -1 at its end.
int next_character(M3uReader& reader) {
  if (!fill(reader)) return -1;
  unsigned char byte = reader.buffer[reader.position++];
  if (byte == kEndOfText) {
    reader.ended = true;
    reader.position = reader.length;
    return -1;
  }
  if (byte == '\r' && fill(reader) && reader.buffer[reader.position] == '\n') {
    ++reader.position;
    return '\n';
  }
  return byte;
}

}  // namespace

bool read_m3u_line(M3uReader& reader, std::string& line) {
  if (!reader.started) skip_byte_order_mark(reader);
  line.clear();
  reader.over_long = false;
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
