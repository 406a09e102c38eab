// A folder's tracks: those its M3U playlist names when it has one, otherwise its MP3 files in
// byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/library.h"

// Relative paths ("Rock\01 Intro.mp3"), back to back in one buffer: a folder of 100,000 tracks
// costs one buffer, not 100,000 strings.
class TrackList {
 public:
  void add(std::string_view path);
  std::size_t size() const { return places_.size(); }
  bool empty() const { return places_.empty(); }
  std::string_view operator[](std::size_t index) const;
  // Byte order: "B.mp3" before "a.mp3", "Track 10" before "Track 9".
  void sort();

 private:
  std::string paths_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> places_;  // where each starts, its length
};

struct FolderTracks {
  TrackList tracks;
  bool read_whole = true;      // false when the folder, its M3U or a line could not be read whole
  std::string problem;         // why not
  unsigned lines_skipped = 0;  // M3U lines that give no track
};

// The tracks of the folder with that path text and device path, each said in the progress log as
// it is taken. What a folder holds that never becomes a track is said on standard error.
FolderTracks tracks_of(Library& library, const std::string& folder, const std::string& device_path);
