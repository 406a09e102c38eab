#include "app/driver.h"

#include <cstdio>
#include <optional>
#include <string>

#include "app/eplgen_command_line.h"
#include "folders/folder_playlist.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/playlist_writer.h"

void add_folder_entry(void* context, const char* /*folder*/, const char* name) {
  auto* playlist = static_cast<PlaylistStream*>(context);
  log_line("Adding directory %s\n", name);
  write_entry(*playlist, name);
}

namespace {

bool write_top_level_playlist() {
  PlaylistStream playlist;
  if (!open_playlist(playlist, std::string(kPlaylistName))) return false;
  enumerate_entries(&playlist, ".\\", "*", EntryKind::directories, add_folder_entry);
  return close_playlist(playlist);
}

}  // namespace

int real_main(int argc, char** argv) {
  if (std::optional<int> status = follow_command_line(argc, argv)) return *status;

  bool all_written = write_top_level_playlist();
  // The folder pass runs even when the playlist of folders could not be written.
  if (!run_folder_pass()) all_written = false;
  std::fflush(stdout);
  return all_written ? 0 : 1;
}
