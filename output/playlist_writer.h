// Writing playlist files. A playlist whose entries are the bytes of the file already there is
// left as it is: the entries are compared with that file while they are made, and a new file is
// begun only where they first differ. Entries go to a temporary file beside the playlist;
// finished playlists take their places in batches: the batch's files are made durable, renamed
// over the previous playlists, and the renames made durable with the next batch or at the end. A
// full disk, a failed write or a power cut never leaves a truncated playlist for the player: the
// previous one stays until the new one is whole on the device.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/namespace.h"
#include "platform/device.h"

class CodePage;
class Report;
class TemporaryFiles;

// Where a playlist goes, and what its folder's listing shows there.
struct PlaylistPlace {
  std::string text;                // its path text, for messages: "Rock\Default Playlist.epl"
  std::string device_path;         // "Rock/Default Playlist.epl"
  std::optional<EntryType> there;  // what is listed under its name, if anything
  bool temporary_there = false;    // a temporary file an interrupted run left is listed
};

class PlaylistWriter {
 public:
  // A batch is put in place once it holds this many playlists or bytes: few syncs on a slow
  // device, and little room taken on a full one by files waiting for their turn.
  static constexpr std::size_t kBatchPlaylists = 256;
  static constexpr std::size_t kBatchBytes = 16 << 20;

  // A dry run makes and compares every playlist but creates, writes and removes nothing. Paths
  // texts are in the code page.
  PlaylistWriter(Device& device, Report& report, const CodePage& code_page, TemporaryFiles& files,
                 bool dry_run);
  ~PlaylistWriter();
  PlaylistWriter(const PlaylistWriter&) = delete;
  PlaylistWriter& operator=(const PlaylistWriter&) = delete;

  enum class Start {
    started,
    kept,    // the playlist is read-only: the user's own, left as it is (said on standard error)
    failed,  // said on standard error
  };
  // Starts a playlist. Nothing may be added unless it is started; one playlist at a time.
  [[nodiscard]] Start begin(PlaylistPlace place);

  // Appends the entry for a relative path. A path too long for an entry fails the playlist, as a
  // failed write does: it is never written with an entry left out. Failures are remembered and
  // said by finish.
  void add(std::string_view relative_path);

  // Finishes the playlist: unchanged, it is left as it is; otherwise it takes its place with its
  // batch. On failure says so on standard error, removes the temporary file, leaves any previous
  // playlist as it was and returns false.
  [[nodiscard]] bool finish();

  // Gives the playlist up, for a caller that cannot make it whole (and says why): the temporary
  // file is removed and the previous playlist stays.
  void abandon();

  // Counts a playlist that could not even be begun (and the caller said why) as not written.
  void count_not_begun() { ++counts_.not_written; }

  // Puts every finished playlist in its place and makes sure all of them are on the device.
  // Returns false when one of them could not be (said on standard error); true means every
  // playlist finished so far is in its place, durably. In a dry run, says instead which playlists
  // would be written and which are unchanged.
  [[nodiscard]] bool put_in_place();

  struct Counts {
    std::size_t written = 0;  // put in place; in a dry run, would be
    std::size_t unchanged = 0;
    std::size_t not_written = 0;  // failed, or kept as read-only
    bool dry_run = false;
  };
  const Counts& counts() const { return counts_; }

 private:
  struct Playlist;
  struct Finished {
    std::string text;
    std::string device_path;
    std::string temporary_path;
  };

  void begin_writing();
  void hand_over(bool last);
  bool fail();
  void discard_file();
  void end_playlist();
  void remove_temporary_file(const std::string& device_path, std::string_view text);
  void put_batch_in_place();

  std::string quoted(std::string_view text) const;

  Device& device_;
  Report& report_;
  const CodePage& code_page_;
  TemporaryFiles& files_;
  bool dry_run_;
  std::unique_ptr<Playlist> playlist_;
  std::vector<Finished> batch_;
  std::size_t batch_bytes_ = 0;
  std::vector<std::string> renamed_;  // playlists put in place whose renames are not yet durable
  bool all_in_place_ = true;          // since put_in_place last answered
  Counts counts_;
  std::vector<std::pair<std::string, bool>> dry_run_report_;  // each playlist, and if it changes
  std::string previous_bytes_;  // of the playlist there now, to compare with
  std::string spare_pending_;   // the room the last playlist's entries took, for the next
};
