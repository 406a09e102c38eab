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

// The program runs in root, beside the music folder Music and a folder named "-x".
class CommandLine : public ::testing::Test {
 protected:
  // "\xE9\x9F\xB3\xE6\xA5\xBD" is "music" in Japanese, which no Windows-1252 can spell.
  void SetUp() override {
    make_library(root.path(), {"Music/Jazz/a.mp3", "Music/Rock/b.mp3", "-x/Blues/c.mp3",
                               "notes.txt", "\xE9\x9F\xB3\xE6\xA5\xBD/Folk/d.mp3"});
  }
  RunResult run(std::vector<std::string> arguments) {
    return run_eplgen({.working_folder = root.path(), .arguments = std::move(arguments)});
  }
  TemporaryFolder root;
  const std::vector<std::string> untouched = {"-x/",
                                              "-x/Blues/",
                                              "-x/Blues/c.mp3",
                                              "Music/",
                                              "Music/Jazz/",
                                              "Music/Jazz/a.mp3",
                                              "Music/Rock/",
                                              "Music/Rock/b.mp3",
                                              "notes.txt",
                                              "\xE9\x9F\xB3\xE6\xA5\xBD/",
                                              "\xE9\x9F\xB3\xE6\xA5\xBD/Folk/",
                                              "\xE9\x9F\xB3\xE6\xA5\xBD/Folk/d.mp3"};
};

TEST_F(CommandLine, HelpAndVersionAnswerAndWriteNothing) {
  const std::string help = "Usage: eplgen [\\s\\S]*Exit status[\\s\\S]*";
  const std::string version =
      "eplgen [0-9]+\\.[0-9]+\\.[0-9]+\r?\nCopyright \\(C\\) [0-9]+ [^\n]*\nLicense MIT[\\s\\S]*"
      "NO WARRANTY[\\s\\S]*";
  const struct {
    std::vector<std::string> arguments;
    std::string pattern;
  } cases[] = {{{"-h"}, help},
               {{"--help", "Music"}, help},
               {{"/?"}, help},
               {{"-V"}, version},
               {{"--version"}, version}};
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0) << c.arguments[0];
    EXPECT_TRUE(std::regex_match(result.out, std::regex(c.pattern))) << result.out;
    EXPECT_EQ(result.err, "") << c.arguments[0];
    EXPECT_EQ(tree_of(root.path()), untouched) << c.arguments[0];
  }
}

TEST_F(CommandLine, RefusesWhatIsNotOneFolderAndWritesNothing) {
  const struct {
    std::vector<std::string> arguments;
    std::string culprit;            // the diagnostic names it
    const char* options = nullptr;  // EPLGEN_OPTIONS
  } cases[] = {
      {{"-x"}, "unknown option '-x'"},
      {{"-qx", "Music"}, "unknown option '-x'"},  // one of a group
      {{"--dry-run", "-xn", "Music"}, "unknown option '-x'"},
      {{"--ver", "Music"}, "option '--ver' is ambiguous: --version, --verbose"},
      {{"--natural=yes", "Music"}, "--natural takes no value"},
      {{"--dry-run=yes", "Music"}, "--dry-run takes no value"},
      {{"--rec=1", "Music"}, "--recursive takes no value"},
      {{"Music"}, "EPLGEN_OPTIONS holds 'Rock', which is no option", "-n Rock"},
      {{"Music"}, "EPLGEN_OPTIONS holds '--', which is no option", "-n --"},
      {{"Music", "--help=yes"}, "--help takes no value"},
      {{"Music/Jazz", "Music/Rock"}, "more than one FOLDER"},
      {{"Nowhere"}, "Nowhere"},
      {{"notes.txt"}, "notes.txt"},
      {{"--codepage", "UTF-8", "Music"}, "--codepage 'UTF-8'"},
      {{"--codepage=CP437", "Music"}, "--codepage 'CP437'"},
      {{"--codepage=", "Music"}, "--codepage= is empty"},
      {{""}, "cannot use '' as the music folder"},
      {{"Music", "--codepage"}, "--codepage needs a NAME"},
      {{"Music", "--code"}, "--codepage needs a NAME"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> environment;
    if (c.options != nullptr) environment.push_back(std::string("EPLGEN_OPTIONS=") + c.options);
    RunResult result = run_eplgen(
        {.working_folder = root.path(), .arguments = c.arguments, .environment = environment});
    EXPECT_EQ(result.exit_status, 2) << c.culprit;
    EXPECT_EQ(result.out, "") << c.culprit;
    EXPECT_TRUE(result.err.starts_with("eplgen: ")) << result.err;
    EXPECT_NE(result.err.find(c.culprit), std::string::npos) << result.err;
    EXPECT_TRUE(result.err.ends_with("\nTry 'eplgen --help' for more information." +
                                     std::string(testing_windows_build() ? "\r\n" : "\n")))
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    EXPECT_EQ(tree_of(root.path()), untouched) << c.culprit;
  }
}

TEST_F(CommandLine, WorksInTheFolderGiven) {
  struct Case {
    std::vector<std::string> arguments;
    std::string folder;
    std::vector<std::string> subfolders;
    std::string options = {};  // EPLGEN_OPTIONS
  };
  std::vector<Case> cases = {
      {{"Music"}, "Music", {"Jazz", "Rock"}},
      {{"--", "-x"}, "-x", {"Blues"}},
      {{"\xE9\x9F\xB3\xE6\xA5\xBD"}, "\xE9\x9F\xB3\xE6\xA5\xBD", {"Folk"}},
      // Options with their values, as the Windows README's example gives them.
      {{"Music"}, "Music", {"Jazz", "Rock"}, "-r --codepage CP1250"},
      // Options as every tool takes them: a unique beginning of a long one, a value after "=" or
      // as the next argument, options after the FOLDER.
      {{"--rec", "Music"}, "Music", {"Jazz", "Rock"}},
      {{"--codepage=CP1252", "Music"}, "Music", {"Jazz", "Rock"}},
      {{"--codepage", "CP1252", "Music"}, "Music", {"Jazz", "Rock"}},
      {{"Music", "-r"}, "Music", {"Jazz", "Rock"}},
      {{"Music"}, "Music", {"Jazz", "Rock"}, "--code=CP1252 --rec"},
      {{"-rv", "--nat", "Music"}, "Music", {"Jazz", "Rock"}},
      {{"Music"}, "Music", {"Jazz", "Rock"}, "--natural --verbose"},
  };
  // "Music\" in quotes, as a batch file passes it: the C library takes the \" for a quote.
  if (testing_windows_build()) cases.push_back({{"Music\""}, "Music", {"Jazz", "Rock"}});
  for (const auto& c : cases) {
    std::vector<std::string> environment;
    if (!c.options.empty()) environment.push_back("EPLGEN_OPTIONS=" + c.options);
    RunResult result = run_eplgen(
        {.working_folder = root.path(), .arguments = c.arguments, .environment = environment});
    EXPECT_EQ(result.exit_status, 0) << c.folder << result.err;
    // Written as asked, with a word where the folder is not the Music folder the player has.
    EXPECT_EQ(without_summary(result.err)
                  .find("' is not named Music: the player looks for these "
                        "tracks under a:\\Music"),
              c.folder == "Music" ? std::string::npos : result.err.find("' is not named Music"))
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.folder == "Music" ? 1 : 2)
        << result.err;
    EXPECT_TRUE(result.out.starts_with(log_of({"Adding directory " + c.subfolders[0]})))
        << result.out;
    EXPECT_EQ(read_bytes(root.path() / c.folder / "Default Playlist.epl"),
              playlist_of(c.subfolders));
  }
  EXPECT_FALSE(std::filesystem::exists(root.path() / "Default Playlist.epl"));
}

}  // namespace
