// The playlist of folders in the working folder, and how a run fails safely.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
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
  fs::path music = music_folder_in(root.path());
  fs::path playlist = music / "Default Playlist.epl";
};

TEST_F(TopLevel, ListsEverySubfolderAndIgnoresFiles) {
  make_library(music, {"Jazz/a.mp3", "Rock/b.mp3", "stray.mp3", "notes.txt", "list.m3u"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(without_summary(result.err), "");
  std::string written = read_bytes(playlist);
  std::vector<std::string> folders = in_listing_order({"Jazz", "Rock"}, written);
  EXPECT_TRUE(result.out.starts_with(
      log_of({"Adding directory " + folders[0], "Adding directory " + folders[1]})))
      << result.out;
  EXPECT_EQ(written, playlist_of(folders));
}

// It may be an album rather than the music folder: the user is asked.
TEST_F(TopLevel, FolderOfFilesGivesAnEmptyPlaylistAndNoOutput) {
  make_library(music, {"a.mp3", "b.m3u"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(without_summary(result.err)
                  .ends_with("holds no folders: is it an album rather than the player's music "
                             "folder? Its playlist lists "
                             "no folder" +
                             log_of({""})))
      << result.err;
  ASSERT_TRUE(fs::exists(playlist));
  EXPECT_EQ(fs::file_size(playlist), 0u);
}

// A playlist already right is left as it is, file and date; a dry run writes nothing at all.
TEST_F(TopLevel, SecondRunGivesIdenticalPlaylistsAndLeavesThemAsTheyAre) {
  make_library(music, {"Jazz/", "Rock/a.mp3"});
  ASSERT_EQ(run().exit_status, 0);
  auto identities = [this] {
    std::vector<std::string> identity;
    for (const char* folder : {".", "Jazz", "Rock"}) {
      struct stat status {};
      stat((music / folder / "Default Playlist.epl").c_str(), &status);
      identity.push_back(std::to_string(status.st_ino) + " " +
                         std::to_string(status.st_mtim.tv_sec) + "." +
                         std::to_string(status.st_mtim.tv_nsec));
    }
    return identity;
  };
  const std::string eol = testing_windows_build() ? "\r\n" : "\n";
  const struct {
    std::vector<std::string> arguments;
    const char* added;  // a track added to Rock before the run
    bool rewrites_rock;
    bool quiet;            // nothing on standard error either
    std::string out_ends;  // what standard output ends with; nothing when empty
    std::vector<std::string> environment = {};
  } cases[] = {
      {{}, nullptr, false, false, "Adding MP3 file Rock\\a.mp3" + eol},
      {{"--dry-run"},
       "Rock/b.mp3",
       false,
       false,
       "Unchanged Jazz\\Default Playlist.epl" + eol + "Would write Rock\\Default Playlist.epl" +
           eol},
      // Grouped: a dry run, quiet, says only what it would write.
      {{"-nq"}, nullptr, false, true, "Would write Rock\\Default Playlist.epl" + eol},
      {{"-q"}, nullptr, true, true, ""},
      {{}, nullptr, false, true, "", {"EPLGEN_OPTIONS=-r --quiet"}},
  };
  for (const auto& c : cases) {
    if (c.added != nullptr) make_library(music, {c.added});
    std::vector<std::string> tree = tree_of(music);
    std::vector<std::string> before = identities();
    std::string top_level = read_bytes(playlist);
    RunResult result = run_eplgen(
        {.working_folder = music, .arguments = c.arguments, .environment = c.environment});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    // Quiet, it says nothing at all, not even what it did, when nothing went wrong.
    EXPECT_TRUE(c.out_ends.empty() ? result.out.empty() : result.out.ends_with(c.out_ends))
        << result.out;
    EXPECT_EQ(without_summary(result.err), "");
    EXPECT_EQ(result.err.empty(), c.quiet) << result.err;
    EXPECT_EQ(tree_of(music), tree) << "no file made or left";
    std::vector<std::string> after = identities();
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2] != before[2], c.rewrites_rock);
    EXPECT_EQ(read_bytes(playlist), top_level);
  }
}

TEST_F(TopLevel, PlaylistThatCannotBeReplacedIsReportedAndExitsOne) {
  make_library(music, {"Rock/a.mp3", "Default Playlist.epl/"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("Default Playlist.epl"), std::string::npos) << result.err;
  // The line, and the one that sums the run up.
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  EXPECT_TRUE(fs::is_directory(playlist));
  EXPECT_FALSE(fs::exists(music / "Default Playlist.epl.tmp"));
}

TEST_F(TopLevel, FullDiskKeepsThePreviousPlaylist) {
  make_library(music, {"Jazz/a.mp3", "Rock/b.mp3"});
  ASSERT_EQ(run().exit_status, 0);
  std::string previous = read_bytes(playlist);
  for (int i = 0; i < 20; ++i) make_library(music, {"Folder " + std::to_string(i) + "/"});

  RunResult result = run(4 * 716);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("Default Playlist.epl"), std::string::npos) << result.err;
  EXPECT_EQ(read_bytes(playlist), previous);
  EXPECT_FALSE(fs::exists(music / "Default Playlist.epl.tmp"));
}

// On a terminal, a run that lasts shows how many folders are done on one line of standard error,
// rewritten in place and erased before the summary; in a file there is nothing of it, and in the
// log never.
TEST_F(TopLevel, ShowsProgressOnATerminalOnly) {
  if (testing_windows_build()) GTEST_SKIP() << "Wine gives a program no console for a terminal";
  std::vector<std::string> library;
  for (int folder = 10; folder < 40; ++folder)
    for (int track = 0; track < 6; ++track)
      library.push_back("Folder with a long name " + std::to_string(folder) +
                        "/Track with a long name " + std::to_string(track) + ".mp3");
  make_library(music, library);
  for (bool terminal : {true, false}) {
    // The log fills its pipe, and the run waits over a second before it goes on.
    RunResult result = run_eplgen({.working_folder = music,
                                   .output = StandardOutput::stalled_pipe,
                                   .error_to_terminal = terminal});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err.find("\replgen: ") != std::string::npos &&
                  result.err.find(" of 30 folders done") != std::string::npos,
              terminal)
        << result.err;
    // The summary, on a line of its own, follows the progress line blanked out.
    std::size_t summary = result.err.rfind("eplgen: ");
    ASSERT_NE(summary, std::string::npos) << result.err;
    EXPECT_EQ(result.err.substr(0, summary).find('\n'), std::string::npos) << result.err;
    EXPECT_TRUE(summary == 0 ||
                std::regex_search(result.err.substr(0, summary), std::regex("\r +\r$")))
        << result.err;
    EXPECT_EQ(result.out.find("folders done"), std::string::npos);
    EXPECT_TRUE(
        result.out.ends_with(log_of({"\tAdding MP3 file Folder with a long name "
                                     "39\\Track with a long name 5.mp3"})));
  }
}

}  // namespace
