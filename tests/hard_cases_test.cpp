// Inputs from the wild: huge M3U files, long lists of missing tracks, a working folder that
// goes away. None of them may crash the program, hang it or leave a damaged playlist.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/library.h"
#include "tests/support/music_folder_test.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

using HardCases = MusicFolderTest;

TEST_F(HardCases, StreamsAFiftyMegabyteM3u) {
  make_library(music, {"Big/first.mp3", "Big/middle.mp3", "Big/last.mp3"});
  std::string comment = "#EXTINF:123," + std::string(1000, 'c') + "\r\n";
  std::string m3u = "first.mp3\r\n";
  while (m3u.size() < 25'000'000) m3u += comment;
  m3u += "middle.mp3\r\n";
  while (m3u.size() < 50'000'000) m3u += comment;
  m3u += "last.mp3";
  write_bytes(music / "Big/list.m3u", m3u);
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist("Big"), playlist_of({"Big\\first.mp3", "Big\\middle.mp3", "Big\\last.mp3"}));
}

TEST_F(HardCases, SurvivesAHundredThousandMissingTracks) {
  make_library(music, {"Many/Sub/", "Many/there.mp3"});
  std::string m3u;
  for (int i = 0; i < 100'000; ++i)
    m3u += (i % 2 ? "sub\\Missing " : "missing TRACK ") + std::to_string(i) + ".mp3\r\n";
  m3u += "THERE.MP3\r\n";
  write_bytes(music / "Many/list.m3u", m3u);
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  // One line for them all.
  EXPECT_TRUE(result.err.starts_with(
      "eplgen: 'Many\\list.m3u': 100000 lines name no file on the player: line 1 'missing TRACK "
      "0.mp3', line 2 'sub\\Missing 1.mp3', line 3 'missing TRACK 2.mp3', ..."))
      << result.err;
  EXPECT_NE(result.err.find("\neplgen: 2 playlists written, 0 unchanged, 0 not written; 100000 "
                            "M3U lines skipped"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  EXPECT_EQ(playlist("Many"), playlist_of({"Many\\THERE.MP3"}));
}

TEST_F(HardCases, WorkingFolderThatVanishes) {
  if (testing_windows_build()) GTEST_SKIP() << "Windows does not remove a folder in use";
  make_library(music, {"Rock/a.mp3"});
  RunResult result =
      run_eplgen({.working_folder = music, .arguments = {}, .working_folder_vanishes = true});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("cannot create 'Default Playlist.epl"), std::string::npos)
      << result.err;
  EXPECT_EQ(result.out, "");
}

}  // namespace
