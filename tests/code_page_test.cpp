// Names beyond ASCII reach the player in its code page (Windows-1252 here), whatever the
// platform: file names, M3U lines and the sort all work on code-page bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/music_folder_test.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

using CodePage = MusicFolderTest;

TEST_F(CodePage, AccentedNamesAreWrittenInTheCodePageAndSortedByItsBytes) {
  make_library(music, {"Bj\xC3\xB6rk/J\xC3\xB3ga.mp3", "Bj\xC3\xB6rk/Zoo.mp3", "Bj\xC3\xB6rk/a.mp3",
                       "Bj\xC3\xB6rk/\xC3\xBF.mp3", "Bj\xC3\xB6rk/\xC5\x92uvre.mp3"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(without_summary(result.err), "");
  EXPECT_EQ(playlist("."), playlist_of({"Bj\xF6rk"}));
  // Code-page order: J (0x4A), Z, a, then the ligature (0x8C) before y with diaeresis (0xFF),
  // although UTF-8 would put them the other way round.
  const std::vector<std::string> tracks = {"Bj\xF6rk\\J\xF3ga.mp3", "Bj\xF6rk\\Zoo.mp3",
                                           "Bj\xF6rk\\a.mp3", "Bj\xF6rk\\\x8Cuvre.mp3",
                                           "Bj\xF6rk\\\xFF.mp3"};
  EXPECT_EQ(playlist("Bj\xC3\xB6rk"), playlist_of(tracks));
  std::vector<std::string> log = {"Adding directory Bj\xF6rk", "Browsing directory Bj\xF6rk",
                                  "\tM3U file not found, adding individual files"};
  for (const std::string& track : tracks) log.push_back("\tAdding MP3 file " + track);
  EXPECT_EQ(result.out, console_log_of(log));
}

TEST_F(CodePage, M3uLinesInUtf8OrInTheCodePageFindTheSameTrack) {
  make_library(music, {"Sigur R\xC3\xB3s/\xC3\x81g\xC3\xA6tis byrjun.mp3"});
  const struct {
    const char* what;
    std::string line;
  } cases[] = {
      {"UTF-8", "\xC3\x81g\xC3\xA6tis byrjun.mp3"},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBF\xC3\x81g\xC3\xA6tis byrjun.mp3"},
      {"Windows-1252", "\xC1g\xE6tis byrjun.mp3"},
      {"Windows-1252, other ASCII case", "\xC1G\xE6TIS BYRJUN.mp3"},
  };
  for (const auto& c : cases) {
    write_bytes(music / std::string("Sigur R\xC3\xB3s/list.m3u"), c.line + "\r\n");
    RunResult result = run();
    EXPECT_EQ(result.exit_status, 0) << c.what;
    std::string stored = c.line.starts_with("\xEF\xBB\xBF") ? c.line.substr(3) : c.line;
    if (c.line.find("\xC3\x81") != std::string::npos) stored = "\xC1g\xE6tis byrjun.mp3";
    EXPECT_EQ(playlist("Sigur R\xC3\xB3s"), playlist_of({"Sigur R\xF3s\\" + stored})) << c.what;
  }
}

// Windows' "A" functions would have spelled several of these with a look-alike: the full-width
// R as R, alpha as a, r with caron as r, C with caron as C; the player could find none of them.
TEST_F(CodePage, NamesThePlayerCouldNeverFindAreSkippedWithAWarning) {
  make_library(music,
               {"\xE6\x97\xA5\xE6\x9C\xAC/", "Mix/\xE6\x97\xA5\xE6\x9C\xAC.mp3", "Mix/good.mp3",
                "Mix/._good.mp3", "Mix/._list.m3u", "Rock/a.mp3", "\xEF\xBC\xB2ock/x.mp3",
                "Dvo\xC5\x99\xC3\xA1k/", "\xC5\x81\xC3\xB3\x64\xC5\xBA/", "Mix/\xCE\xB1.mp3",
                "Trail./t.mp3", "Bjo\xCC\x88rk/", "Mix/nul.mp3"});
  write_bytes(music / "Mix/._list.m3u", std::string("\0\x05\x16\x07", 4));
  write_bytes(music /
                  "Mix/\xC4\x8C"
                  "apek.m3u",
              "good.mp3\n");
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  std::string top_level = playlist(".");
  EXPECT_EQ(top_level, playlist_of(in_listing_order({"Mix", "Rock"}, top_level)));
  EXPECT_EQ(playlist("Mix"), playlist_of({"Mix\\good.mp3"}));
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\a.mp3"}));
  // Windows, and so the player, would look for "Trail", and a device for "nul.mp3".
  EXPECT_FALSE(fs::exists(music / "Trail./Default Playlist.epl"));
  EXPECT_NE(result.err.find("'Mix\\nul.mp3': Windows, and so the player, takes this name for a "
                            "device"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(music / std::string("\xE6\x97\xA5\xE6\x9C\xAC/Default Playlist.epl")));
  EXPECT_EQ(result.out.find("._"), std::string::npos) << "companions are not tracks";
  // One warning a name, though the working folder is listed more than once, and the sum of the
  // run. A name as macOS writes it, an o and a combining diaeresis, is said to be one.
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 11) << result.err;
  EXPECT_NE(result.err.find("is in decomposed form"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("has no characters for this name; CP1250 spells it: --codepage CP1250"),
            std::string::npos)
      << result.err;
  if (!testing_windows_build()) {
    EXPECT_NE(result.err.find("\xE6\x97\xA5\xE6\x9C\xAC"), std::string::npos) << result.err;
    // No code page offered spells Japanese: none is named.
    std::size_t japanese = result.err.find("Mix\\\xE6\x97\xA5\xE6\x9C\xAC.mp3");
    ASSERT_NE(japanese, std::string::npos) << result.err;
    EXPECT_EQ(result.err.substr(japanese, result.err.find('\n', japanese) - japanese),
              "Mix\\\xE6\x97\xA5\xE6\x9C\xAC.mp3': code page CP1252 has no characters for this "
              "name");
  }
}

TEST_F(CodePage, NamesWindowsCannotHoldAreSkipped) {
  if (testing_windows_build()) GTEST_SKIP() << "such names exist only on POSIX file systems";
  make_library(music, {"Mix/line\nfeed.mp3", "Mix/back\\slash.mp3", "Mix/what?.mp3", "Mix/ok.mp3",
                       "Tab\tFolder/"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist("."), playlist_of({"Mix"}));
  EXPECT_EQ(playlist("Mix"), playlist_of({"Mix\\ok.mp3"}));
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 5)
      << "one line each, and a sum\n"
      << result.err;
}

TEST_F(CodePage, AnotherCodePageCanBeChosen) {
  // Cyrillic: "Кино" and "Группа крови.mp3".
  make_library(music, {"\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE/\xD0\x93\xD1\x80\xD1\x83\xD0\xBF"
                       "\xD0\xBF\xD0\xB0 \xD0\xBA\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB8.mp3"});
  // The option, or the environment once for every call; the option wins.
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
  } cases[] = {{{"--codepage", "CP1251"}, {}},
               {{"--codepage=cp1251"}, {"EPLGEN_CODEPAGE=CP1250"}},
               {{}, {"EPLGEN_CODEPAGE=CP1251"}}};
  for (const auto& c : cases) {
    RunResult result = run_eplgen(
        {.working_folder = music, .arguments = c.arguments, .environment = c.environment});
    const std::string option = c.arguments.empty() ? c.environment[0] : c.arguments[0];
    EXPECT_EQ(result.exit_status, 0) << option;
    EXPECT_EQ(without_summary(result.err), "") << option;
    EXPECT_EQ(playlist("."), playlist_of({"\xCA\xE8\xED\xEE"}));
    EXPECT_EQ(playlist("\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE"),
              playlist_of({"\xCA\xE8\xED\xEE\\\xC3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8.mp3"}));
    // Shown as UTF-8 on Linux; as the code page when Windows writes to a file, as it always did.
    EXPECT_NE(result.out.find(testing_windows_build()
                                  ? "Adding directory \xCA\xE8\xED\xEE"
                                  : "Adding directory \xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE"),
              std::string::npos)
        << result.out;
  }
}

// Names that read the same to the player are one name: the first in listing order is taken.
TEST_F(CodePage, NamesThatAreNotUtf8AreTakenByteForByteAndNeverTwice) {
  if (testing_windows_build()) GTEST_SKIP() << "Windows names are never invalid UTF-8";
  // Written by an old tool in Latin-1: the bytes already are the player's. Jóga is there in
  // UTF-8 as well, and Rock in another case: twins only a case-sensitive file system can hold.
  make_library(music, {"Bj\xF6rk/J\xF3ga.mp3", "Bj\xF6rk/x.mp3", "Bj\xF6rk/J\xC3\xB3ga.mp3",
                       "Caf\xE9/\xC9t\xE9.mp3", "Rock/a.mp3", "Rock/d\x7F.mp3", "rock/b.mp3"});
  write_bytes(music / "Bj\xF6rk/list.m3u", "J\xF3ga.mp3\n");
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  EXPECT_NE(result.err.find("skipping 'rock': the player cannot tell it from 'Rock'"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(playlist("."), playlist_of({"Bj\xF6rk", "Caf\xE9", "Rock"}));
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\a.mp3", "Rock\\d\x7F.mp3"}));
  EXPECT_EQ(read_bytes(music / "Bj\xF6rk/Default Playlist.epl"),
            playlist_of({"Bj\xF6rk\\J\xF3ga.mp3"}));
  // The log shows every name in UTF-8, and a control character as a question mark.
  for (const char* line : {"\tAdding Bj\xC3\xB6rk\\J\xC3\xB3ga.mp3\n",
                           "\tAdding MP3 file Caf\xC3\xA9\\\xC3\x89t\xC3\xA9.mp3\n",
                           "\tAdding MP3 file Rock\\d?.mp3\n"})
    EXPECT_NE(result.out.find(line), std::string::npos) << line << result.out;
}

}  // namespace
