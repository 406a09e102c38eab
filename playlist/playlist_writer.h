// Writing playlist files. A playlist whose entries are the bytes of the file already there is
// left as it is: the entries are compared with that file while they are made, and a new file is
// begun only where they first differ. Entries go to a temporary file beside the playlist;
// finished playlists take their places in batches: the batch's files are made durable with one
// sync of the file system, renamed over the previous playlists, and the renames made durable by
// the next sync. A full disk, a failed write or a power cut never leaves a truncated playlist for
// the player: the previous one stays until the new one is whole on the device.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

inline constexpr std::string_view kPlaylistName = "Default Playlist.epl";

// True for the name of a file the program writes, a playlist or its temporary file, as Windows
// finds names: such a file is never a track.
bool is_own_file_name(std::string_view name);

struct PlaylistStream {
  std::string path;            // where the playlist goes, e.g. "Rock\Default Playlist.epl"
  std::string temporary_path;  // where it is written first
  std::unique_ptr<ReadableFile> previous;  // the playlist there now, while the new one repeats it
  std::size_t repeated = 0;                // bytes of it the new one repeats so far
  bool differs = false;                    // from the playlist there now, if any
  std::unique_ptr<WritableFile> file;      // the new playlist, once it differs
  std::string pending;                     // entries not yet compared or written
  std::size_t size = 0;                    // of all entries made
  std::string failure;                     // the message for what failed; empty while all is well
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

// Finishes the playlist: unchanged, it is left as it is; otherwise it takes its place with its
// batch. On failure says so on standard error, removes the temporary file, leaves any previous
// playlist as it was and returns false.
bool close_playlist(PlaylistStream& playlist);

// Gives the playlist up, for a caller that cannot build it whole (and says why): the temporary
// file is removed and the previous playlist stays.
void abandon_playlist(PlaylistStream& playlist);

// Puts every finished playlist in its place and makes sure all of them are on the device.
// Returns false when one of them could not be (said on standard error); true means every
// playlist closed so far is in its place, durably. In a dry run, says instead which playlists
// would be written and which are unchanged.
bool put_playlists_in_place();

// A dry run makes and compares every playlist but creates, writes and removes nothing.
void set_dry_run(bool dry_run);

struct PlaylistCounts {
  std::size_t written = 0;  // put in place; in a dry run, would be
  std::size_t unchanged = 0;
  std::size_t not_written = 0;  // failed, or kept as read-only
  bool dry_run = false;
};

PlaylistCounts playlist_counts();
