// A folder's tracks: those its M3U playlist names when it has one, otherwise its MP3 files in
// byte order, and its subfolders' tracks when it has none of its own (or always, recursive): each
// subfolder in listing order gives its tracks by the same rule, to any depth. An M3U that gives
// no track is no playlist of the folder: the next one, or else the folder's files, decide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/namespace.h"
#include "library/library.h"
#include "library/plan.h"
#include "library/track_list.h"

struct FolderTracks {
  TrackList tracks;
  bool read_whole = true;      // false when the folder, its M3U or a line could not be read whole
  std::string problem;         // why not
  unsigned lines_skipped = 0;  // M3U lines that give no track
  std::size_t folders_skipped = 0;  // subfolders left out
  std::size_t tracks_skipped = 0;   // MP3 files left out: names the player cannot use
};

// The tracks of the folder with that path text and device path, each said in the progress log as
// it is taken. What a folder holds that never becomes a track is said on standard error.
FolderTracks tracks_of(Library& library, const std::string& folder, const std::string& device_path);

// True when one of the folders may give a track: one holds an MP3 file, an M3U naming a file, a
// name the player cannot use or a folder that cannot be read, to any depth the walk goes to.
// Looks only, saying nothing, and stops at the first. The first folder's listing is left in
// first, for the run to work with without reading it again.
bool may_hold_tracks(Library& library, const std::vector<PlannedFolder>& folders,
                     std::shared_ptr<const FolderListing>& first);
