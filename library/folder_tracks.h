// A folder's tracks: those its M3U playlist names when it has one, otherwise its MP3 files in
// byte order, and its subfolders' tracks when it has none of its own (or always, recursive): each
// subfolder in listing order gives its tracks by the same rule, to any depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/library.h"
#include "library/track_list.h"

struct FolderTracks {
  TrackList tracks;
  bool read_whole = true;      // false when the folder, its M3U or a line could not be read whole
  std::string problem;         // why not
  unsigned lines_skipped = 0;  // M3U lines that give no track
  std::size_t folders_skipped = 0;  // subfolders left out
};

// The tracks of the folder with that path text and device path, each said in the progress log as
// it is taken. What a folder holds that never becomes a track is said on standard error.
FolderTracks tracks_of(Library& library, const std::string& folder, const std::string& device_path);
