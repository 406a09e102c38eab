#include "playlist/playlist_writer.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/playlist_entry.h"

namespace {

// Large enough that a playlist of a big folder costs few writes, small enough to stay cheap.
constexpr std::size_t kWriteBufferSize = 64 * 1024;

void remember_failure(PlaylistStream& playlist) {
  if (playlist.failure.empty()) playlist.failure = std::strerror(errno);
}

}  // namespace

bool open_playlist(PlaylistStream& playlist, std::string path) {
  playlist.path = std::move(path);
  // Neither "*.mp3" nor "*.m3u": a half-written playlist is never taken for a track or an M3U.
  playlist.temporary_path = playlist.path + ".tmp";
  playlist.failure.clear();
  std::string reason;
  playlist.file = create_file(playlist.temporary_path.c_str(), reason);
  if (playlist.file == nullptr) {
    warn("cannot create %s: %s", display_text(playlist.path).c_str(), reason.c_str());
    return false;
  }
  std::setvbuf(playlist.file, nullptr, _IOFBF, kWriteBufferSize);
  return true;
}

bool write_entry(PlaylistStream& playlist, std::string_view relative_path) {
  PlaylistEntry entry;
  if (!encode_entry(relative_path, entry)) return false;
  if (std::fwrite(entry.data(), 1, entry.size(), playlist.file) != entry.size())
    remember_failure(playlist);
  return true;
}

bool close_playlist(PlaylistStream& playlist) {
  if (std::fflush(playlist.file) != 0) remember_failure(playlist);
  if (std::fclose(playlist.file) != 0) remember_failure(playlist);
  playlist.file = nullptr;
  if (playlist.failure.empty()) {
    std::string reason;
    if (replace_file(playlist.temporary_path.c_str(), playlist.path.c_str(), reason)) return true;
    warn("cannot replace %s: %s", display_text(playlist.path).c_str(), reason.c_str());
  } else {
    warn("cannot write %s: %s", display_text(playlist.path).c_str(), playlist.failure.c_str());
  }
  remove_file(playlist.temporary_path.c_str());
  return false;
}
