// Turning a folder's M3U playlist into tracks.
#pragma once

#include <string>

#include "library/library.h"
#include "library/track_list.h"

struct M3uImport {
  bool read_whole = true;  // false when the M3U could not be read whole or a line looked up
  std::string problem;     // why not
  unsigned lines_skipped = 0;
};

// Adds to tracks the relative path of every line of the M3U (its path text m3u, holding at least
// one backslash, and its device path) that names an existing regular file, in the order of the
// lines, each said in the progress log. Lines are taken relative to the M3U's folder and stored as
// written; comment and directive lines ("#...") and lines shorter than four characters are
// skipped, and so are lines naming a playlist or its temporary file. A line holding an absolute
// path or a file:// URI, as desktop players export them, names the longest of its trailing parts
// that is a file under the M3U's folder, and that relative path is stored. The lines that name no
// file are said in one line on standard error. With first_track_only, reading stops at the first
// line that gives a track.
M3uImport import_m3u(Library& library, const std::string& m3u, const std::string& device_path,
                     TrackList& tracks, bool first_track_only = false);
