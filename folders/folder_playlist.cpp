#include "folders/folder_playlist.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folders/m3u_import.h"
#include "folders/subfolders.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "playlist/path_text.h"
#include "playlist/playlist_writer.h"

namespace {

void warn_too_long(const char* what, const char* folder, const char* name) {
  warn("skipping %s %s: path longer than %u characters", what,
       quoted_text(std::string(folder) + "\\" + name).c_str(), static_cast<unsigned>(kMaxPathText));
}

std::string_view track_at(const TrackList& tracks,
                          const std::pair<std::uint32_t, std::uint32_t>& place) {
  return std::string_view(tracks.paths).substr(place.first, place.second);
}

// macOS leaves a "._name" companion beside every file it copies to a FAT player: it matches
// "*.mp3" or "*.m3u" but holds no audio and no playlist.
bool is_apple_double(std::string_view name) { return name.starts_with("._"); }

std::string cannot_list(const char* folder, const std::string& reason) {
  return "cannot list " + quoted_text(folder) + ": " + reason;
}

bool add_tracks_of(PlaylistStream& playlist, const char* folder, std::string& problem) {
  log_line("\tM3U file not found, adding individual files\n");
  TrackList tracks;
  std::string reason;
  if (!file_system().enumerate_entries(&tracks, folder, "*.mp3", EntryKind::files, collect_track,
                                       reason)) {
    problem = cannot_list(folder, reason);
    return false;
  }
  // Byte order: string views compare their characters as unsigned bytes, with no case folding
  // and no locale, so "B.mp3" comes before "a.mp3" and "Track 10" before "Track 9".
  std::sort(tracks.places.begin(), tracks.places.end(),
            [&tracks](const auto& left, const auto& right) {
              return track_at(tracks, left) < track_at(tracks, right);
            });
  for (const auto& place : tracks.places) {
    log_line("\tAdding MP3 file %s\n", tracks.paths.c_str() + place.first);
    write_entry(playlist, track_at(tracks, place));
  }
  return true;
}

// Fills the folder's playlist from its M3U or its MP3 files; false, with the problem, when
// either cannot be read whole. A ".m3u" wins over a ".m3u8", the form most players and
// library tools export today.
bool add_folder_tracks(FolderPass& pass, PlaylistStream& playlist, const char* folder,
                       std::string& problem) {
  std::string m3u_path;
  std::string reason;
  for (const char* pattern : {"*.m3u", "*.m3u8"}) {
    if (!m3u_path.empty()) break;
    if (!file_system().enumerate_entries(&m3u_path, folder, pattern, EntryKind::files, remember_m3u,
                                         reason)) {
      problem = cannot_list(folder, reason);
      return false;
    }
  }
  if (m3u_path.empty()) return add_tracks_of(playlist, folder, problem);
  M3uImport import = import_m3u(playlist, m3u_path.c_str());
  pass.lines_skipped += import.lines_skipped;
  problem = import.problem;
  return import.read_whole;
}

// Other kinds of audio a player may hold, which are never listed.
bool is_other_audio(std::string_view name) {
  std::size_t dot = name.rfind('.');
  std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot);
  for (std::string_view kind : {".wma", ".flac", ".m4a", ".aac", ".ogg", ".opus", ".wav"})
    if (equal_ignoring_ascii_case(extension, kind)) return true;
  return false;
}

// What a folder holds beside what its playlist can list.
struct Unlisted {
  bool subfolders = false;
  bool other_audio = false;
};

void note_unlisted(void* context, const char* /*folder*/, const char* name) {
  auto& unlisted = *static_cast<Unlisted*>(context);
  unlisted.other_audio |= is_other_audio(name);
}

void note_subfolder(void* context, const char* /*folder*/, const char* /*name*/) {
  static_cast<Unlisted*>(context)->subfolders = true;
}

// A playlist that comes out empty while its folder holds tracks in subfolders or in other
// formats: the user would never know why.
void explain_empty_playlist(const char* folder, const std::string& playlist_path) {
  Unlisted unlisted;
  // Only an explanation: a listing that fails here explains nothing, and the playlist stands.
  std::string ignored;
  file_system().enumerate_entries(&unlisted, folder, "*", EntryKind::directories, note_subfolder,
                                  ignored);
  file_system().enumerate_entries(&unlisted, folder, "*", EntryKind::files, note_unlisted, ignored);
  if (!unlisted.subfolders && !unlisted.other_audio) return;
  warn(
      "%s is empty, though %s holds %s%s%s: only its own MP3 files, or the files its M3U names, "
      "are tracks",
      quoted_text(playlist_path).c_str(), quoted_text(folder).c_str(),
      unlisted.subfolders ? "subfolders" : "",
      unlisted.subfolders && unlisted.other_audio ? " and " : "",
      unlisted.other_audio ? "audio files of other kinds" : "");
}

}  // namespace

FolderPass run_folder_pass(const Subfolders& subfolders) {
  FolderPass pass{&subfolders};
  std::string reason;
  if (!file_system().enumerate_entries(&pass, ".\\", "*", EntryKind::directories,
                                       build_folder_playlist, reason)) {
    warn("cannot list the music folder: %s", reason.c_str());
    pass.all_written = false;
  }
  return pass;
}

void build_folder_playlist(void* context, const char* /*folder*/, const char* name) {
  auto& pass = *static_cast<FolderPass*>(context);
  if (!takes_part(*pass.subfolders, name)) return;
  log_line("Browsing directory %s\n", name);
  std::string playlist_path;
  if (!join_path(playlist_path, name, kPlaylistName)) {
    warn("cannot create the playlist of %s: path longer than %u characters",
         quoted_text(name).c_str(), static_cast<unsigned>(kMaxPathText));
    pass.all_written = false;
    return;
  }
  PlaylistStream playlist;
  PlaylistStart start = open_playlist(playlist, playlist_path);
  if (start != PlaylistStart::started) {
    if (start == PlaylistStart::failed) pass.all_written = false;
    return;
  }
  std::string problem;
  if (!add_folder_tracks(pass, playlist, name, problem)) {
    warn("%s; %s is left as it was", problem.c_str(), quoted_text(playlist_path).c_str());
    abandon_playlist(playlist);
    pass.all_written = false;
    return;
  }
  if (playlist.size == 0) explain_empty_playlist(name, playlist_path);
  if (!close_playlist(playlist)) pass.all_written = false;
}

void remember_m3u(void* context, const char* folder, const char* name) {
  if (is_apple_double(name)) return;
  if (!join_path(*static_cast<std::string*>(context), folder, name))
    warn_too_long("M3U file", folder, name);
}

void collect_track(void* context, const char* folder, const char* name) {
  if (is_apple_double(name)) return;
  std::string track;
  if (!join_path(track, folder, name)) {
    warn_too_long("track", folder, name);
    return;
  }
  auto& tracks = *static_cast<TrackList*>(context);
  tracks.places.emplace_back(static_cast<std::uint32_t>(tracks.paths.size()),
                             static_cast<std::uint32_t>(track.size()));
  tracks.paths.append(track).push_back('\0');
}
