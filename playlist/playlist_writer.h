// Writing one playlist file. Entries go to a temporary file beside the playlist, which takes the
// playlist's place only once every entry is written and the file is closed: a full disk or a
// failed write never leaves a truncated playlist for the player, and the previous one stays.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline constexpr std::string_view kPlaylistName = "Default Playlist.epl";

struct PlaylistStream {
  std::string path;            // where the playlist goes, e.g. "Rock\Default Playlist.epl"
  std::string temporary_path;  // where it is written first
  std::FILE* file = nullptr;
  std::string failure;  // why writing failed; empty while all is well
};

// Starts the playlist at path. On failure says so on standard error and returns false; nothing
// may then be written to it.
bool open_playlist(PlaylistStream& playlist, std::string path);

// Appends the entry for a relative path. Returns false, writing nothing, when the path is too
// long for an entry. Write failures are remembered and reported by close_playlist.
bool write_entry(PlaylistStream& playlist, std::string_view relative_path);

// Finishes the playlist and puts it in place. On failure says so on standard error, removes the
// temporary file, leaves any previous playlist as it was and returns false.
bool close_playlist(PlaylistStream& playlist);
