#include "library/folder_tracks.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/path_text.h"
#include "library/listings.h"
#include "library/m3u_import.h"
#include "platform/console.h"

namespace {

// "*.mp3" as the Windows file search matches it on a long name: anything, then the extension in
// any case.
bool matches(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() &&
         equal_ignoring_ascii_case(name.substr(name.size() - extension.size()), extension);
}

// macOS leaves a "._name" companion beside every file it copies to a FAT player: it matches
// "*.mp3" or "*.m3u" but holds no audio and no playlist.
bool is_apple_double(std::string_view name) { return name.starts_with("._"); }

// Other kinds of audio a player may hold, which are never listed.
bool is_other_audio(std::string_view name) {
  for (std::string_view kind : {".wma", ".flac", ".m4a", ".aac", ".ogg", ".opus", ".wav"})
    if (matches(name, kind)) return true;
  return false;
}

// A playlist that comes out empty while its folder holds tracks in subfolders or in other
// formats: the user would never know why.
void explain_empty_playlist(Library& library, const std::string& folder,
                            const FolderListing& listing) {
  bool subfolders = false;
  bool other_audio = false;
  for (std::size_t entry = 0; entry < listing.size(); ++entry) {
    subfolders |= listing.type(entry) == EntryType::folder;
    other_audio |=
        listing.type(entry) == EntryType::file && is_other_audio(listing.system_name(entry));
  }
  if (!subfolders && !other_audio) return;
  std::string playlist;
  join_path(playlist, folder, kPlaylistName);
  library.console.warn(library.console.quoted_text(playlist) + " is empty, though " +
                       library.console.quoted_text(folder) + " holds " +
                       (subfolders ? "subfolders" : "") +
                       (subfolders && other_audio ? " and " : "") +
                       (other_audio ? "audio files of other kinds" : "") +
                       ": only its own MP3 files, or the files its M3U names, are tracks");
}

}  // namespace

FolderTracks tracks_of(Library& library, const std::string& folder,
                       const std::string& device_path) {
  FolderTracks result;
  Console& console = library.console;
  bool missing = false;
  // Held while the folder is worked on: its M3U's lines look into it.
  std::shared_ptr<const FolderListing> listing =
      library.listings.read(device_path, missing, result.problem);
  if (listing == nullptr) {
    result.read_whole = false;
    result.problem = "cannot list " + console.quoted_text(folder) + ": " + result.problem;
    return result;
  }
  // A ".m3u" wins over a ".m3u8", the form most players and library tools export today; of
  // several, the last listed is used.
  std::optional<std::size_t> m3u;
  std::optional<std::size_t> m3u8;
  auto is_candidate = [&listing](std::size_t entry) {
    return listing->type(entry) == EntryType::file && !is_apple_double(listing->system_name(entry));
  };
  for (std::size_t entry = 0; entry < listing->size(); ++entry) {
    std::string_view name = listing->system_name(entry);
    bool is_m3u = matches(name, ".m3u");
    if (!is_candidate(entry) || (!is_m3u && !matches(name, ".m3u8"))) continue;
    if (!listing->usable(entry))
      warn_unusable(library, folder, *listing, entry);
    else
      (is_m3u ? m3u : m3u8) = entry;
  }
  if (!m3u) m3u = m3u8;
  std::string path;
  if (m3u && !join_path(path, folder, listing->text(*m3u))) {
    console.warn("skipping M3U file " +
                 console.quoted_text(folder + "\\" + std::string(listing->text(*m3u))) +
                 ": path longer than " + std::to_string(kMaxPathText) + " characters");
    m3u.reset();
  }
  if (m3u) {
    M3uImport import = import_m3u(
        library, path, device_path_of(device_path, listing->system_name(*m3u)), result.tracks);
    result.read_whole = import.read_whole;
    result.problem = import.problem;
    result.lines_skipped = import.lines_skipped;
  } else {
    console.log("\tM3U file not found, adding individual files\n");
    for (std::size_t entry = 0; entry < listing->size(); ++entry) {
      if (!is_candidate(entry) || !matches(listing->system_name(entry), ".mp3")) continue;
      if (!listing->usable(entry)) {
        warn_unusable(library, folder, *listing, entry);
        continue;
      }
      if (join_path(path, folder, listing->text(entry))) {
        result.tracks.add(path);
        continue;
      }
      console.warn("skipping track " +
                   console.quoted_text(folder + "\\" + std::string(listing->text(entry))) +
                   ": path longer than " + std::to_string(kMaxPathText) + " characters");
    }
    result.tracks.sort();
    for (std::size_t track = 0; track < result.tracks.size(); ++track)
      console.log("\tAdding MP3 file %s\n", result.tracks[track]);
  }
  if (result.read_whole && result.tracks.empty()) explain_empty_playlist(library, folder, *listing);
  return result;
}
