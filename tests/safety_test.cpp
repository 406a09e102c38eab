// A run in hostile surroundings: standard streams closed or failing, links that lead back or
// double a folder, read-only files, interruptions. Whatever happens, every playlist is whole and
// right or as it was, nothing is left behind, and the exit status says which.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

// As a vfat mount shows a file with the read-only attribute.
void make_read_only(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

TEST(Safety, EveryPlaylistIsRightOrAsItWas) {
  const struct {
    const char* what;
    std::function<void(const fs::path& music)> prepare;
    RunOptions options;
    const char* err;  // what standard error holds
    int exit_status;
    bool rock_kept = false;             // Rock's playlist is left as it was, not rewritten
    bool all_kept = false;              // the run was interrupted: every playlist is left as it was
    std::vector<std::string> top = {};  // the folders the music folder's playlist lists
    std::vector<std::string> absent = {};  // folders that get no playlist
  } cases[] = {
      {"standard output closed", {}, {.output = StandardOutput::closed}, "", 0},
      {"standard error closed",
       [](const fs::path& music) { make_read_only(music / "Rock/Default Playlist.epl"); },
       {.error_closed = true},
       "",
       0,
       true},
      {"log to a full device",
       {},
       {.output = StandardOutput::full_device},
       "eplgen: cannot write standard output: ",
       1},
      {"log to a closed pipe",
       {},
       {.output = StandardOutput::closed_pipe},
       "eplgen: cannot write standard output: Broken pipe",
       1},
      {"links back to the music folder and above",
       [](const fs::path& music) {
         fs::create_directory_symlink(".", music / "self");
         fs::create_directory_symlink("..", music / "up");
       },
       {},
       "eplgen: skipping 'up': it leads back to the music folder or a folder holding it",
       0},
      // The folder's own name is taken, in its own place.
      {"more names for one folder",
       [](const fs::path& music) {
         fs::create_directory_symlink("Rock", music / "Alias");
         fs::create_directory_symlink("Rock", music / "Zed");
       },
       {},
       "eplgen: skipping 'Alias': it is another name for 'Rock'",
       0,
       false,
       false,
       {"Jazz", "Rock"}},
      {"system and trash folders",
       [](const fs::path& music) {
         make_library(music, {"$RECYCLE.BIN/S-1-5-21/x.mp3", ".Trashes/501/a.mp3",
                              "System Volume Information/", ".Trash-1000/files/b.mp3"});
       },
       {},
       "': system and trash folders hold no albums",
       0,
       false,
       false,
       {"Jazz", "Rock"},
       {"$RECYCLE.BIN", ".Trashes", "System Volume Information", ".Trash-1000"}},
      {"read-only playlist",
       [](const fs::path& music) { make_read_only(music / "Rock/Default Playlist.epl"); },
       {},
       "eplgen: leaving 'Rock\\Default Playlist.epl' as it is: it is read-only",
       0,
       true},
      {"read-only stale temporary file",
       [](const fs::path& music) {
         write_bytes(music / "Jazz/Default Playlist.epl.tmp", "stale");
         make_read_only(music / "Jazz/Default Playlist.epl.tmp");
       },
       {},
       "",
       0},
      {"M3U naming the playlists",
       [](const fs::path& music) {
         write_bytes(music / "Rock/list.m3u",
                     "Default Playlist.epl\n..\\Default Playlist.epl\nDEFAULT PLAYLIST.EPL.TMP \n"
                     "b.mp3\nc.mp3\n");
       },
       {},
       "eplgen: skipping line 2 of 'Rock\\list.m3u': '..\\Default Playlist.epl' names a playlist "
       "eplgen writes, which is never a track",
       0},
      {"an iconv that knows no code page",
       {},
       {.environment = {"LD_PRELOAD=" NO_ICONV,
                        "ASAN_OPTIONS=verify_asan_link_order=0:abort_on_error=1"}},
       "eplgen: cannot use code page CP1252: this system's iconv does not know it",
       1,
       false,
       true},
      {"SIGINT",
       {},
       {.output = StandardOutput::unread_pipe, .interrupt_with = SIGINT},
       "",
       130,
       false,
       true},
      {"SIGTERM",
       {},
       {.output = StandardOutput::unread_pipe, .interrupt_with = SIGTERM},
       "",
       143,
       false,
       true},
      {"SIGHUP",
       {},
       {.output = StandardOutput::unread_pipe, .interrupt_with = SIGHUP},
       "",
       129,
       false,
       true},
  };
  for (const auto& c : cases) {
    // Signals are POSIX's; Windows has console events, which only a console can send. And Wine,
    // unlike Windows, gives a closed descriptor's stream a handle of its own that refuses every
    // write, where Windows gives none and the program opens NUL. A preloaded library is Linux's.
    if (testing_windows_build() &&
        (c.options.interrupt_with != 0 || c.options.output == StandardOutput::closed ||
         c.options.error_closed || !c.options.environment.empty()))
      continue;
    TemporaryFolder root;
    fs::path music = root.path() / "Music";
    std::vector<std::string> library = {"Jazz/a.mp3", "Rock/b.mp3"};
    // For a pipe, enough folders that the log outgrows its buffer in the top-level pass.
    bool piped = c.options.output == StandardOutput::closed_pipe ||
                 c.options.output == StandardOutput::unread_pipe;
    for (int i = 100; piped && i < 400; ++i)
      library.push_back("Folder with a long name " + std::to_string(i) + "/");
    make_library(music, library);
    ASSERT_EQ(run_eplgen({.working_folder = music}).exit_status, 0) << c.what;
    make_library(music, {"Rock/c.mp3"});
    write_bytes(music / "Rock/list.m3u", "b.mp3\nc.mp3\n");
    const std::vector<std::string> previous = {read_bytes(music / "Default Playlist.epl"),
                                               read_bytes(music / "Rock/Default Playlist.epl")};
    if (c.prepare) c.prepare(music);

    RunOptions options = c.options;
    options.working_folder = music;
    RunResult result = run_eplgen(options);
    EXPECT_EQ(result.exit_status, c.exit_status) << c.what << "\n" << result.err;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << c.what << "\n" << result.err;
    if (!c.all_kept) {
      EXPECT_EQ(without_summary(result.err).empty(), *c.err == '\0') << c.what << "\n"
                                                                     << result.err;
      EXPECT_EQ(read_bytes(music / "Rock/Default Playlist.epl"),
                c.rock_kept ? previous[1] : playlist_of({"Rock\\b.mp3", "Rock\\c.mp3"}))
          << c.what;
      EXPECT_EQ(read_bytes(music / "Jazz/Default Playlist.epl"), playlist_of({"Jazz\\a.mp3"}))
          << c.what;
    } else {
      EXPECT_EQ(read_bytes(music / "Default Playlist.epl"), previous[0]) << c.what;
    }
    if (!c.top.empty()) {
      std::string top = read_bytes(music / "Default Playlist.epl");
      EXPECT_EQ(top, playlist_of(in_listing_order(c.top, top))) << c.what;
    }
    for (const std::string& folder : c.absent)
      EXPECT_FALSE(fs::exists(music / folder / "Default Playlist.epl")) << c.what << ": " << folder;
    EXPECT_FALSE(fs::exists(root.path() / "Default Playlist.epl")) << c.what;
    for (const std::string& name : tree_of(music)) {
      EXPECT_FALSE(name.ends_with(".tmp")) << c.what << ": " << name;
      if (name.ends_with(".epl")) {
        EXPECT_EQ(read_bytes(music / name).size() % 716, 0u) << c.what << ": " << name;
      }
    }
  }
}

// Memory running out at any moment, from a run's first allocation to its last: the run ends with
// one line saying so and exit status 1, or is done; every playlist is whole, new or as it was,
// and no temporary file is left.
TEST(Safety, MemoryThatRunsOutLeavesEveryPlaylistWhole) {
  if (testing_sanitized_build()) GTEST_SKIP() << "the sanitizer's allocator is the program's own";
  if (testing_windows_build()) GTEST_SKIP() << "a preloaded library is Linux's";
  TemporaryFolder root;
  fs::path music = music_folder_in(root.path());
  make_library(music, {"Jazz/a.mp3", "Rock/b.mp3"});
  ASSERT_EQ(run_eplgen({.working_folder = music}).exit_status, 0);
  const std::vector<std::string> folders = {".", "Jazz", "Pop", "Rock"};
  std::vector<std::string> old;
  old.reserve(folders.size());
  for (const std::string& folder : folders)
    old.push_back(read_bytes(music / folder / "Default Playlist.epl"));
  make_library(music, {"Rock/c.mp3", "Pop/d.mp3"});
  write_bytes(music / "Rock/list.m3u", "b.mp3\nc.mp3\nmissing.mp3\n");
  const std::vector<std::string> made = {playlist_of({"Jazz", "Pop", "Rock"}),
                                         playlist_of({"Jazz\\a.mp3"}), playlist_of({"Pop\\d.mp3"}),
                                         playlist_of({"Rock\\b.mp3", "Rock\\c.mp3"})};
  for (int allocations = 1;; ++allocations) {
    for (std::size_t place = 0; place < folders.size(); ++place)
      write_bytes(music / folders[place] / "Default Playlist.epl", old[place]);
    fs::remove(music / "Pop/Default Playlist.epl");
    RunResult result =
        run_eplgen({.working_folder = music,
                    .environment = {"LD_PRELOAD=" NO_MEMORY,
                                    "EPLGEN_TEST_ALLOCATIONS=" + std::to_string(allocations)}});
    ASSERT_TRUE(result.exit_status == 0 || result.exit_status == 1)
        << allocations << ": " << result.exit_status << "\n"
        << result.err;
    if (result.exit_status == 1) {
      EXPECT_TRUE(
          result.err.ends_with("eplgen: out of memory; the playlists not yet in their "
                               "places are left as they were\n"))
          << allocations << "\n"
          << result.err;
    }
    for (std::size_t place = 0; place < folders.size(); ++place) {
      fs::path playlist = music / folders[place] / "Default Playlist.epl";
      std::string now = fs::exists(playlist) ? read_bytes(playlist) : "none";
      EXPECT_TRUE(now == made[place] || (now == old[place] && place != 2) ||
                  (now == "none" && place == 2))
          << allocations << ": " << folders[place];
    }
    for (const std::string& name : tree_of(music))
      EXPECT_FALSE(name.ends_with(".tmp")) << allocations << ": " << name;
    if (result.exit_status == 0 || testing::Test::HasFailure()) break;
  }
}

TEST(Safety, OutputThatCannotBeWrittenIsAFailure) {
  TemporaryFolder root;
  write_bytes(root.path() / "good.epl", playlist_of({"Jazz"}));
  const struct {
    RunResult (*program)(const RunOptions&);
    std::vector<std::string> arguments;
  } cases[] = {{run_eplgen, {"--help"}}, {run_eplgen, {"--version"}}, {run_epldump, {"good.epl"}}};
  for (const auto& c : cases) {
    RunResult result = c.program({.working_folder = root.path(),
                                  .arguments = c.arguments,
                                  .output = StandardOutput::full_device});
    EXPECT_EQ(result.exit_status, 1) << c.arguments[0];
    EXPECT_NE(result.err.find(": cannot write standard output: "), std::string::npos) << result.err;
  }
}

}  // namespace
