#include "app/driver.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/eplgen_command_line.h"
#include "core/code_page.h"
#include "core/namespace.h"
#include "core/path_text.h"
#include "library/folder_tracks.h"
#include "library/listings.h"
#include "library/plan.h"
#include "output/playlist_writer.h"
#include "output/temporary_files.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"
#include "platform/device.h"
#include "platform/process.h"

namespace {

// Where the playlist of a folder goes, with what the folder's listing shows there.
PlaylistPlace place_in(const FolderListing& listing, std::string text,
                       const std::string& device_folder) {
  PlaylistPlace place{std::move(text), device_path_of(device_folder, kPlaylistName), {}, false};
  if (std::optional<std::size_t> entry = listing.find_system_name(kPlaylistName))
    place.there = listing.type(*entry);
  place.temporary_there =
      listing.find_system_name(std::string(kPlaylistName) + std::string(kTemporarySuffix))
          .has_value();
  return place;
}

// Written, or kept as the user protected it.
bool write_top_level_playlist(Run& run, const Plan& plan, PlaylistWriter& writer) {
  PlaylistWriter::Start start =
      writer.begin(place_in(*plan.music, std::string(kPlaylistName), "."));
  if (start != PlaylistWriter::Start::started) return start == PlaylistWriter::Start::kept;
  for (const PlannedFolder& folder : plan.folders.taken) {
    run.console.log("Adding directory %s\n", folder.text);
    writer.add(folder.text);
  }
  return writer.finish();
}

struct FolderPass {
  bool all_written = true;          // cleared when a playlist cannot be written
  unsigned lines_skipped = 0;       // M3U lines that give no entry
  std::size_t folders_skipped = 0;  // left out, in the music folder and below
};

// A folder that cannot be listed whole, or whose M3U cannot be read whole, keeps its previous
// playlist.
void write_folder_playlist(Library& library, const PlannedFolder& folder, PlaylistWriter& writer,
                           FolderPass& pass) {
  Console& console = library.console;
  console.log("Browsing directory %s\n", folder.text);
  std::string playlist_text;
  if (!join_path(playlist_text, folder.text, kPlaylistName)) {
    console.warn("cannot create the playlist of " + console.quoted_text(folder.text) +
                 ": path longer than " + std::to_string(kMaxPathText) + " characters");
    writer.count_not_begun();
    pass.all_written = false;
    return;
  }
  bool missing = false;
  std::string reason;
  // Held while the folder is worked on.
  std::shared_ptr<const FolderListing> listing =
      library.listings.read(folder.device_path, missing, reason);
  if (listing == nullptr) {
    console.warn("cannot list " + console.quoted_text(folder.text) + ": " + reason + "; " +
                 console.quoted_text(playlist_text) + " is left as it was");
    writer.count_not_begun();
    pass.all_written = false;
    return;
  }
  PlaylistWriter::Start start = writer.begin(place_in(*listing, playlist_text, folder.device_path));
  if (start != PlaylistWriter::Start::started) {
    if (start == PlaylistWriter::Start::failed) pass.all_written = false;
    return;
  }
  FolderTracks tracks = tracks_of(library, folder.text, folder.device_path);
  pass.lines_skipped += tracks.lines_skipped;
  pass.folders_skipped += tracks.folders_skipped;
  if (!tracks.read_whole) {
    // A folder below that could not be examined said so already.
    if (!tracks.problem.empty())
      console.warn(tracks.problem + "; " + console.quoted_text(playlist_text) +
                   " is left as it was");
    writer.abandon();
    pass.all_written = false;
    return;
  }
  for (std::size_t track = 0; track < tracks.tracks.size(); ++track)
    writer.add(tracks.tracks[track]);
  if (!writer.finish()) pass.all_written = false;
}

// "1 playlist", "2 playlists".
std::string count_of(std::size_t count, const char* thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// One line: what the run did, in numbers.
std::string summary(const PlaylistWriter::Counts& counts, const FolderPass& pass) {
  return count_of(counts.written, "playlist") + (counts.dry_run ? " to write, " : " written, ") +
         std::to_string(counts.unchanged) + " unchanged, " + std::to_string(counts.not_written) +
         " not written; " + count_of(pass.lines_skipped, "M3U line") + " skipped, " +
         count_of(pass.folders_skipped, "folder") + " skipped";
}

// Refuses a working folder that is plainly not the player's music folder, saying why; notes one
// that may be an album rather than the music folder.
bool is_music_folder(Run& run, const FolderListing& music) {
  Console& console = run.console;
  FolderIdentity here;
  FolderIdentity other;
  DeviceError ignored;
  bool known = run.device.identify(".", here, ignored);
  std::string shown = run.device.working_folder();
  if (known && !run.home_folder.empty() && run.device.identify(run.home_folder, other, ignored) &&
      here == other) {
    console.warn(Console::quoted(shown) +
                 " is your home folder, not a player's music folder; nothing was written");
    return false;
  }
  // The root of a file system, or of a drive: its own parent, or on another volume than it.
  bool root = known && run.device.identify("..", other, ignored) &&
              (other == here || other.volume != here.volume);
  std::optional<std::size_t> meant = music.find(kMusicFolderName);
  if (root && meant && music.type(*meant) == EntryType::folder) {
    char separator = shown.find('\\') != std::string::npos ? '\\' : '/';
    std::string folder = shown + (shown.ends_with(separator) ? "" : std::string(1, separator)) +
                         std::string(music.system_name(*meant));
    console.warn(Console::quoted(shown) + " is the root of a drive, whose music folder is " +
                 Console::quoted(folder) + ": run eplgen there; nothing was written");
    return false;
  }
  bool any_folder = false;
  for (std::size_t entry = 0; entry < music.size(); ++entry)
    any_folder |= music.type(entry) == EntryType::folder;
  if (!any_folder)
    console.warn(Console::quoted(shown) +
                 " holds no folders: is it an album rather than the player's music folder? Its "
                 "playlist lists no folder");
  return true;
}

int write_all_playlists(Run& run) {
  Console& console = run.console;
  DeviceError error;
  // Held to the end of the run. A file system that cannot lock is worked on unlocked.
  std::unique_ptr<FolderLock> lock = run.device.lock(error);
  if (lock == nullptr && error.kind == DeviceError::Kind::busy) {
    console.warn("another eplgen is writing playlists in this music folder; nothing was written");
    return kExitFailure;
  }
  Listings listings(run.device, run.code_page);
  Library library{run.device, console, run.code_page, listings, run.recursive, run.code_pages};
  PlaylistWriter writer(run.device, console, run.temporary_files, run.dry_run);
  Plan plan;
  std::string reason;
  if (!make_plan(library, plan, reason)) {
    console.warn("cannot list the music folder: " + reason + "; nothing was written");
    return kExitFailure;
  }
  if (!is_music_folder(run, *plan.music)) return kExitUsage;
  std::vector<std::string> folders;
  for (const PlannedFolder& folder : plan.folders.taken) folders.push_back(folder.device_path);
  run.device.will_list(folders);
  bool all_written = plan.folders.all_examined && write_top_level_playlist(run, plan, writer);
  if (!plan.folders.all_examined) writer.count_not_begun();
  // The folder pass runs even when the playlist of folders could not be written.
  FolderPass pass{true, 0, plan.folders.skipped};
  for (const PlannedFolder& folder : plan.folders.taken)
    write_folder_playlist(library, folder, writer, pass);
  if (!writer.put_in_place() || !pass.all_written) all_written = false;
  // One line that puts it all in proportion, so that a run that wrote nothing says so too.
  if (!console.quiet() || !all_written || console.warnings() > 0)
    console.warn(summary(writer.counts(), pass));
  return all_written ? kExitSuccess : kExitFailure;
}

}  // namespace

int write_playlists(Run& run) {
  try {
    return write_all_playlists(run);
  } catch (const std::bad_alloc&) {
    // Everything the run held is given back by now; what it left half done goes.
    for (const std::string& path : run.temporary_files.paths()) {
      DeviceError ignored;
      run.device.remove(path, ignored);
      run.temporary_files.forget(path);
    }
    run.console.warn("out of memory; the playlists not yet in their places are left as they were");
    return kExitFailure;
  }
}

OwnWindow own_window_behaviour(bool has_own_window, bool input_is_console, bool folder_given) {
  bool answered = has_own_window && input_is_console;
  return {answered && !folder_given, answered};
}

int real_main(int argc, char** argv) {
  CodePages code_pages;
  CodePage code_page = ascii_code_page();
  Console console("eplgen", code_page);
  std::string reason;
  if (!prepare_process(reason)) {
    console.warn(reason);
    return console.finish(kExitFailure);
  }
  std::unique_ptr<Device> device = make_native_device();
  EplgenOptions options;
  Terminal& terminal = console.terminal();
  if (std::optional<int> status =
          follow_command_line(argc, argv, console, code_pages, code_page, *device, options)) {
    // A usage error, or the help, in a window of its own waits to be read too.
    if (own_window_behaviour(terminal.has_own_window(), terminal.input_is_console(), true)
            .wait_at_end) {
      console.hint("Press any key to close this window.");
      terminal.wait_for_key();
    }
    return console.finish(*status);
  }
  OwnWindow window = own_window_behaviour(terminal.has_own_window(), terminal.input_is_console(),
                                          options.folder_given);
  if (window.ask_first) {
    // Double-clicked where it happens to be, such as Downloads: nothing is written unasked.
    console.hint("eplgen will write playlists in " + device->working_folder() +
                 " and in every folder in it.");
    console.hint("Press Enter to go on, or close this window to write nothing.");
    if (!terminal.wait_for_enter()) return console.finish(kExitFailure);
  }
  TemporaryFiles temporary_files(PlaylistWriter::kBatchPlaylists + 1);
  if (!remove_on_interruption(temporary_files, reason)) {
    console.warn(reason);
    return console.finish(kExitFailure);
  }
  Run run{*device,         console,           code_page,   temporary_files,
          options.dry_run, options.recursive, &code_pages, home_folder()};
  int status = console.finish(write_playlists(run));
  if (window.wait_at_end) {
    console.hint("Press any key to close this window.");
    terminal.wait_for_key();
  }
  return status;
}
