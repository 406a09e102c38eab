#include "playlist/playlist_writer.h"

#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/names.h"
#include "playlist/playlist_entry.h"

namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";

// Large enough that a playlist of a big folder costs few writes, small enough to stay cheap.
constexpr std::size_t kWriteSize = 64 * 1024;

// A batch is put in place once it holds this many playlists or bytes: few syncs on a slow
// device, and little room taken on a full one by files waiting for their turn.
constexpr std::size_t kBatchPlaylists = 256;
constexpr std::size_t kBatchBytes = 16 << 20;

struct FinishedPlaylist {
  std::string path;
  std::string temporary_path;
};

struct Batch {
  std::vector<FinishedPlaylist> playlists;
  std::size_t bytes = 0;
  bool all_in_place = true;  // since put_playlists_in_place last answered
  std::size_t put_in_place = 0;
};

Batch batch;

void remove_temporary_file(const std::string& temporary_path) {
  std::string reason;
  if (file_system().remove_file(temporary_path.c_str(), reason)) return;
  warn("cannot remove %s: %s", quoted_text(temporary_path).c_str(), reason.c_str());
  batch.all_in_place = false;
}

void put_batch_in_place() {
  std::string reason;
  bool synced = file_system().sync(reason);
  for (const FinishedPlaylist& playlist : batch.playlists) {
    std::string why = reason;
    if (synced &&
        file_system().replace_file(playlist.temporary_path.c_str(), playlist.path.c_str(), why)) {
      ++batch.put_in_place;
      continue;
    }
    warn("cannot %s %s: %s", synced ? "replace" : "write", quoted_text(playlist.path).c_str(),
         why.c_str());
    remove_temporary_file(playlist.temporary_path);
    batch.all_in_place = false;
  }
  batch.playlists.clear();
  batch.bytes = 0;
}

void hand_over(PlaylistStream& playlist) {
  if (playlist.pending.empty() || !playlist.failure.empty()) return;
  std::string reason;
  if (!playlist.file->append(playlist.pending, reason)) playlist.failure = reason;
  playlist.pending.clear();
}

}  // namespace

bool is_own_file_name(std::string_view name) {
  // As Windows finds a name: whatever its trailing dots and blanks.
  name = name.substr(0, name.find_last_not_of(" .") + 1);
  std::string temporary_name = std::string(kPlaylistName) + std::string(kTemporarySuffix);
  return compare_windows_names(name, kPlaylistName) == 0 ||
         compare_windows_names(name, temporary_name) == 0;
}

PlaylistStart open_playlist(PlaylistStream& playlist, std::string path) {
  playlist.path = std::move(path);
  // Neither "*.mp3" nor "*.m3u": a half-written playlist is never taken for a track or an M3U.
  playlist.temporary_path = playlist.path + std::string(kTemporarySuffix);
  playlist.pending.clear();
  playlist.size = 0;
  playlist.failure.clear();
  std::string shown = quoted_text(playlist.path);
  FileStatus status;
  std::string reason;
  if (!file_system().status_of(playlist.path.c_str(), status, reason)) {
    warn("cannot examine %s: %s", shown.c_str(), reason.c_str());
    return PlaylistStart::failed;
  }
  if (status.read_only) {
    warn("leaving %s as it is: it is read-only", shown.c_str());
    return PlaylistStart::kept;
  }
  // The same playlist twice in one batch: the first must take its place before the second
  // takes its temporary file's name.
  for (const FinishedPlaylist& finished : batch.playlists)
    if (equal_ignoring_ascii_case(finished.temporary_path, playlist.temporary_path)) {
      put_batch_in_place();
      break;
    }
  playlist.file = file_system().create_file(playlist.temporary_path.c_str(), reason);
  if (playlist.file == nullptr) {
    warn("cannot create %s: %s", quoted_text(playlist.temporary_path).c_str(), reason.c_str());
    return PlaylistStart::failed;
  }
  return PlaylistStart::started;
}

bool write_entry(PlaylistStream& playlist, std::string_view relative_path) {
  PlaylistEntry entry;
  if (!encode_entry(relative_path, entry)) return false;
  playlist.pending.append(reinterpret_cast<const char*>(entry.data()), entry.size());
  playlist.size += entry.size();
  if (playlist.pending.size() >= kWriteSize) hand_over(playlist);
  return true;
}

bool close_playlist(PlaylistStream& playlist) {
  hand_over(playlist);
  std::string reason;
  if (!playlist.file->close(reason) && playlist.failure.empty()) playlist.failure = reason;
  playlist.file.reset();
  if (!playlist.failure.empty()) {
    warn("cannot write %s: %s", quoted_text(playlist.path).c_str(), playlist.failure.c_str());
    remove_temporary_file(playlist.temporary_path);
    return false;
  }
  batch.playlists.push_back({playlist.path, playlist.temporary_path});
  batch.bytes += playlist.size;
  if (batch.playlists.size() >= kBatchPlaylists || batch.bytes >= kBatchBytes) put_batch_in_place();
  return true;
}

void abandon_playlist(PlaylistStream& playlist) {
  std::string ignored;
  playlist.file->close(ignored);
  playlist.file.reset();
  remove_temporary_file(playlist.temporary_path);
}

bool put_playlists_in_place() {
  put_batch_in_place();
  // The renames of the last batch are on the device only after one more sync.
  std::string reason;
  if (!file_system().sync(reason)) {
    warn("cannot make sure the playlists are on the device: %s", reason.c_str());
    batch.all_in_place = false;
  }
  return std::exchange(batch.all_in_place, true);
}

std::size_t playlists_put_in_place() { return batch.put_in_place; }
