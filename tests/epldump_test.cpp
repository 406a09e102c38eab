// epldump: what it prints of good playlists, and how it reports damaged ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

class Epldump : public ::testing::Test {
 protected:
  RunResult run(std::vector<std::string> arguments) {
    return run_epldump({.working_folder = root.path(), .arguments = std::move(arguments)});
  }
  TemporaryFolder root;
  std::string good = playlist_of({"Jazz", "Rock\\Live\\01 Intro.mp3"});
  std::vector<std::string> good_lines = {"a:\\Music\\Jazz", "a:\\Music\\Rock\\Live\\01 Intro.mp3"};
};

std::string with_byte(std::string bytes, std::size_t offset, char value) {
  bytes[offset] = value;
  return bytes;
}

TEST_F(Epldump, PrintsTheDevicePathsOfGoodPlaylists) {
  write_bytes(root.path() / "good.epl", good);
  write_bytes(root.path() / "empty.epl", "");
  write_bytes(root.path() / "-odd.epl", playlist_of({"line\nbreak", "Bj\xF6rk\\\xC9t\xE9.mp3"}));
  RunResult result = run({"good.epl", "empty.epl", "--", "-odd.epl", "good.epl"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  // Shown in the console's encoding, as the progress log shows names.
  std::vector<std::string> lines = good_lines;
  lines.push_back("a:\\Music\\line?break");
  lines.push_back("a:\\Music\\Bj\xF6rk\\\xC9t\xE9.mp3");
  lines.insert(lines.end(), good_lines.begin(), good_lines.end());
  EXPECT_EQ(result.out, console_log_of(lines));
}

TEST_F(Epldump, ReadsWhatEplgenWrote) {
  make_library(root.path(), {"Jazz/", "Rock/"});
  ASSERT_EQ(run_eplgen({.working_folder = root.path(), .arguments = {}}).exit_status, 0);
  RunResult result = run({"Default Playlist.epl"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, log_of({"a:\\Music\\Jazz", "a:\\Music\\Rock"}));
}

TEST_F(Epldump, ReportsEachDamageWithItsOffset) {
  const struct {
    const char* name;
    std::string bytes;
    std::size_t offset;
    std::size_t entries_before;
  } cases[] = {
      {"short", good.substr(0, 1000), 716, 1},
      {"long", good + "x", 1432, 2},
      {"header", with_byte(good, 716 + 2, '\x03'), 718, 1},
      {"padding", with_byte(good, 100, 'x'), 100, 0},
      {"trailing", with_byte(good, 716 + 715, 'x'), 1431, 1},
      {"unterminated", good.substr(0, 716) + std::string("\xBE\xBA\x02\x00\x01", 5) +
                           std::string(319, '\0') + std::string(392, 'y'),
       1431, 1},
  };
  for (const auto& c : cases) {
    std::string file = std::string(c.name) + ".epl";
    write_bytes(root.path() / file, c.bytes);
    RunResult result = run({file});
    EXPECT_EQ(result.exit_status, 1) << c.name;
    std::vector<std::string> printed(good_lines.begin(), good_lines.begin() + c.entries_before);
    EXPECT_EQ(result.out, log_of(printed)) << c.name;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.err.starts_with("epldump: " + file + ": byte " + std::to_string(c.offset) + ": "))
        << result.err;
  }
}

TEST_F(Epldump, GoesOnPastFilesItCannotUse) {
  write_bytes(root.path() / "good.epl", good);
  write_bytes(root.path() / "bad.epl", "not a playlist");
  fs::create_directory(root.path() / "folder.epl");
  RunResult result = run({"missing.epl", "bad.epl", "folder.epl", "good.epl"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, log_of(good_lines));
  for (const char* name : {"missing.epl", "bad.epl: byte 0", "folder.epl"})
    EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;
}

TEST_F(Epldump, UsageErrorsAndHelp) {
  const struct {
    std::vector<std::string> arguments;
    int exit_status;
    const char* out_begins;
    const char* err_begins;
  } cases[] = {
      {{}, 2, "", "epldump: no FILE given"},
      {{"--bogus", "good.epl"}, 2, "", "epldump: unknown option --bogus"},
      {{"--help"}, 0, "Usage: epldump", ""},
      {{"-V"}, 0, "epldump ", ""},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, c.exit_status) << result.err;
    EXPECT_TRUE(result.out.starts_with(c.out_begins)) << result.out;
    EXPECT_TRUE(result.err.starts_with(c.err_begins)) << result.err;
    EXPECT_EQ(result.out.empty(), c.out_begins[0] == '\0') << result.out;
    EXPECT_EQ(result.err.empty(), c.err_begins[0] == '\0') << result.err;
  }
}

}  // namespace
