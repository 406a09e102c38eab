// Turning a folder's M3U playlist into playlist entries.
#pragma once

#include <string>

#include "playlist/playlist_writer.h"

// Writes an entry to playlist for every line of the M3U file at m3u_path (a relative path
// holding at least one backslash) that names an existing regular file, in the order of the
// lines. Lines are taken relative to the M3U's folder and stored as written; comment and
// directive lines ("#...") and lines shorter than four characters are skipped, and so are lines
// naming a playlist or its temporary file. Returns false, with the problem, when the M3U cannot
// be read whole or a line cannot be looked up: the playlist is then not what the M3U says.
bool import_m3u(PlaylistStream& playlist, const char* m3u_path, std::string& problem);
