// Runs on a device that fails: every failure keeps the playlist it touches as it was, leaves
// nothing behind, is said on standard error and makes the run exit 1; a power cut at any moment
// leaves every playlist whole, old or new.
#include "app/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/playlist_reader.h"
#include "output/playlist_writer.h"
#include "output/temporary_files.h"
#include "platform/console.h"
#include "tests/support/code_pages.h"
#include "tests/support/memory_device.h"

namespace {

using Operation = MemoryDevice::Operation;

const std::vector<std::string> kPlaylists = {"Default Playlist.epl", "Jazz/Default Playlist.epl",
                                             "Rock/Default Playlist.epl"};

// One run of eplgen on the device, as the program makes it; standard error is returned.
int run_on(MemoryDevice& device, std::string* err = nullptr, const std::string& home = "/home",
           bool dry_run = false) {
  Console console("eplgen", cp1252());
  TemporaryFiles files(PlaylistWriter::kBatchPlaylists + 1);
  Run run{{device, cp1252(), nullptr, {.dry_run = dry_run}}, console, files, home};
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int status = write_playlists(run);
  std::string captured = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  if (err != nullptr) *err = captured;
  return status;
}

// A library written once; then every playlist would change.
std::unique_ptr<MemoryDevice> changed_library(std::string* first_err = nullptr) {
  auto device = std::make_unique<MemoryDevice>();
  device->make("Jazz/a.mp3");
  device->make("Rock/b.mp3");
  device->make("Rock/list.m3u", "b.mp3\n");
  EXPECT_EQ(run_on(*device, first_err), 0);
  device->make("Jazz/c.mp3");
  device->make("Rock/Sub/c.mp3");
  device->make("Pop/d.mp3");
  device->make("Rock/list.m3u", "b.mp3\nSub\\c.mp3\n");
  return device;
}

std::vector<std::string> playlists_of(const MemoryDevice& device) {
  std::vector<std::string> contents;
  contents.reserve(kPlaylists.size());
  for (const std::string& path : kPlaylists)
    contents.push_back(device.contents(path).value_or("-"));
  return contents;
}

DeviceError failure(int error_number, DeviceError::Kind kind = DeviceError::Kind::other) {
  return {kind, std::strerror(error_number)};
}

// The memory device throws std::bad_alloc for this one.
DeviceError out_of_memory() { return {DeviceError::Kind::other, "out of memory"}; }

TEST(FailingDevice, KeepsWhatAFailureTouches) {
  const struct {
    const char* path;
    DeviceError error;
    std::vector<const char*> kept;  // playlists left as they were; the others are rewritten
    const char* message;
    Operation operation;
    bool with_link = false;  // an alias of Jazz, which makes the folders be examined
  } cases[] = {
      {".", failure(EIO), {".", "Jazz", "Rock"}, "cannot list the music folder", Operation::list},
      {"Rock", failure(EIO), {"Rock"}, "cannot list 'Rock': ", Operation::list},
      {"Rock", failure(EIO), {".", "Rock"}, "cannot examine 'Rock': ", Operation::identify, true},
      {"Rock/list.m3u", failure(EIO), {"Rock"}, "cannot read 'Rock\\list.m3u': ", Operation::open},
      {"Rock/list.m3u", failure(EIO), {"Rock"}, "cannot read 'Rock\\list.m3u': ", Operation::read},
      {"Rock/Sub", failure(EIO), {"Rock"}, "line 2 of 'Rock\\list.m3u': ", Operation::list},
      {"Rock/Default Playlist.epl.tmp",
       failure(EACCES),
       {"Rock"},
       "cannot create 'Rock\\Default Playlist.epl.tmp': ",
       Operation::create},
      {"Rock/Default Playlist.epl.tmp",
       failure(ENOSPC),
       {"Rock"},
       "cannot write 'Rock\\Default Playlist.epl': ",
       Operation::write},
      {"Default Playlist.epl.tmp",
       failure(EIO),
       {"."},
       "cannot write 'Default Playlist.epl': ",
       Operation::close},
      {"", failure(EIO), {".", "Jazz", "Rock"}, "cannot write 'Jazz\\Default", Operation::sync},
      {"Jazz/Default Playlist.epl",
       failure(EACCES),
       {"Jazz"},
       "cannot replace 'Jazz\\Default Playlist.epl': ",
       Operation::rename},
      {"",
       failure(EWOULDBLOCK, DeviceError::Kind::busy),
       {".", "Jazz", "Rock"},
       "another eplgen is writing playlists in this music folder",
       Operation::lock},
      {"Rock", out_of_memory(), {".", "Jazz", "Rock"}, "out of memory", Operation::list},
  };
  for (const auto& c : cases) {
    std::string first_err;
    std::unique_ptr<MemoryDevice> device = changed_library(&first_err);
    // A run that warns of nothing says what it did all the same, in one line.
    EXPECT_TRUE(first_err.starts_with("eplgen: 3 playlists written, 0 unchanged, 0 not written;"))
        << first_err;
    EXPECT_EQ(std::count(first_err.begin(), first_err.end(), '\n'), 1) << first_err;
    if (c.with_link) device->make_link("Alias", "Jazz");
    std::vector<std::string> before = playlists_of(*device);
    device->fail(c.operation, c.path, c.error);
    std::string err;
    EXPECT_EQ(run_on(*device, &err), 1) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(err.find(" unchanged, "), err.rfind(" unchanged, ")) << "the summary, once: " << err;
    std::vector<std::string> after = playlists_of(*device);
    for (std::size_t place = 0; place < kPlaylists.size(); ++place) {
      const char* folder = place == 0 ? "." : place == 1 ? "Jazz" : "Rock";
      bool kept = std::find_if(c.kept.begin(), c.kept.end(), [&](const char* name) {
                    return std::string(name) == folder;
                  }) != c.kept.end();
      EXPECT_EQ(after[place] == before[place], kept) << c.message << ": " << folder;
    }
    for (const std::string& name : device->tree())
      EXPECT_FALSE(name.ends_with(".tmp")) << c.message << ": " << name;
  }
}

// Nothing to do is success, even where nothing could be done.
TEST(FailingDevice, ReadOnlyCardWithPlaylistsUpToDateIsSuccess) {
  MemoryDevice device;
  device.make("Rock/b.mp3");
  ASSERT_EQ(run_on(device), 0);
  device.set_read_only_medium(true);
  std::string err;
  EXPECT_EQ(run_on(device, &err), 0);
  EXPECT_TRUE(err.starts_with("eplgen: 0 playlists written, 2 unchanged, 0 not written;")) << err;
}

// A folder that is plainly not the player's music folder is refused in one line, the only one,
// and nothing is written, in a dry run too; a doubtful one is written, with a line saying why.
TEST(WrongFolder, IsRefusedBeforeAnythingIsWritten) {
  const struct {
    const char* working_folder;
    // Files, folders ending in "/" and links "NAME -> TARGET", from /Music unless absolute.
    std::vector<std::string> made;
    int exit_status;
    const char* err;  // what standard error begins with
    const char* home = "/home";
    const char* volume = nullptr;  // a folder that is the root of a file system of its own
  } cases[] = {
      // Its warnings come after the refusal, which is then the only line.
      {"/Music",
       {"Rock/a.mp3", "Tab\tFolder/"},
       2,
       "eplgen: '/Music' is your home folder, not a player's music folder; nothing was written",
       "/Music"},
      {"/",
       {"/Music/Rock/a.mp3"},
       2,
       "eplgen: '/' is the root of a drive, whose music folder is '/Music': run eplgen there"},
      // A file named Music is no music folder.
      {"/",
       {"/Songs/Rock/a.mp3", "/MUSIC"},
       2,
       "eplgen: '/' is the root of a drive or file system, not a player's music folder"},
      // A card mounted where the README's example has it.
      {"/media/player",
       {"/media/player/Music/Rock/a.mp3"},
       2,
       "eplgen: '/media/player' is the root of a drive, whose music folder is "
       "'/media/player/Music': run eplgen there",
       "/home",
       "/media/player"},
      {"/Music",
       {"Docs/notes.txt", "Pictures/Holiday/a.jpg", "Empty/", "Rock/list.m3u"},
       2,
       "eplgen: '/Music' is no player's music folder: none of its folders holds a track"},
      {"/Music",
       {"Rock/up -> ..", "Rock/self -> ."},
       2,
       "eplgen: '/Music' is no player's music folder: none of its folders holds a track"},
      {"/Music", {"Artist/Album/CD1/01.mp3"}, 0, ""},
      // The player cannot find it, and a line says why.
      {"/Music", {"Rock/\xE6\x97\xA5.mp3"}, 0, "eplgen: skipping 'Rock\\"},
      {"/Music",
       {"a.mp3", ".Trashes/b.mp3"},
       0,
       "eplgen: '/Music' holds no folders: is it an album rather than the player's music "
       "folder?"},
      {"/Albums",
       {"/Albums/Rock/a.mp3"},
       0,
       "eplgen: '/Albums' is not named Music: the player looks for these tracks under a:\\Music"},
  };
  for (const auto& c : cases) {
    for (bool dry_run : {true, false}) {
      MemoryDevice device;
      for (const std::string& made : c.made) {
        std::size_t arrow = made.find(" -> ");
        if (arrow == std::string::npos)
          device.make(made);
        else
          device.make_link(made.substr(0, arrow), made.substr(arrow + 4));
      }
      if (c.volume != nullptr) device.make_volume(c.volume);
      DeviceError error;
      ASSERT_TRUE(device.change_working_folder(c.working_folder, error));
      std::vector<std::string> before = device.tree();
      std::string err;
      EXPECT_EQ(run_on(device, &err, c.home, dry_run), c.exit_status) << c.err << err;
      EXPECT_TRUE(err.starts_with(c.err)) << err;
      if (c.exit_status == 2) {
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(device.tree(), before) << c.err;
      }
    }
  }
}

// A path that cannot be formed never becomes a shorter one, at any depth: every entry names the
// track it was made for, and a track whose path is too long is left out, said and counted.
TEST(LongPaths, NoEntryNamesAnotherPath) {
  const std::string half(130, 'h');
  std::vector<std::string> tracks = {"Album/" + std::string(270, 'x') + "/01 Song.mp3",
                                     "Album/" + half + "/" + half + "/CD1/01 Song.mp3",
                                     "Album/" + half + "/" + std::string(127, 'y') + "/01.mp3"};
  for (int depth = 127; depth <= 300; ++depth) {
    std::string track;
    for (int level = 0; level < depth; ++level) track += "d/";
    tracks.push_back(track + "01.mp3");
  }
  for (const std::string& track : tracks) {
    MemoryDevice device;
    device.make(track);
    // What a path cut short would name instead.
    device.make("CD1/01 Song.mp3");
    std::string err;
    EXPECT_EQ(run_on(device, &err), 0) << err;
    std::string relative = track;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    bool fits = relative.size() <= 263;
    std::string top = track.substr(0, track.find('/'));
    PlaylistContents playlist =
        read_playlist(device.contents(top + "/Default Playlist.epl").value_or(""));
    std::vector<std::string> expected;
    if (fits) expected.push_back("a:\\Music\\" + relative);
    EXPECT_EQ(playlist.device_paths, expected) << track.size();
    // Said, and counted as a folder or an MP3 file skipped.
    EXPECT_EQ(err.find("path longer than 263 characters") != std::string::npos, !fits) << err;
    EXPECT_EQ(err.find(", 0 folders skipped, 0 MP3 files skipped") != std::string::npos, fits)
        << err;
  }
}

// A power cut at any sync or rename, or right after the run, leaves every playlist whole: as it
// was, or as the run made it; and after exit 0, as the run made it.
TEST(PowerCut, LeavesEveryPlaylistOldOrNew) {
  std::unique_ptr<MemoryDevice> clean = changed_library();
  std::vector<std::string> old_playlists = playlists_of(*clean);
  std::size_t first_events = clean->events().size();
  ASSERT_EQ(run_on(*clean), 0);
  std::vector<std::string> new_playlists = playlists_of(*clean);
  std::size_t boundaries = clean->events().size() - first_events;
  ASSERT_GE(boundaries, 5u);
  for (std::size_t cut = 0; cut <= boundaries + 1; ++cut) {
    for (bool changes_kept : {false, true}) {
      std::unique_ptr<MemoryDevice> device = changed_library();
      // The last round cuts the power once the run is over.
      if (cut <= boundaries) device->cut_power_after(cut);
      int status = run_on(*device);
      device->restore_power(changes_kept);
      std::vector<std::string> after = playlists_of(*device);
      for (std::size_t place = 0; place < kPlaylists.size(); ++place) {
        if (status == 0)
          EXPECT_EQ(after[place], new_playlists[place]) << kPlaylists[place] << ", cut " << cut;
        else
          EXPECT_TRUE(after[place] == old_playlists[place] || after[place] == new_playlists[place])
              << kPlaylists[place] << ", cut " << cut << (changes_kept ? ", changes kept" : "");
      }
    }
  }
}

// Started from Explorer the window is the program's own, and closes when it ends; from a
// Command Prompt or a script nothing may wait, or a script would hang.
TEST(OwnWindow, AsksAndWaitsOnlyInAWindowOfItsOwn) {
  const struct {
    bool own_window;
    bool console_input;
    bool folder_given;
    bool ask_first;
    bool wait_at_end;
  } cases[] = {
      {false, true, false, false, false}, {false, true, true, false, false},
      {true, true, false, true, true},     // double-clicked: which folder is not the user's choice
      {true, true, true, false, true},     // a folder dropped onto it
      {true, false, false, false, false},  // a launcher's new console, reading from NUL
  };
  for (const auto& c : cases) {
    OwnWindow window = own_window_behaviour(c.own_window, c.console_input, c.folder_given);
    EXPECT_EQ(window.ask_first, c.ask_first) << c.own_window << c.console_input << c.folder_given;
    EXPECT_EQ(window.wait_at_end, c.wait_at_end)
        << c.own_window << c.console_input << c.folder_given;
  }
}

}  // namespace
