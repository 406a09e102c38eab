// The playlist of folders in the working folder, and how a run fails safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

class TopLevel : public ::testing::Test {
 protected:
  RunResult run(long long file_size_limit = -1) {
    return run_eplgen(
        {.working_folder = music, .arguments = {}, .file_size_limit = file_size_limit});
  }
  TemporaryFolder root;
  fs::path music = root.path();
  fs::path playlist = music / "Default Playlist.epl";
};

TEST_F(TopLevel, ListsEverySubfolderAndIgnoresFiles) {
  make_library(music, {"Jazz/", "Rock/", "stray.mp3", "notes.txt", "list.m3u"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  std::string written = read_bytes(playlist);
  std::vector<std::string> folders = in_listing_order({"Jazz", "Rock"}, written);
  EXPECT_TRUE(result.out.starts_with(
      log_of({"Adding directory " + folders[0], "Adding directory " + folders[1]})))
      << result.out;
  EXPECT_EQ(written, playlist_of(folders));
}

TEST_F(TopLevel, FolderOfFilesGivesAnEmptyPlaylistAndNoOutput) {
  make_library(music, {"a.mp3", "b.m3u"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  ASSERT_TRUE(fs::exists(playlist));
  EXPECT_EQ(fs::file_size(playlist), 0u);
}

TEST_F(TopLevel, SecondRunGivesIdenticalPlaylistsAndLeavesNothingBehind) {
  make_library(music, {"Jazz/", "Rock/a.mp3"});
  ASSERT_EQ(run().exit_status, 0);
  std::vector<std::string> tree = tree_of(music);
  std::string first = read_bytes(playlist);
  ASSERT_EQ(run().exit_status, 0);
  EXPECT_EQ(read_bytes(playlist), first);
  EXPECT_EQ(tree_of(music), tree);
  for (const std::string& name : tree) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(TopLevel, PlaylistThatCannotBeReplacedIsReportedAndExitsOne) {
  make_library(music, {"Rock/", "Default Playlist.epl/"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("Default Playlist.epl"), std::string::npos) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_TRUE(fs::is_directory(playlist));
  EXPECT_FALSE(fs::exists(music / "Default Playlist.epl.tmp"));
}

TEST_F(TopLevel, FullDiskKeepsThePreviousPlaylist) {
  make_library(music, {"Jazz/", "Rock/"});
  ASSERT_EQ(run().exit_status, 0);
  std::string previous = read_bytes(playlist);
  for (int i = 0; i < 20; ++i) make_library(music, {"Folder " + std::to_string(i) + "/"});

  RunResult result = run(4 * 716);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("Default Playlist.epl"), std::string::npos) << result.err;
  EXPECT_EQ(read_bytes(playlist), previous);
  EXPECT_FALSE(fs::exists(music / "Default Playlist.epl.tmp"));
}

}  // namespace
