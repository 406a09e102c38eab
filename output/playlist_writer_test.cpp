#include "output/playlist_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/playlist_entry.h"
#include "output/temporary_files.h"
#include "tests/support/code_pages.h"
#include "tests/support/memory_device.h"
#include "tests/support/recorded_report.h"

namespace {

std::vector<std::string> tracks(int count, int changed_from = -1) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(count));
  for (int track = 0; track < count; ++track)
    paths.push_back("F\\" + std::string(track >= changed_from && changed_from >= 0 ? "new " : "") +
                    "track " + std::to_string(track) + ".mp3");
  return paths;
}

std::string bytes_of(const std::vector<std::string>& paths) {
  std::string bytes;
  for (const std::string& path : paths) EXPECT_TRUE(append_entry(path, bytes)) << path;
  return bytes;
}

// A playlist there compared with the new one as it is made, 64 KiB (91 entries) at a time: only
// a new one is written, whole, and only once it differs.
TEST(PlaylistWriter, WritesOnlyWhatChangesAndAllOfIt) {
  const struct {
    const char* what;
    std::optional<std::vector<std::string>> previous;  // none: no playlist there
    std::vector<std::string> made;
    bool written;
    bool temporary_left = false;  // an interrupted run's temporary file is beside it
  } cases[] = {
      {"the same", tracks(200), tracks(200), false},
      {"a change after more than 64 KiB", tracks(200), tracks(200, 150), true},
      {"a change in the last entry", tracks(200), tracks(200, 199), true},
      {"a change in the first", tracks(3), tracks(3, 0), true},
      {"the previous one longer", tracks(200), tracks(199), true},
      {"the previous one shorter", tracks(182), tracks(183), true},
      {"none there", std::nullopt, tracks(2), true},
      {"an empty one", std::vector<std::string>(), std::vector<std::string>(), false},
      {"a temporary file left, the same", tracks(3), tracks(3), false, true},
      {"a temporary file left, a change", tracks(3), tracks(3, 1), true, true},
  };
  for (const auto& c : cases) {
    MemoryDevice device;
    device.make("F/");
    if (c.previous) device.make("F/Default Playlist.epl", bytes_of(*c.previous));
    if (c.temporary_left) device.make("F/Default Playlist.epl.tmp", "left");
    RecordedReport report;
    TemporaryFiles files(4);
    PlaylistWriter writer(device, report, cp1252(), files, false);
    PlaylistPlace place{"F\\Default Playlist.epl", "F/Default Playlist.epl", {}, c.temporary_left};
    if (c.previous) place.there = EntryType::file;
    ASSERT_EQ(writer.begin(place), PlaylistWriter::Start::started) << c.what;
    for (const std::string& path : c.made) writer.add(path);
    EXPECT_TRUE(writer.finish()) << c.what;
    EXPECT_TRUE(writer.put_in_place()) << c.what;
    EXPECT_EQ(device.contents("F/Default Playlist.epl"), bytes_of(c.made)) << c.what;
    EXPECT_EQ(writer.counts().written, c.written ? 1u : 0u) << c.what;
    EXPECT_EQ(device.events().empty(), !c.written) << c.what;
    EXPECT_EQ(device.tree(), (std::vector<std::string>{"F/", "F/Default Playlist.epl"})) << c.what;
  }
}

// The user's own read-only playlist stays; so does one that cannot be replaced.
TEST(PlaylistWriter, LeavesWhatItMayNotReplace) {
  const struct {
    const char* what;
    bool read_only;
    EntryType there;
    PlaylistWriter::Start start;
    const char* message;
  } cases[] = {
      {"read-only", true, EntryType::file, PlaylistWriter::Start::kept,
       "leaving 'F\\Default Playlist.epl' as it is: it is read-only"},
      {"a folder", false, EntryType::folder, PlaylistWriter::Start::failed,
       "cannot write 'F\\Default Playlist.epl': a folder is in its place"},
  };
  for (const auto& c : cases) {
    MemoryDevice device;
    device.make(c.there == EntryType::folder ? "F/Default Playlist.epl/" : "F/Default Playlist.epl",
                "old");
    if (c.read_only) device.set_read_only("F/Default Playlist.epl");
    RecordedReport report;
    TemporaryFiles files(4);
    PlaylistWriter writer(device, report, cp1252(), files, false);
    PlaylistWriter::Start start =
        writer.begin({"F\\Default Playlist.epl", "F/Default Playlist.epl", c.there, false});
    EXPECT_EQ(report.warnings(), std::vector<std::string>{c.message});
    EXPECT_EQ(start, c.start) << c.what;
    EXPECT_TRUE(writer.put_in_place()) << c.what;
    EXPECT_EQ(writer.counts().not_written, 1u) << c.what;
    EXPECT_TRUE(device.events().empty()) << c.what;
  }
}

}  // namespace
