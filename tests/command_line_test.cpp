// eplgen's command line: help and version, a FOLDER to work in, and arguments it refuses
// without writing anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

// The program runs in root, beside the music folder Music.
class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override { make_library(root.path(), {"Music/Jazz/", "Music/Rock/", "notes.txt"}); }
  RunResult run(std::vector<std::string> arguments) {
    return run_eplgen({.working_folder = root.path(), .arguments = std::move(arguments)});
  }
  TemporaryFolder root;
  std::vector<std::string> untouched = {"Music/", "Music/Jazz/", "Music/Rock/", "notes.txt"};
};

long line_count(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST_F(CommandLine, HelpAndVersionAnswerAndWriteNothing) {
  const struct {
    std::vector<std::string> arguments;
    std::string pattern;
  } cases[] = {
      {{"-h"}, "Usage: eplgen [\\s\\S]*Exit status[\\s\\S]*"},
      {{"--help"}, "Usage: eplgen [\\s\\S]*Exit status[\\s\\S]*"},
      {{"--help", "Music"}, "Usage: eplgen [\\s\\S]*"},
      {{"-V"}, "eplgen [0-9]+\\.[0-9]+\\.[0-9]+\r?\n"},
      {{"--version"}, "eplgen [0-9]+\\.[0-9]+\\.[0-9]+\r?\n"},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0) << c.arguments[0];
    EXPECT_TRUE(std::regex_match(result.out, std::regex(c.pattern))) << result.out;
    EXPECT_EQ(result.err, "") << c.arguments[0];
    EXPECT_EQ(tree_of(root.path()), untouched) << c.arguments[0];
  }
}

TEST_F(CommandLine, RefusesWhatIsNotOneFolderAndWritesNothing) {
  make_library(root.path(), {"-x/"});
  untouched.insert(untouched.begin(), "-x/");
  const struct {
    std::vector<std::string> arguments;
    std::string culprit;  // the diagnostic names it
  } cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"-x"}, "-x"},
      {{"-hV"}, "-hV"},
      {{"--help=yes"}, "--help=yes"},
      {{"Music", "--frobnicate"}, "--frobnicate"},
      {{"Music/Jazz", "Music/Rock"}, "FOLDER"},
      {{"Nowhere"}, "Nowhere"},
      {{"notes.txt"}, "notes.txt"},
      {{""}, "cannot use"},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 2) << c.culprit;
    EXPECT_EQ(result.out, "") << c.culprit;
    EXPECT_EQ(line_count(result.err), 2) << result.err;
    EXPECT_TRUE(result.err.starts_with("eplgen: ")) << result.err;
    EXPECT_NE(result.err.find(c.culprit), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Usage: eplgen"), std::string::npos) << result.err;
    EXPECT_EQ(tree_of(root.path()), untouched) << c.culprit;
  }
}

TEST_F(CommandLine, WorksInTheFolderGiven) {
  const struct {
    std::vector<std::string> arguments;
    fs::path folder;
  } cases[] = {
      {{"Music"}, "Music"},
      {{"Music/"}, "Music"},
      {{"--", "-x"}, "-x"},
      {{"Music/Rock/.."}, "Music"},
  };
  make_library(root.path(), {"-x/Blues/"});
  for (const auto& c : cases) {
    fs::path playlist = root.path() / c.folder / "Default Playlist.epl";
    fs::remove(playlist);
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0) << c.arguments.back();
    EXPECT_EQ(result.err, "") << c.arguments.back();
    std::vector<std::string> subfolders =
        c.folder == "-x" ? std::vector<std::string>{"Blues"} : std::vector<std::string>{"Jazz", "Rock"};
    EXPECT_EQ(read_bytes(playlist), playlist_of(subfolders)) << c.arguments.back();
    EXPECT_TRUE(result.out.starts_with(log_of({"Adding directory " + subfolders.front()})))
        << result.out;
    EXPECT_FALSE(fs::exists(root.path() / "Default Playlist.epl")) << c.arguments.back();
  }
}

}  // namespace
