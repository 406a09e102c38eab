// epldump: what it prints of good playlists, and how it reports damaged ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

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

TEST_F(Epldump, PrintsTheDevicePathsOfWhatEplgenWrote) {
  make_library(root.path(), {"Jazz/", "Rock/Live/01 Intro.mp3"});
  write_bytes(root.path() / "Rock/list.m3u", "Live\\01 Intro.mp3\n");
  ASSERT_EQ(run_eplgen({.working_folder = root.path(), .arguments = {}}).exit_status, 0);
  std::filesystem::remove(root.path() / "Rock/Live/01 Intro.mp3");
  write_bytes(root.path() / "empty.epl", "");
  write_bytes(root.path() / "-odd.epl", playlist_of({"line\nbreak", "Bj\xF6rk\\\xC9t\xE9.mp3"}));
  const struct {
    std::vector<std::string> arguments;
    std::string input;
    int exit_status;
    std::vector<std::string> out;
    std::string err;
  } cases[] = {
      // Shown in the console's encoding, as the progress log shows names, one line each; several
      // files under headers, as head and tail show them.
      {{"Default Playlist.epl", "empty.epl", "--", "-odd.epl"},
       "",
       0,
       {"==> Default Playlist.epl <==", "a:\\Music\\Jazz", "a:\\Music\\Rock", "",
        "==> empty.epl <==", "", "==> -odd.epl <==", "a:\\Music\\line?break",
        "a:\\Music\\Bj\xF6rk\\\xC9t\xE9.mp3"},
       ""},
      {{"-"}, good, 0, good_lines, ""},
      {{"--check", ".", "Default Playlist.epl", "Rock/Default Playlist.epl"},
       "",
       1,
       {"==> Default Playlist.epl <==", "a:\\Music\\Jazz", "a:\\Music\\Rock", "",
        "==> Rock/Default Playlist.epl <==", "a:\\Music\\Rock\\Live\\01 Intro.mp3"},
       "epldump: 'Rock/Default Playlist.epl': entry 1, 'a:\\Music\\Rock\\Live\\01 Intro.mp3': "
       "names no file"},
  };
  for (const auto& c : cases) {
    RunResult result =
        run_epldump({.working_folder = root.path(), .arguments = c.arguments, .input = c.input});
    EXPECT_EQ(result.exit_status, c.exit_status) << c.arguments[0];
    EXPECT_EQ(result.out, console_log_of(c.out)) << c.arguments[0];
    EXPECT_EQ(result.err, c.err.empty() ? "" : log_of({c.err})) << c.arguments[0];
  }
}

TEST_F(Epldump, ReportsEachDamageWithItsOffsetAndGoesOn) {
  const struct {
    const char* file;
    std::string bytes;
    std::size_t offset;
    std::size_t entries_before;
  } cases[] = {
      {"short.epl", good.substr(0, 1000), 716, 1},
      {"long.epl", good + "x", 1432, 2},
      {"header.epl", with_byte(good, 716 + 2, '\x03'), 718, 1},
      {"padding.epl", with_byte(good, 100, 'x'), 100, 0},
      {"trailing.epl", with_byte(good, 716 + 715, 'x'), 1431, 1},
      {"unterminated.epl", good.substr(0, 716 + 324) + std::string(392, 'y'), 1431, 1},
  };
  write_bytes(root.path() / "good.epl", good);
  for (const auto& c : cases) {
    write_bytes(root.path() / c.file, c.bytes);
    RunResult result = run({c.file, "missing.epl", "good.epl"});
    EXPECT_EQ(result.exit_status, 1) << c.file;
    std::vector<std::string> printed = {"==> " + std::string(c.file) + " <=="};
    printed.insert(printed.end(), good_lines.begin(),
                   good_lines.begin() + static_cast<std::ptrdiff_t>(c.entries_before));
    printed.insert(printed.end(), {"", "==> missing.epl <==", "", "==> good.epl <=="});
    printed.insert(printed.end(), good_lines.begin(), good_lines.end());
    EXPECT_EQ(result.out, log_of(printed)) << c.file;
    std::string fault =
        "epldump: '" + std::string(c.file) + "': byte " + std::to_string(c.offset) + ": ";
    EXPECT_TRUE(result.err.starts_with(fault)) << result.err;
    EXPECT_NE(result.err.find("\nepldump: cannot read 'missing.epl': "), std::string::npos)
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  }
}

TEST_F(Epldump, AnswersHelpAndRefusesWrongArguments) {
  // Devices are refused unopened where their names tell, and never read: CON would wait for the
  // keyboard, NUL and /dev/null pass for empty playlists.
  const bool windows = testing_windows_build();
  const std::string null_device = windows ? "NUL" : "/dev/null";
  const std::string console = windows ? "con.epl" : "/dev/tty";
  const struct {
    std::vector<std::string> arguments;
    int exit_status;
    std::string out;  // what standard output begins with
    std::string err;  // what standard error begins with
  } cases[] = {
      {{"--help"}, 0, "Usage: epldump", ""},
      {{"-V"}, 0, "epldump ", ""},
      {{}, 2, "", "epldump: no FILE given"},
      {{"--bogus", "good.epl"}, 2, "", "epldump: unknown option '--bogus'"},
      {{"--c", "good.epl"}, 2, "", "epldump: option '--c' is ambiguous: --codepage, --check"},
      {{"good.epl", "--check"}, 2, "", "epldump: --check needs a FOLDER"},
      {{null_device}, 1, "", "epldump: cannot read '" + null_device + "': names a device"},
      {{console}, 1, "", "epldump: cannot read '" + console + "': "},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, c.exit_status) << result.err;
    EXPECT_TRUE(result.out.starts_with(c.out) && (result.out.empty() == c.out.empty()))
        << result.out;
    EXPECT_TRUE(result.err.starts_with(c.err) && (result.err.empty() == c.err.empty()))
        << result.err;
  }
}

}  // namespace
