#include "app/driver.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/eplgen_command_line.h"
#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/path_text.h"
#include "core/quoting.h"
#include "core/report.h"
#include "library/folder_tracks.h"
#include "library/listings.h"
#include "library/plan.h"
#include "output/playlist_writer.h"
#include "output/temporary_files.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"
#include "platform/device.h"
#include "platform/listings_ahead.h"
#include "platform/process.h"

namespace {

constexpr const char* kOutOfMemory =
    "eplgen: out of memory; the playlists not yet in their places are left as they were\n";

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
  std::size_t tracks_skipped = 0;   // MP3 files left out
};

// A folder that cannot be listed whole, or whose M3U cannot be read whole, keeps its previous
// playlist.
void write_folder_playlist(Library& library, const PlannedFolder& folder, PlaylistWriter& writer,
                           FolderPass& pass) {
  Report& report = library.report;
  report.log("Browsing directory %s\n", folder.text);
  std::string playlist_text;
  if (!join_path(playlist_text, folder.text, kPlaylistName)) {
    report.warn("cannot create the playlist of " + quoted_text(library.run.code_page, folder.text) +
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
    report.warn("cannot list " + quoted_text(library.run.code_page, folder.text) + ": " + reason +
                "; " + quoted_text(library.run.code_page, playlist_text) + " is left as it was");
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
  pass.tracks_skipped += tracks.tracks_skipped;
  if (!tracks.read_whole) {
    // A folder below that could not be examined said so already.
    if (!tracks.problem.empty())
      report.warn(tracks.problem + "; " + quoted_text(library.run.code_page, playlist_text) +
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
         count_of(pass.folders_skipped, "folder") + " skipped, " +
         count_of(pass.tracks_skipped, "MP3 file") + " skipped";
}

// The warnings of the plan, said once the run knows it goes on: a refusal is the only line.
class HeldWarnings : public SilentReport {
 public:
  void warn(const std::string& message) override { warnings_.push_back(message); }
  void say(Report& report) const {
    for (const std::string& message : warnings_) report.warn(message);
  }

 private:
  std::vector<std::string> warnings_;
};

// Says why, in one line, when the working folder is plainly not the player's music folder:
// the user's home folder, the root of a drive or file system, or a folder whose subfolders hold
// no track at any depth (writing nothing there loses nothing).
bool refused(Run& run, Library& library, const Plan& plan,
             std::shared_ptr<const FolderListing>& first_listing) {
  Console& console = run.console;
  FolderIdentity here;
  FolderIdentity other;
  DeviceError ignored;
  bool known = run.context.device.identify(".", here, ignored);
  std::string shown = run.context.device.working_folder();
  if (known && !run.home_folder.empty() &&
      run.context.device.identify(run.home_folder, other, ignored) && here == other) {
    console.warn(quoted(shown) +
                 " is your home folder, not a player's music folder; nothing was written");
    return true;
  }
  // The root of a file system, or of a drive: its own parent, or on another volume than it.
  if (known && run.context.device.identify("..", other, ignored) &&
      (other == here || other.volume != here.volume)) {
    const FolderListing& music = *plan.music;
    std::optional<std::size_t> meant = music.find(kMusicFolderName);
    if (meant && music.type(*meant) == EntryType::folder) {
      char separator = shown.find('\\') != std::string::npos ? '\\' : '/';
      std::string folder = shown + (shown.ends_with(separator) ? "" : std::string(1, separator)) +
                           std::string(music.system_name(*meant));
      console.warn(quoted(shown) + " is the root of a drive, whose music folder is " +
                   quoted(folder) + ": run eplgen there; nothing was written");
    } else {
      console.warn(quoted(shown) +
                   " is the root of a drive or file system, not a player's music folder: run "
                   "eplgen in the player's music folder; nothing was written");
    }
    return true;
  }
  if (!plan.folders.taken.empty() && !may_hold_tracks(library, plan.folders.taken, first_listing)) {
    console.warn(quoted(shown) +
                 " is no player's music folder: none of its folders holds a track (an MP3 file, "
                 "or an M3U naming one); nothing was written");
    return true;
  }
  return false;
}

// Notes what may make the playlists name nothing on the player: a working folder that is not
// named Music, whose entries the player still looks for under a:\Music, and one without folders,
// which may be an album rather than the music folder.
void note_doubts(Run& run, const Plan& plan) {
  Console& console = run.console;
  std::string shown = run.context.device.working_folder();
  std::string_view name = shown;
  while (name.size() > 1 && (name.ends_with('/') || name.ends_with('\\'))) name.remove_suffix(1);
  name.remove_prefix(std::min(name.size(), name.find_last_of("/\\") + 1));
  if (!equal_ignoring_ascii_case(name, kMusicFolderName))
    console.warn(quoted(shown) +
                 " is not named Music: the player looks for these tracks under a:\\Music, so the "
                 "playlists name them only once this folder is its Music folder");
  const FolderListing& music = *plan.music;
  bool any_folder = false;
  for (std::size_t entry = 0; entry < music.size(); ++entry)
    any_folder |= music.type(entry) == EntryType::folder && !music.is_system_folder(entry);
  if (!any_folder)
    console.warn(quoted(shown) +
                 " holds no folders: is it an album rather than the player's music folder? Its "
                 "playlist lists no folder");
}

int write_all_playlists(Run& run) {
  Console& console = run.console;
  Listings listings(run.context.device, run.context.code_page);
  // The plan is made before anything is said: a refusal is the only line.
  HeldWarnings held;
  Library planning{run.context, held, listings};
  Plan plan;
  std::string reason;
  if (!make_plan(planning, plan, reason)) {
    console.warn("cannot list the music folder: " + reason + "; nothing was written");
    return kExitFailure;
  }
  // The listing of the first folder, read to tell whether the folders hold a track, is the
  // run's too.
  std::shared_ptr<const FolderListing> first_listing;
  if (refused(run, planning, plan, first_listing)) return kExitUsage;
  // Held to the end of the run. A file system that cannot lock is worked on unlocked; a dry run,
  // which writes nothing, takes no lock.
  DeviceError error;
  std::unique_ptr<FolderLock> lock =
      run.context.options.dry_run ? nullptr : run.context.device.lock(error);
  if (lock == nullptr && error.kind == DeviceError::Kind::busy) {
    console.warn("another eplgen is writing playlists in this music folder; nothing was written");
    return kExitFailure;
  }
  note_doubts(run, plan);
  held.say(console);
  Library library{run.context, console, listings};
  PlaylistWriter writer(run.context.device, console, run.context.code_page, run.temporary_files,
                        run.context.options.dry_run);
  std::vector<std::string> folders;
  for (const PlannedFolder& folder : plan.folders.taken)
    if (first_listing == nullptr || &folder != &plan.folders.taken.front())
      folders.push_back(folder.device_path);
  run.context.device.will_list(folders);
  bool all_written = plan.folders.all_examined && write_top_level_playlist(run, plan, writer);
  if (!plan.folders.all_examined) writer.count_not_begun();
  // The folder pass runs even when the playlist of folders could not be written.
  FolderPass pass{true, 0, plan.folders.skipped, 0};
  std::size_t done = 0;
  for (const PlannedFolder& folder : plan.folders.taken) {
    write_folder_playlist(library, folder, writer, pass);
    first_listing.reset();
    console.progress(++done, plan.folders.taken.size());
  }
  // The last count stays while the playlists go to the device, which on a card takes its time.
  if (!writer.put_in_place() || !pass.all_written) all_written = false;
  console.end_progress();
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
    // What the run left half done goes: through the device, with the memory the run held given
    // back; and where not even that is left, as an interruption removes it.
    try {
      run.temporary_files.remove_each([&run](std::string_view path) {
        DeviceError ignored;
        // What cannot be removed cannot be helped now.
        static_cast<void>(run.context.device.remove(std::string(path), ignored));
      });
    } catch (const std::bad_alloc&) {
      remove_files_in_flight(run.temporary_files);
    }
    say_out_of_memory(kOutOfMemory);
    return kExitFailure;
  }
}

OwnWindow own_window_behaviour(bool has_own_window, bool input_is_console, bool folder_given) {
  bool answered = has_own_window && input_is_console;
  return {answered && !folder_given, answered};
}

namespace {

// The program, from its arguments to its exit status.
int run_eplgen(int argc, char** argv) {
  CodePages code_pages;
  CodePage code_page = ascii_code_page();
  Console console("eplgen", code_page);
  std::string reason;
  if (!prepare_process(reason)) {
    console.warn(reason);
    return console.finish(kExitFailure);
  }
  std::unique_ptr<Device> native = make_native_device();
  // The folders the run works through are listed ahead of it.
  ListingsAhead device(*native);
  EplgenOptions options;
  Terminal& terminal = console.terminal();
  if (std::optional<int> status =
          follow_command_line(argc, argv, console, code_pages, code_page, device, options)) {
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
    console.hint("eplgen will write playlists in " + device.working_folder() +
                 " and in every folder in it.");
    console.hint("Press Enter to go on, or close this window to write nothing.");
    if (!terminal.wait_for_enter()) return console.finish(kExitFailure);
  }
  TemporaryFiles temporary_files(PlaylistWriter::kBatchPlaylists + 1);
  if (!remove_on_interruption(temporary_files, reason)) {
    console.warn(reason);
    return console.finish(kExitFailure);
  }
  Run run{{device, code_page, &code_pages, options.run}, console, temporary_files, home_folder()};
  int status = console.finish(write_playlists(run));
  if (window.wait_at_end) {
    console.hint("Press any key to close this window.");
    terminal.wait_for_key();
  }
  return status;
}

}  // namespace

int real_main(int argc, char** argv) {
  try {
    return run_eplgen(argc, argv);
  } catch (const std::bad_alloc&) {
    // Before the run or after it: no playlist is half done.
    say_out_of_memory(kOutOfMemory);
    return kExitFailure;
  }
}
