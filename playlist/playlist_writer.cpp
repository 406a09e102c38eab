#include "playlist/playlist_writer.h"

#include <algorithm>
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
};

struct Writer {
  Batch batch;
  PlaylistCounts counts;
  bool dry_run = false;
  std::vector<std::pair<std::string, bool>> dry_run_report;  // each playlist, and if it changes
  std::string previous_bytes;  // of the playlist there now, to compare with
};

Writer writer;

void remove_temporary_file(const std::string& temporary_path) {
  std::string reason;
  if (file_system().remove_file(temporary_path.c_str(), reason)) return;
  warn("cannot remove %s: %s", quoted_text(temporary_path).c_str(), reason.c_str());
  writer.batch.all_in_place = false;
}

void put_batch_in_place() {
  Batch& batch = writer.batch;
  std::string reason;
  bool synced = file_system().sync(reason);
  for (const FinishedPlaylist& playlist : batch.playlists) {
    std::string why = reason;
    if (synced &&
        file_system().replace_file(playlist.temporary_path.c_str(), playlist.path.c_str(), why)) {
      ++writer.counts.written;
      continue;
    }
    warn("cannot %s %s: %s", synced ? "replace" : "write", quoted_text(playlist.path).c_str(),
         why.c_str());
    remove_temporary_file(playlist.temporary_path);
    batch.all_in_place = false;
    ++writer.counts.not_written;
  }
  batch.playlists.clear();
  batch.bytes = 0;
}

// The new playlist differs from the one there now (or there is none): it is written from here
// on, beginning with the bytes of the old one it repeats so far.
void begin_writing(PlaylistStream& playlist) {
  playlist.differs = true;
  playlist.previous.reset();
  if (writer.dry_run) return;
  // The same playlist twice in one batch: the first must take its place before the second
  // takes its temporary file's name.
  for (const FinishedPlaylist& finished : writer.batch.playlists)
    if (equal_ignoring_ascii_case(finished.temporary_path, playlist.temporary_path)) {
      put_batch_in_place();
      break;
    }
  std::string reason;
  playlist.file = file_system().create_file(playlist.temporary_path.c_str(), reason);
  if (playlist.file == nullptr) {
    playlist.failure = "cannot create " + quoted_text(playlist.temporary_path) + ": " + reason;
    return;
  }
  if (playlist.repeated == 0) return;
  std::unique_ptr<ReadableFile> previous = file_system().open_file(playlist.path.c_str(), reason);
  std::string bytes(std::min(playlist.repeated, kWriteSize), '\0');
  for (std::size_t left = playlist.repeated; left > 0 && previous != nullptr;) {
    std::size_t count = 0;
    if (!previous->read(bytes.data(), std::min(left, bytes.size()), count, reason) || count == 0 ||
        !playlist.file->append(std::string_view(bytes).substr(0, count), reason))
      break;
    left -= count;
    if (left == 0) return;
  }
  playlist.failure = "cannot write " + quoted_text(playlist.path) + ": " +
                     (reason.empty() ? "the previous playlist changed meanwhile" : reason);
}

// Compares the entries made with the playlist there now, or writes them once they differ.
void hand_over(PlaylistStream& playlist) {
  if (playlist.pending.empty() || !playlist.failure.empty()) return;
  if (!playlist.differs) {
    std::string& previous = writer.previous_bytes;
    previous.resize(playlist.pending.size());
    std::size_t count = 0;
    std::string ignored;
    if (playlist.previous->read(previous.data(), previous.size(), count, ignored) &&
        count == previous.size() && previous == playlist.pending) {
      playlist.repeated += count;
      playlist.pending.clear();
      return;
    }
    begin_writing(playlist);
  }
  std::string reason;
  if (playlist.file != nullptr && playlist.failure.empty() &&
      !playlist.file->append(playlist.pending, reason))
    playlist.failure = "cannot write " + quoted_text(playlist.path) + ": " + reason;
  playlist.pending.clear();
}

bool fail(PlaylistStream& playlist) {
  warn("%s", playlist.failure.c_str());
  if (playlist.file != nullptr) {
    std::string ignored;
    playlist.file->close(ignored);
    playlist.file.reset();
    remove_temporary_file(playlist.temporary_path);
  }
  ++writer.counts.not_written;
  return false;
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
  playlist = {};
  playlist.path = std::move(path);
  // Neither "*.mp3" nor "*.m3u": a half-written playlist is never taken for a track or an M3U.
  playlist.temporary_path = playlist.path + std::string(kTemporarySuffix);
  std::string shown = quoted_text(playlist.path);
  FileStatus status;
  std::string reason;
  if (!file_system().status_of(playlist.path.c_str(), status, reason)) {
    warn("cannot examine %s: %s", shown.c_str(), reason.c_str());
    ++writer.counts.not_written;
    return PlaylistStart::failed;
  }
  if (status.read_only) {
    warn("leaving %s as it is: it is read-only", shown.c_str());
    ++writer.counts.not_written;
    return PlaylistStart::kept;
  }
  // A playlist there now that cannot be read is simply replaced.
  if (status.kind == FileStatus::Kind::regular_file)
    playlist.previous = file_system().open_file(playlist.path.c_str(), reason);
  if (playlist.previous == nullptr) begin_writing(playlist);
  if (!playlist.failure.empty()) {
    warn("%s", playlist.failure.c_str());
    ++writer.counts.not_written;
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
  if (!playlist.differs && playlist.failure.empty()) {
    // Repeated so far: the same playlist only if the old one ends here too.
    char more = 0;
    std::size_t count = 0;
    std::string ignored;
    if (playlist.previous->read(&more, 1, count, ignored) && count == 0) {
      ++writer.counts.unchanged;
      if (writer.dry_run)
        writer.dry_run_report.emplace_back(playlist.path, false);
      else
        remove_temporary_file(playlist.temporary_path);  // one an interrupted run left
      return true;
    }
    begin_writing(playlist);
  }
  if (!playlist.failure.empty()) return fail(playlist);
  if (writer.dry_run) {
    ++writer.counts.written;
    writer.dry_run_report.emplace_back(playlist.path, true);
    return true;
  }
  std::string reason;
  if (!playlist.file->close(reason))
    playlist.failure = "cannot write " + quoted_text(playlist.path) + ": " + reason;
  if (!playlist.failure.empty()) return fail(playlist);
  playlist.file.reset();
  Batch& batch = writer.batch;
  batch.playlists.push_back({playlist.path, playlist.temporary_path});
  batch.bytes += playlist.size;
  if (batch.playlists.size() >= kBatchPlaylists || batch.bytes >= kBatchBytes) put_batch_in_place();
  return true;
}

void abandon_playlist(PlaylistStream& playlist) {
  ++writer.counts.not_written;
  if (playlist.file == nullptr) return;
  std::string ignored;
  playlist.file->close(ignored);
  playlist.file.reset();
  remove_temporary_file(playlist.temporary_path);
}

bool put_playlists_in_place() {
  if (writer.dry_run) {
    for (const auto& [path, changes] : writer.dry_run_report)
      print_text(changes ? "Would write %s\n" : "Unchanged %s\n", path.c_str());
    writer.dry_run_report.clear();
    return true;
  }
  put_batch_in_place();
  // The renames of the last batch are on the device only after one more sync.
  std::string reason;
  if (!file_system().sync(reason)) {
    warn("cannot make sure the playlists are on the device: %s", reason.c_str());
    writer.batch.all_in_place = false;
  }
  return std::exchange(writer.batch.all_in_place, true);
}

void set_dry_run(bool dry_run) {
  writer.dry_run = dry_run;
  writer.counts.dry_run = dry_run;
}

PlaylistCounts playlist_counts() { return writer.counts; }
