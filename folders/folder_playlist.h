// The folder pass: every subfolder of the working folder gets a playlist of its own, from its
// M3U playlist when it has one, otherwise from its MP3 files in byte order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Subfolders;

struct FolderPass {
  const Subfolders* subfolders;
  bool all_written = true;     // cleared when a playlist cannot be written
  unsigned lines_skipped = 0;  // M3U lines that give no entry
};

// Visits every subfolder of the working folder that takes part with build_folder_playlist.
// all_written is true when every folder's playlist was written (or kept, being read-only).
FolderPass run_folder_pass(const Subfolders& subfolders);

// Visitor of the folder pass: writes the playlist of the subfolder name. context is the
// FolderPass. A folder that cannot be listed whole, or whose M3U cannot be read whole, keeps
// its previous playlist.
void build_folder_playlist(void* context, const char* folder, const char* name);

// Visitor of the M3U search: context is a std::string set to "folder\name" of the last M3U.
void remember_m3u(void* context, const char* folder, const char* name);

// The relative paths ("folder\name") of a folder's MP3 files, back to back in one buffer, each
// ended by a zero byte: a folder of 100,000 tracks costs one buffer, not 100,000 strings.
struct TrackList {
  std::string paths;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> places;  // where each starts, its length
};

// Visitor of the MP3 listing: context is a TrackList receiving "folder\name".
void collect_track(void* context, const char* folder, const char* name);
