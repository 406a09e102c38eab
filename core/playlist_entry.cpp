#include "core/playlist_entry.h"

#include <algorithm>
#include <cstring>

namespace {

// Writes the record for a relative path that fits over a record of zero bytes.
void place_entry(std::string_view relative_path, unsigned char* record) {
  std::copy(kEntryHeader.begin(), kEntryHeader.end(), record);
  unsigned char* out = record + kDevicePathOffset;
  out = std::copy(kDevicePrefix.begin(), kDevicePrefix.end(), out);
  *out++ = '\\';
  std::memcpy(out, relative_path.data(), relative_path.size());
}

}  // namespace

bool encode_entry(std::string_view relative_path, PlaylistEntry& entry) {
  if (relative_path.size() > kMaxEntryPathLength) return false;
  entry.fill(0);
  place_entry(relative_path, entry.data());
  return true;
}

bool append_entry(std::string_view relative_path, std::string& entries) {
  if (relative_path.size() > kMaxEntryPathLength) return false;
  std::size_t start = entries.size();
  entries.resize(start + kEntrySize);  // zeros
  place_entry(relative_path, reinterpret_cast<unsigned char*>(entries.data() + start));
  return true;
}
