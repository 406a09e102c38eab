#include "core/playlist_entry.h"

#include <algorithm>

bool encode_entry(std::string_view relative_path, PlaylistEntry& entry) {
  if (relative_path.size() > kMaxEntryPathLength) return false;
  entry.fill(0);
  std::copy(kEntryHeader.begin(), kEntryHeader.end(), entry.begin());
  auto out = entry.begin() + kDevicePathOffset;
  out = std::copy(kDevicePrefix.begin(), kDevicePrefix.end(), out);
  *out++ = '\\';
  std::copy(relative_path.begin(), relative_path.end(), out);
  return true;
}
