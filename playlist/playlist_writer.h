// Writing playlist files. Entries go to a temporary file beside the playlist; finished playlists
// take their places in batches: the batch's files are made durable with one sync of the file
// system, renamed over the previous playlists, and the renames made durable by the next sync.
// A full disk, a failed write or a power cut never leaves a truncated playlist for the player:
// the previous one stays until the new one is whole on the device.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

inline constexpr std::string_view kPlaylistName = "Default Playlist.epl";

// True for the name of a file the program writes, a playlist or its temporary file, as Windows
// compares names: such a file is never a track.
bool is_own_file_name(std::string_view name);

struct PlaylistStream {
  std::string path;            // where the playlist goes, e.g. "Rock\Default Playlist.epl"
  std::string temporary_path;  // where it is written first
  std::unique_ptr<WritableFile> file;
  std::string pending;   // entries not yet handed to the file
  std::size_t size = 0;  // of all entries written
  std::string failure;   // why writing failed; empty while all is well
};

enum class PlaylistStart {
  started,
  kept,    // the playlist is read-only: the user's own, left as it is (said on standard error)
  failed,  // said on standard error
};

// Starts the playlist at path. Nothing may be written to it unless it is started.
PlaylistStart open_playlist(PlaylistStream& playlist, std::string path);

// Appends the entry for a relative path. Returns false, writing nothing, when the path is too
// long for an entry. Write failures are remembered and reported by close_playlist.
bool write_entry(PlaylistStream& playlist, std::string_view relative_path);

// Finishes the playlist, which takes its place with its batch. On failure says so on standard
// error, removes the temporary file, leaves any previous playlist as it was and returns false.
bool close_playlist(PlaylistStream& playlist);

// Gives the playlist up, for a caller that cannot build it whole (and says why): the temporary
// file is removed and the previous playlist stays.
void abandon_playlist(PlaylistStream& playlist);

// Puts every finished playlist in its place and makes sure all of them are on the device.
// Returns false when one of them could not be (said on standard error); true means every
// playlist closed so far is in its place, durably.
bool put_playlists_in_place();

// How many playlists have taken their places so far.
std::size_t playlists_put_in_place();
