#include "app/driver.h"

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/eplgen_command_line.h"
#include "folders/folder_playlist.h"
#include "folders/subfolders.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/playlist_writer.h"

namespace {

struct TopLevelPass {
  PlaylistStream* playlist;
  const Subfolders* subfolders;
};

// Written, or kept as the user protected it.
bool write_top_level_playlist(const Subfolders& subfolders) {
  PlaylistStream playlist;
  PlaylistStart start = open_playlist(playlist, std::string(kPlaylistName));
  if (start != PlaylistStart::started) return start == PlaylistStart::kept;
  TopLevelPass pass{&playlist, &subfolders};
  std::string reason;
  if (!file_system().enumerate_entries(&pass, ".\\", "*", EntryKind::directories, add_folder_entry,
                                       reason)) {
    warn("cannot list the music folder: %s; %s is left as it was", reason.c_str(),
         playlist.path.c_str());
    abandon_playlist(playlist);
    return false;
  }
  return close_playlist(playlist);
}

}  // namespace

void add_folder_entry(void* context, const char* /*folder*/, const char* name) {
  auto& pass = *static_cast<TopLevelPass*>(context);
  if (!takes_part(*pass.subfolders, name)) return;
  log_line("Adding directory %s\n", name);
  write_entry(*pass.playlist, name);
}

int write_playlists() {
  Subfolders subfolders;
  std::string reason;
  if (!plan_subfolders(subfolders, reason)) {
    warn("cannot list the music folder: %s; nothing was written", reason.c_str());
    return kExitFailure;
  }
  bool all_written = subfolders.all_examined && write_top_level_playlist(subfolders);
  // The folder pass runs even when the playlist of folders could not be written.
  if (!run_folder_pass(subfolders)) all_written = false;
  if (!put_playlists_in_place()) all_written = false;
  return all_written ? kExitSuccess : kExitFailure;
}

int real_main(int argc, char** argv) {
  std::string reason;
  if (!prepare_process(reason)) {
    warn("%s", reason.c_str());
    return finish_output(kExitFailure);
  }
  std::optional<int> status = follow_command_line(argc, argv);
  return finish_output(status ? *status : write_playlists());
}
