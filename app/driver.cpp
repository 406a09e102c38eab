#include "app/driver.h"

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/eplgen_command_line.h"
#include "folders/folder_playlist.h"
#include "folders/subfolders.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/process.h"
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
         quoted_text(playlist.path).c_str());
    abandon_playlist(playlist);
    return false;
  }
  return close_playlist(playlist);
}

// "1 playlist", "2 playlists".
std::string count_of(std::size_t count, const char* thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

}  // namespace

void add_folder_entry(void* context, const char* /*folder*/, const char* name) {
  auto& pass = *static_cast<TopLevelPass*>(context);
  if (!takes_part(*pass.subfolders, name)) return;
  log_line("Adding directory %s\n", name);
  write_entry(*pass.playlist, name);
}

// One line: what the run did, in numbers.
std::string summary(const FolderPass& pass) {
  PlaylistCounts counts = playlist_counts();
  return count_of(counts.written, "playlist") + (counts.dry_run ? " to write, " : " written, ") +
         std::to_string(counts.unchanged) + " unchanged, " + std::to_string(counts.not_written) +
         " not written; " + count_of(pass.lines_skipped, "M3U line") + " skipped";
}

int write_playlists(std::string* summary_line) {
  Subfolders subfolders;
  std::string reason;
  if (!plan_subfolders(subfolders, reason)) {
    warn("cannot list the music folder: %s; nothing was written", reason.c_str());
    return kExitFailure;
  }
  bool all_written = subfolders.all_examined && write_top_level_playlist(subfolders);
  // The folder pass runs even when the playlist of folders could not be written.
  FolderPass pass = run_folder_pass(subfolders);
  if (!pass.all_written) all_written = false;
  if (!put_playlists_in_place()) all_written = false;
  // After problems, one line that puts them in proportion.
  if (!all_written || warnings_given() > 0)
    warn("%s", summary(pass).c_str());
  else if (summary_line != nullptr)
    *summary_line = "eplgen: " + summary(pass) + ".";
  return all_written ? kExitSuccess : kExitFailure;
}

OwnWindow own_window_behaviour(bool has_own_window, bool folder_given) {
  return {has_own_window && !folder_given, has_own_window};
}

int real_main(int argc, char** argv) {
  std::string reason;
  if (!prepare_process(reason)) {
    warn("%s", reason.c_str());
    return finish_output(kExitFailure);
  }
  bool folder_given = false;
  if (std::optional<int> status = follow_command_line(argc, argv, folder_given))
    return finish_output(*status);
  OwnWindow window = own_window_behaviour(has_own_console_window(), folder_given);
  if (window.ask_first) {
    // Double-clicked where it happens to be, such as Downloads: nothing is written unasked.
    std::string question = "eplgen will write playlists in " +
                           file_system().working_folder_shown() + " and in every folder in it.";
    print_hint(question.c_str());
    print_hint("Press Enter to go on, or close this window to write nothing.");
    if (!wait_for_enter()) return finish_output(kExitFailure);
  }
  std::string summary_line;
  int status = finish_output(write_playlists(&summary_line));
  if (window.wait_at_end) {
    if (!summary_line.empty()) print_hint(summary_line.c_str());
    print_hint("Press any key to close this window.");
    wait_for_key();
  }
  return status;
}
