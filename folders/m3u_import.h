// Turning a folder's M3U playlist into playlist entries.
#pragma once

#include <string>

#include "playlist/playlist_writer.h"

struct M3uImport {
  bool read_whole = true;  // false when the M3U could not be read whole or a line looked up
  std::string problem;     // why not
  unsigned lines_skipped = 0;
};

// Writes an entry to playlist for every line of the M3U file at m3u_path (a relative path
// holding at least one backslash) that names an existing regular file, in the order of the
// lines. Lines are taken relative to the M3U's folder and stored as written; comment and
// directive lines ("#...") and lines shorter than four characters are skipped, and so are lines
// naming a playlist or its temporary file. A line holding an absolute path or a file:// URI, as
// desktop players export them, names the longest of its trailing parts that is a file under the
// M3U's folder, and that relative path is stored. The lines that name no file are said in one
// line on standard error.
M3uImport import_m3u(PlaylistStream& playlist, const char* m3u_path);
