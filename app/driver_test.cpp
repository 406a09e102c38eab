// A run on a device that fails: every failure keeps the playlist it touches as it was, leaves
// nothing behind, is said on standard error and makes the run exit 1.
#include "app/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/file_system_faulty.h"
#include "platform/process.h"
#include "tests/support/library.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(FailingDevice, KeepsWhatAFailureTouches) {
  const struct {
    FileOperation operation;
    int error;
    const char* path;
    std::vector<const char*> kept;  // playlists left as they were; the others are rewritten
    const char* message;
  } cases[] = {
      {FileOperation::list, EIO, ".\\", {".", "Jazz", "Rock"}, "cannot list the music folder"},
      {FileOperation::list, EIO, "Rock", {"Rock"}, "cannot list 'Rock': "},
      {FileOperation::identify, EIO, "Rock", {".", "Rock"}, "cannot examine 'Rock': "},
      {FileOperation::read, EIO, "Rock\\list.m3u", {"Rock"}, "cannot read 'Rock\\list.m3u': "},
      {FileOperation::look_up, EIO, "Rock\\c.mp3", {"Rock"}, "line 2 of 'Rock\\list.m3u': "},
      {FileOperation::create,
       EACCES,
       "Rock\\Default Playlist.epl.tmp",
       {"Rock"},
       "cannot create 'Rock\\Default Playlist.epl.tmp': "},
      {FileOperation::write,
       ENOSPC,
       "Rock\\Default Playlist.epl.tmp",
       {"Rock"},
       "cannot write 'Rock\\Default Playlist.epl': "},
      {FileOperation::close,
       EIO,
       "Default Playlist.epl.tmp",
       {"."},
       "cannot write 'Default Playlist.epl': "},
      {FileOperation::sync, EIO, "", {".", "Jazz", "Rock"}, "cannot write 'Jazz\\Default"},
      {FileOperation::replace,
       EACCES,
       "Jazz\\Default Playlist.epl",
       {"Jazz"},
       "cannot replace 'Jazz\\Default Playlist.epl': "},
  };
  for (const auto& c : cases) {
    TemporaryFolder root;
    fs::path previous_folder = fs::current_path();
    fs::current_path(root.path());
    reset_platform_state();
    make_library(root.path(), {"Jazz/a.mp3", "Rock/b.mp3"});
    write_bytes("Rock/list.m3u", "b.mp3\n");
    testing::internal::CaptureStdout();
    std::string first_summary;
    ASSERT_EQ(write_playlists(&first_summary), 0);
    // The second run would write something else in every playlist.
    make_library(root.path(), {"Jazz/c.mp3", "Rock/c.mp3", "Pop/d.mp3"});
    write_bytes("Rock/list.m3u", "b.mp3\nc.mp3\n");
    std::vector<std::string> before;
    for (const char* folder : {".", "Jazz", "Rock"})
      before.push_back(read_bytes(fs::path(folder) / "Default Playlist.epl"));

    reset_platform_state();
    inject_fault(c.operation, c.path, c.error);
    testing::internal::CaptureStderr();
    std::string summary_line;
    int status = write_playlists(&summary_line);
    std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    clear_faults();
    EXPECT_EQ(status, 1) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(summary_line, "") << "the window would show the summary again";
    // The counts add up over the runs of this process.
    EXPECT_TRUE(first_summary.starts_with("eplgen: ") &&
                first_summary.ends_with(" not written; 0 M3U lines skipped."))
        << first_summary;
    for (std::size_t place = 0; place < before.size(); ++place) {
      const char* folder = place == 0 ? "." : place == 1 ? "Jazz" : "Rock";
      bool kept = std::find_if(c.kept.begin(), c.kept.end(), [&](const char* name) {
                    return std::string(name) == folder;
                  }) != c.kept.end();
      EXPECT_EQ(read_bytes(fs::path(folder) / "Default Playlist.epl") == before[place], kept)
          << c.message << ": " << folder;
    }
    for (const std::string& name : tree_of(root.path()))
      EXPECT_FALSE(name.ends_with(".tmp")) << c.message << ": " << name;
    fs::current_path(previous_folder);
  }
}

// Started from Explorer the window is the program's own, and closes when it ends; from a
// Command Prompt or a script nothing may wait, or a script would hang.
TEST(OwnWindow, AsksAndWaitsOnlyInAWindowOfItsOwn) {
  const struct {
    bool own_window;
    bool folder_given;
    bool ask_first;
    bool wait_at_end;
  } cases[] = {
      {false, false, false, false},
      {false, true, false, false},
      {true, false, true, true},  // double-clicked: which folder is not the user's choice
      {true, true, false, true},  // a folder dropped onto it
  };
  for (const auto& c : cases) {
    OwnWindow window = own_window_behaviour(c.own_window, c.folder_given);
    EXPECT_EQ(window.ask_first, c.ask_first) << c.own_window << c.folder_given;
    EXPECT_EQ(window.wait_at_end, c.wait_at_end) << c.own_window << c.folder_given;
  }
}

}  // namespace
