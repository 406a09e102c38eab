#include "output/playlist_writer.h"

#include <algorithm>
#include <utility>

#include "core/playlist_entry.h"
#include "core/quoting.h"
#include "core/report.h"
#include "output/temporary_files.h"

namespace {

// Large enough that a playlist of a big folder costs few writes, small enough to stay cheap.
constexpr std::size_t kWriteSize = 64 * 1024;

}  // namespace

struct PlaylistWriter::Playlist {
  PlaylistPlace place;
  std::string temporary_path;
  std::string temporary_text;
  std::unique_ptr<ReadableFile> previous;  // the playlist there now, while the new one repeats it
  std::size_t repeated = 0;                // bytes of it the new one repeats so far
  bool differs = false;                    // from the playlist there now, if any
  std::unique_ptr<WritableFile> file;      // the new playlist, once it differs
  std::string pending;                     // entries not yet compared or written
  std::size_t size = 0;                    // of all entries made
  std::string failure;                     // the message for what failed; empty while all is well
};

PlaylistWriter::PlaylistWriter(Device& device, Report& report, const CodePage& code_page,
                               TemporaryFiles& files, bool dry_run)
    : device_(device), report_(report), code_page_(code_page), files_(files), dry_run_(dry_run) {
  counts_.dry_run = dry_run;
}

std::string PlaylistWriter::quoted(std::string_view text) const {
  return quoted_text(code_page_, text);
}

PlaylistWriter::~PlaylistWriter() = default;

void PlaylistWriter::remove_temporary_file(const std::string& device_path, std::string_view text) {
  DeviceError error;
  if (device_.remove(device_path, error)) {
    files_.forget(device_path);
    return;
  }
  report_.warn("cannot remove " + quoted(text) + ": " + error.reason);
  all_in_place_ = false;
}

void PlaylistWriter::put_batch_in_place() {
  if (batch_.empty()) return;
  std::vector<std::string> synced = renamed_;
  for (const Finished& finished : batch_) synced.push_back(finished.temporary_path);
  DeviceError error;
  bool durable = device_.sync(synced, error);
  if (durable) renamed_.clear();
  for (const Finished& finished : batch_) {
    DeviceError why = error;
    if (durable && device_.rename(finished.temporary_path, finished.device_path, why)) {
      files_.forget(finished.temporary_path);
      renamed_.push_back(finished.device_path);
      ++counts_.written;
      continue;
    }
    report_.warn("cannot " + std::string(durable ? "replace " : "write ") + quoted(finished.text) +
                 ": " + why.reason);
    remove_temporary_file(finished.temporary_path, finished.text + std::string(kTemporarySuffix));
    all_in_place_ = false;
    ++counts_.not_written;
  }
  batch_.clear();
  batch_bytes_ = 0;
}

// The new playlist differs from the one there now (or there is none): it is written from here
// on, beginning with the bytes of the old one it repeats so far.
void PlaylistWriter::begin_writing() {
  Playlist& playlist = *playlist_;
  playlist.differs = true;
  playlist.previous.reset();
  if (dry_run_) return;
  DeviceError error;
  if (!files_.begin_creation(playlist.temporary_path)) {
    playlist.failure = "cannot create " + quoted(playlist.temporary_text) +
                       ": its path is too long to be removed on an interruption";
    return;
  }
  playlist.file = device_.create(playlist.temporary_path, error);
  // Only this run writes here, so what is in the way is what an interrupted run left.
  if (playlist.file == nullptr && error.kind == DeviceError::Kind::exists &&
      device_.remove(playlist.temporary_path, error))
    playlist.file = device_.create(playlist.temporary_path, error);
  files_.end_creation();
  if (playlist.file == nullptr) {
    files_.forget(playlist.temporary_path);
    playlist.failure = "cannot create " + quoted(playlist.temporary_text) + ": " + error.reason;
    return;
  }
  if (playlist.repeated == 0) return;
  std::unique_ptr<ReadableFile> previous = device_.open(playlist.place.device_path, error);
  std::string bytes(std::min(playlist.repeated, kWriteSize), '\0');
  for (std::size_t left = playlist.repeated; left > 0 && previous != nullptr;) {
    std::size_t count = 0;
    if (!previous->read(bytes.data(), std::min(left, bytes.size()), count, error) || count == 0 ||
        !playlist.file->append(std::string_view(bytes).substr(0, count), error))
      break;
    left -= count;
    if (left == 0) return;
  }
  playlist.failure =
      "cannot write " + quoted(playlist.place.text) + ": " +
      (error.reason.empty() ? "the previous playlist changed meanwhile" : error.reason);
}

// Compares the entries made with the playlist there now, or writes them once they differ. The
// last time, one byte more is asked for: the playlist there is the same only if it ends there too.
void PlaylistWriter::hand_over(bool last) {
  Playlist& playlist = *playlist_;
  if (playlist.pending.empty() && !last) return;
  if (!playlist.differs && playlist.failure.empty()) {
    previous_bytes_.resize(playlist.pending.size() + (last ? 1 : 0));
    std::size_t count = 0;
    DeviceError ignored;
    if (playlist.previous->read(previous_bytes_.data(), previous_bytes_.size(), count, ignored) &&
        count == playlist.pending.size() &&
        std::string_view(previous_bytes_).substr(0, count) == playlist.pending) {
      playlist.repeated += count;
      playlist.pending.clear();
      return;
    }
    begin_writing();
  }
  DeviceError error;
  if (playlist.file != nullptr && playlist.failure.empty() &&
      !playlist.file->append(playlist.pending, error))
    playlist.failure = "cannot write " + quoted(playlist.place.text) + ": " + error.reason;
  // Once the playlist failed, what follows is only counted, never kept.
  playlist.pending.clear();
}

// The new playlist will not take its place: its temporary file, if it has one, goes.
void PlaylistWriter::discard_file() {
  Playlist& playlist = *playlist_;
  if (playlist.file == nullptr) return;
  DeviceError ignored;
  // Whether it closes or not, it is removed.
  static_cast<void>(playlist.file->close(ignored));
  playlist.file.reset();
  remove_temporary_file(playlist.temporary_path, playlist.temporary_text);
}

bool PlaylistWriter::fail() {
  Playlist& playlist = *playlist_;
  report_.warn(playlist.failure);
  discard_file();
  ++counts_.not_written;
  end_playlist();
  return false;
}

void PlaylistWriter::end_playlist() {
  spare_pending_ = std::move(playlist_->pending);
  spare_pending_.clear();
  playlist_.reset();
}

PlaylistWriter::Start PlaylistWriter::begin(PlaylistPlace place) {
  playlist_ = std::make_unique<Playlist>();
  Playlist& playlist = *playlist_;
  playlist.place = std::move(place);
  // Room for what is made before it is handed over, taken once for all playlists.
  playlist.pending = std::move(spare_pending_);
  playlist.pending.reserve(kWriteSize + kEntrySize);
  // Neither "*.mp3" nor "*.m3u": a half-written playlist is never taken for a track or an M3U.
  playlist.temporary_path = playlist.place.device_path + std::string(kTemporarySuffix);
  playlist.temporary_text = playlist.place.text + std::string(kTemporarySuffix);
  if (playlist.place.there && *playlist.place.there != EntryType::file) {
    playlist.failure =
        "cannot write " + quoted(playlist.place.text) + ": " +
        (*playlist.place.there == EntryType::folder ? "a folder is in its place"
                                                    : "something else is in its place");
    fail();
    return Start::failed;
  }
  if (playlist.place.there) {
    DeviceError error;
    playlist.previous = device_.open(playlist.place.device_path, error);
    if (playlist.previous != nullptr && playlist.previous->read_only()) {
      report_.warn("leaving " + quoted(playlist.place.text) + " as it is: it is read-only");
      ++counts_.not_written;
      end_playlist();
      return Start::kept;
    }
  }
  // A playlist there now that cannot be read is simply replaced.
  if (playlist.previous == nullptr) begin_writing();
  if (!playlist.failure.empty()) {
    fail();
    return Start::failed;
  }
  return Start::started;
}

void PlaylistWriter::add(std::string_view relative_path) {
  Playlist& playlist = *playlist_;
  playlist.size += kEntrySize;
  // Once the playlist failed, what follows is only counted, never kept.
  if (!playlist.failure.empty()) return;
  if (!append_entry(relative_path, playlist.pending)) {
    playlist.failure = "cannot write " + quoted(playlist.place.text) + ": " +
                       quoted(relative_path) + " is longer than an entry holds";
    return;
  }
  if (playlist.pending.size() >= kWriteSize) hand_over(false);
}

bool PlaylistWriter::finish() {
  Playlist& playlist = *playlist_;
  hand_over(true);
  if (!playlist.differs && playlist.failure.empty()) {
    ++counts_.unchanged;
    if (dry_run_)
      dry_run_report_.emplace_back(playlist.place.text, false);
    else if (playlist.place.temporary_there)
      remove_temporary_file(playlist.temporary_path, playlist.temporary_text);
    end_playlist();
    return true;
  }
  if (!playlist.failure.empty()) return fail();
  if (dry_run_) {
    ++counts_.written;
    dry_run_report_.emplace_back(playlist.place.text, true);
    end_playlist();
    return true;
  }
  DeviceError error;
  if (!playlist.file->close(error))
    playlist.failure = "cannot write " + quoted(playlist.place.text) + ": " + error.reason;
  if (!playlist.failure.empty()) return fail();
  batch_.push_back({playlist.place.text, playlist.place.device_path, playlist.temporary_path});
  batch_bytes_ += playlist.size;
  end_playlist();
  if (batch_.size() >= kBatchPlaylists || batch_bytes_ >= kBatchBytes) put_batch_in_place();
  return true;
}

void PlaylistWriter::abandon() {
  ++counts_.not_written;
  discard_file();
  end_playlist();
}

bool PlaylistWriter::put_in_place() {
  if (dry_run_) {
    for (const auto& [text, changes] : dry_run_report_)
      report_.print(changes ? "Would write %s\n" : "Unchanged %s\n", text);
    dry_run_report_.clear();
    return true;
  }
  put_batch_in_place();
  // The renames of the last batch are on the device only after one more sync.
  DeviceError error;
  if (!renamed_.empty() && !device_.sync(renamed_, error)) {
    report_.warn("cannot make sure the playlists are on the device: " + error.reason);
    all_in_place_ = false;
  }
  renamed_.clear();
  return std::exchange(all_in_place_, true);
}
