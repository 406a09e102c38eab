// Feeds arbitrary bytes to the M3U import as a folder's M3U file, in a folder holding a few
// tracks, and checks that the playlist it writes is whole: a sequence of complete entries.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "folders/m3u_import.h"
#include "playlist/playlist_entry.h"
#include "playlist/playlist_writer.h"

namespace fs = std::filesystem;

namespace {

fs::path scratch_folder;

void remove_scratch_folder() {
  std::error_code ignored;
  fs::remove_all(scratch_folder, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  scratch_folder = fs::temp_directory_path() / ("eplgen-fuzz-" + std::to_string(getpid()));
  fs::create_directories(scratch_folder / "Rock/Live");
  for (const char* track : {"Rock/a.mp3", "Rock/Live/02 Song.mp3", "Rock/Bj\xC3\xB6rk.mp3"})
    std::ofstream(scratch_folder / track).put('x');
  fs::current_path(scratch_folder);
  std::atexit(remove_scratch_folder);
  // The progress log is not what is tested here.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream("Rock/list.m3u", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  PlaylistStream playlist;
  if (open_playlist(playlist, "Rock\\Default Playlist.epl") != PlaylistStart::started) std::abort();
  if (!import_m3u(playlist, "Rock\\list.m3u").read_whole) std::abort();
  if (!close_playlist(playlist) || !put_playlists_in_place()) std::abort();
  if (fs::file_size("Rock/Default Playlist.epl") % kEntrySize != 0) std::abort();
  return 0;
}
