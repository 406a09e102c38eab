// Every subfolder's own playlist: from its M3U playlist, or from its MP3 files in byte order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/music_folder_test.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

using FolderPass = MusicFolderTest;

TEST_F(FolderPass, WritesTheLogAndPlaylistsOfASmallLibrary) {
  make_library(music, {"Jazz/So What.mp3", "Jazz/all blues.mp3", "Rock/01 Intro.mp3",
                       "Rock/Live/02 Song.mp3", "Rock/03 Outro.mp3"});
  write_bytes(music / "Rock/list.m3u",
              "#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n01 Intro.mp3\r\nLive\\02 Song.mp3\r\n");
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(without_summary(result.err), "");
  EXPECT_TRUE(result.err.starts_with("eplgen: 3 playlists written, 0 unchanged, 0 not written;"))
      << result.err;
  EXPECT_EQ(result.out, log_of({
                            "Adding directory Jazz",
                            "Adding directory Rock",
                            "Browsing directory Jazz",
                            "\tM3U file not found, adding individual files",
                            "\tAdding MP3 file Jazz\\So What.mp3",
                            "\tAdding MP3 file Jazz\\all blues.mp3",
                            "Browsing directory Rock",
                            "\tParsing M3U Rock\\list.m3u",
                            "\tAdding Rock\\01 Intro.mp3",
                            "\tAdding Rock\\Live\\02 Song.mp3",
                        }));
  EXPECT_EQ(playlist("."), playlist_of({"Jazz", "Rock"}));
  EXPECT_EQ(playlist("Jazz"), playlist_of({"Jazz\\So What.mp3", "Jazz\\all blues.mp3"}));
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\01 Intro.mp3", "Rock\\Live\\02 Song.mp3"}));
  EXPECT_FALSE(fs::exists(music / "Rock/Live/Default Playlist.epl")) << "only direct subfolders";
}

// In byte order, or as asked, with numbers in order of their value; an M3U's order as it is.
TEST_F(FolderPass, SortsTracksByBytesOrNumbers) {
  make_library(music,
               {"Mix/b.mp3", "Mix/B2.mp3", "Mix/a.mp3", "Mix/Track 9.mp3", "Mix/Track 10.mp3",
                "Mix/Track 09.mp3", "Mix/_x.mp3", "Mix/Z.mp3", "Mix/UPPER.MP3", "Mix/notes.txt",
                "Mix/cover.jpg", "Set/1.mp3", "Set/2.mp3"});
  write_bytes(music / "Set/list.m3u", "2.mp3\n1.mp3\n");
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> order;
  } cases[] = {
      {{},
       {"B2.mp3", "Track 09.mp3", "Track 10.mp3", "Track 9.mp3", "UPPER.MP3", "Z.mp3", "_x.mp3",
        "a.mp3", "b.mp3"}},
      // Of two numbers of one value, the bytes decide: "09" before "9".
      {{"--natural"},
       {"B2.mp3", "Track 09.mp3", "Track 9.mp3", "Track 10.mp3", "UPPER.MP3", "Z.mp3", "_x.mp3",
        "a.mp3", "b.mp3"}},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0);
    std::vector<std::string> order;
    std::vector<std::string> log = {"Adding directory Mix", "Adding directory Set",
                                    "Browsing directory Mix",
                                    "\tM3U file not found, adding individual files"};
    for (const std::string& track : c.order) order.push_back("Mix\\" + track);
    for (const std::string& track : order) log.push_back("\tAdding MP3 file " + track);
    EXPECT_TRUE(result.out.starts_with(log_of(log))) << result.out;
    EXPECT_EQ(playlist("Mix"), playlist_of(order));
    EXPECT_EQ(playlist("Set"), playlist_of({"Set\\2.mp3", "Set\\1.mp3"}));
  }
}

TEST_F(FolderPass, TakesOnlyWhatTheM3uNamesThatExists) {
  make_library(music, {"Rock/01 Intro.mp3", "Rock/Live/02 Song.mp3", "Rock/a.mp3", "Rock/abc",
                       "Rock/ x.mp3", "Jazz/x.mp3", "Rock/Sub/", "Rock/other.mp3"});
  write_bytes(music / "Rock/list.m3u",
              "#EXTM3U\n"
              "# comment.mp3\n"
              " #notacomment\n"  // a name, not a comment: goes to the test and is dropped
              "01 Intro.mp3\n"
              "missing.mp3\n"
              "01 Intro.mp3\n"  // twice: two entries
              "a.mp3\n"
              "abc\n"  // three characters: never a name
              "\n"
              " x.mp3\n"  // the blank belongs to the name
              "..\\Jazz\\x.mp3\n"
              "Live/02 Song.mp3\n"
              "D:\\Music\\x.mp3\n"
              "Sub\n"  // a folder is not a track
              "Sub\\\n"
              "http://example.com/stream.mp3\n"
              "Live\\02 Song.mp3");  // no final line feed
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  // One line says which name no file: the first three of the five.
  EXPECT_EQ(without_summary(result.err),
            log_of({"eplgen: 'Rock\\list.m3u': 5 lines name no file on the player: line 3 ' "
                    "#notacomment', line 5 'missing.mp3', line 13 'D:\\Music\\x.mp3', ..."}));
  EXPECT_NE(result.err.find("; 5 M3U lines skipped, "), std::string::npos) << result.err;
  const std::vector<std::string> tracks = {
      "Rock\\01 Intro.mp3",     "Rock\\01 Intro.mp3",    "Rock\\a.mp3",
      "Rock\\ x.mp3",           "Rock\\..\\Jazz\\x.mp3", "Rock\\Live/02 Song.mp3",
      "Rock\\Live\\02 Song.mp3"};
  EXPECT_EQ(playlist("Rock"), playlist_of(tracks));
  EXPECT_EQ(result.out.find("Adding MP3 file Rock"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(log_of({"\tAdding Rock\\..\\Jazz\\x.mp3"})), std::string::npos);
  // A dry run counts what it would write, and says so.
  make_library(music, {"Jazz/y.mp3"});
  EXPECT_NE(run({"--dry-run"}).err.find("eplgen: 1 playlist to write, 2 unchanged, 0 not written"),
            std::string::npos);
}

// What a run leaves out is said: a folder's skipped lines and files summed up, or with -v each on
// a line of its own. Only MP3 files, as Windows sees their names, are warned of.
TEST_F(FolderPass, SaysWhatItSkipsSummedUpOrOneByOne) {
  make_library(music,
               {"Mix/a.mp3", "Mix/b.flac", "Mix/c.WMA", "Mix/d.mp3 .", "Mix/CON.mp3", "Mix/CON.txt",
                "Mix/e.txt .", "$RECYCLE.BIN/x.mp3", ".Trash-1000/y.mp3", "Rock/a.mp3"});
  write_bytes(music / "Rock/list.m3u", "a.mp3\nx1.mp3\nx2.mp3\nx3.mp3\nx4.mp3\n");
  const std::string device = "Windows, and so the player, takes this name for a device";
  const std::string dot = "Windows, and so the player, drops the dots and blanks a name ends in";
  const std::string missing =
      "eplgen: 'Rock\\list.m3u': 4 lines name no file on the player: "
      "line 2 'x1.mp3', line 3 'x2.mp3', line 4 'x3.mp3', ...";
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> said;
  } cases[] = {
      {{},
       {"eplgen: skipping '$RECYCLE.BIN', '.Trash-1000': system and trash folders hold no albums",
        "eplgen: skipping 'Mix\\CON.mp3': " + device, "eplgen: skipping 'Mix\\d.mp3 .': " + dot,
        "eplgen: 'Mix' holds 2 audio files of other kinds (.flac, .wma), which no playlist lists",
        missing}},
      {{"-v"},
       {"eplgen: skipping '$RECYCLE.BIN': system and trash folders hold no albums",
        "eplgen: skipping '.Trash-1000': system and trash folders hold no albums",
        "eplgen: skipping 'Mix\\b.flac': audio of another kind than MP3, which no playlist lists",
        "eplgen: skipping 'Mix\\c.WMA': audio of another kind than MP3, which no playlist lists",
        "eplgen: skipping 'Mix\\CON.mp3': " + device, "eplgen: skipping 'Mix\\d.mp3 .': " + dot,
        "eplgen: skipping line 2 of 'Rock\\list.m3u': 'x1.mp3' names no file on the player",
        "eplgen: skipping line 3 of 'Rock\\list.m3u': 'x2.mp3' names no file on the player",
        "eplgen: skipping line 4 of 'Rock\\list.m3u': 'x3.mp3' names no file on the player",
        "eplgen: skipping line 5 of 'Rock\\list.m3u': 'x4.mp3' names no file on the player"}},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0);
    // Each line, in this order.
    std::string warned = without_summary(result.err);
    EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), c.said.size()) << warned;
    std::size_t at = 0;
    for (const std::string& said : c.said) {
      at = warned.find(said, at);
      EXPECT_NE(at, std::string::npos) << said << "\n" << warned;
    }
    EXPECT_NE(result.err.find(", 2 MP3 files skipped"), std::string::npos) << result.err;
    EXPECT_EQ(playlist("Mix"), playlist_of({"Mix\\a.mp3"}));
  }
}

TEST_F(FolderPass, ReadsM3uFilesWrittenAnywhere) {
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> tracks;
    const char* name = "list.m3u";
  } cases[] = {
      {"an .m3u8", "c.mp3\n", {"F\\c.mp3"}, "list.m3u8"},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "a.mp3\r\nb.mp3\r\n",
       {"F\\a.mp3", "F\\b.mp3"}},
      {"byte-order mark before a directive", "\xEF\xBB\xBF#EXTM3U\nb.mp3\n", {"F\\b.mp3"}},
      {"line ends of old Macs", "a.mp3\rb.mp3\r", {"F\\a.mp3", "F\\b.mp3"}},
      {"Notepad's Unicode",
       std::string("\xFF\xFE"
                   "a\0.\0m\0p\0"
                   "3\0\r\0\n\0b\0.\0m\0p\0"
                   "3\0",
                   26),
       {"F\\a.mp3", "F\\b.mp3"}},
      {"a desktop player's export",
       "C:\\Users\\me\\Music\\F\\a.mp3\r\n/home/me/Music/F/b.mp3\r\n"
       "file:///C:/Users/me/Music/F/c%2Emp3\r\nhttp://radio.example/c.mp3\r\n",
       {"F\\a.mp3", "F\\b.mp3", "F\\c.mp3"}},
      // Only the parts that name the file need the code page's characters.
      {"desktop folders outside the code page",
       "C:\\Users\\\xC5\x81ukasz\\Music\\F\\a.mp3\r\nfile:///home/%E6%9D%8E/Music/F/b.mp3\r\n",
       {"F\\a.mp3", "F\\b.mp3"}},
      {"'..' in an absolute path", "C:\\M\\..\\F\\c.mp3\n", {"F\\c.mp3"}},
      // Valid escapes only: a line holding one that is not is not decoded at all.
      {"VLC's percent-encoded names",
       "%61.mp3\nJ%C3%B3ga.mp3\n100%.mp3\na%20b%.mp3\n",
       {"F\\a.mp3", "F\\J\xF3ga.mp3"}},
      {"files that are no audio", "cover.JPG\nnotes.txt\nb.mp3\n", {"F\\b.mp3"}},
      {"end of text",
       "a.mp3\n\x1A"
       "b.mp3\n",
       {"F\\a.mp3"}},
      // Never cut short, which would name another file: skipped, as a line of control characters.
      {"zero byte", std::string("a.mp3\0junk\nb.mp3\n", 17), {"F\\b.mp3"}},
      // No playlist at all: the folder's MP3 files are its tracks.
      {"empty", "", {"F\\J\xF3ga.mp3", "F\\a b%.mp3", "F\\a.mp3", "F\\b.mp3", "F\\c.mp3"}},
      {"only comments",
       "#EXTM3U\r\n#EXTINF:1,x\r\n",
       {"F\\J\xF3ga.mp3", "F\\a b%.mp3", "F\\a.mp3", "F\\b.mp3", "F\\c.mp3"}},
      {"Windows names", "A.MP3\nb.mp3 \nB.Mp3. .\n", {"F\\A.MP3", "F\\b.mp3 ", "F\\B.Mp3. ."}},
  };
  for (const auto& c : cases) {
    TemporaryFolder library;
    make_library(library.path(), {"F/a.mp3", "F/b.mp3", "F/c.mp3", "F/J\xC3\xB3ga.mp3",
                                  "F/cover.jpg", "F/notes.txt", "F/a b%.mp3"});
    write_bytes(library.path() / "F" / c.name, c.bytes);
    RunResult result = run_eplgen({.working_folder = library.path(), .arguments = {}});
    EXPECT_EQ(result.exit_status, 0) << c.what;
    EXPECT_EQ(read_bytes(library.path() / "F/Default Playlist.epl"), playlist_of(c.tracks))
        << c.what;
  }
}

// Each M3U line is taken or not as Windows, and so the player, would find it: one expected
// playlist and log for the Linux and the Windows build.
TEST_F(FolderPass, TakesM3uLinesAsWindowsFindsThem) {
  // 259 characters as the code page holds them, though more bytes in UTF-8.
  const std::string folder(120, 'a');
  const std::string long_name = "\xC3\xA9\xC3\xA9\xC3\xA9" + std::string(131, 'b') + ".mp3";
  make_library(music, {"F/a.mp3", "F/J\xC3\xB3ga.mp3", "F/sub/b.mp3", "F/Live/02 Song.mp3",
                       "G/c.mp3", "F/x.mp3x", "F/" + folder + "/" + long_name, "F/nul.mp3",
                       "F/trail.mp3.", "F/Cafe\xCC\x81.mp3", "F/x.flac"});
  const struct {
    std::string line;
    std::string entry;  // the entry it gives, or nothing
    bool warned = false;
  } cases[] = {
      {"Bj\xF6rk.mp3", ""},                   // named in messages as the log names it
      {"zz\\..\\a.mp3", "F\\zz\\..\\a.mp3"},  // "." and ".." go as text, before any lookup
      {"..\\G\\c.mp3", "F\\..\\G\\c.mp3"},
      {"a.mp3\\", ""},  // no file ends in a separator
      {"a.mp3/", ""},
      {"sub \\b.mp3", ""},  // a blank ends only the last part
      {"sub\\b.mp3 .", "F\\sub\\b.mp3 ."},
      {"LIVE/02 SONG.MP3", "F\\LIVE/02 SONG.MP3"},
      {"J\xD3GA.mp3", "F\\J\xD3GA.mp3"},      // the code page's letters fold too
      {"J\xC3\x93GA.mp3", "F\\J\xD3GA.mp3"},  // the same in UTF-8
      {"what?.mp3", "", true},                // names no listing would take
      {"a:b.mp3", "", true},
      {"pipe|a.mp3", "", true},
      {"tab\ta.mp3", "", true},
      {"escape\x1B[2J.mp3", "", true},
      {std::string(267, 'x'), "", true},  // over-long: one warning, no pieces
      {folder + "\\" + long_name,
       "F\\" + folder + "\\\xE9\xE9\xE9" + std::string(131, 'b') + ".mp3"},
      {folder + "\\" + long_name + "x", "", true},  // 260 characters
      {"\xCE\xA3", ""},                             // under four characters: passed over
      {"X~1.MP3", ""},                              // a short name is no name of its own
      {"#EXTINF:1," + std::string(300, 'x'), ""},
      {"Jo\xCC\x81ga.mp3", "F\\J\xF3ga.mp3"},      // as iTunes for Mac writes it: composed first
      {std::string("a.mp3\0junk", 10), "", true},  // never cut short, which would name a.mp3
      // Files that are there but no player could use: each line says why.
      {"nul.mp3", "", true},
      {"trail.mp3", "", true},
      {"Caf\xC3\xA9.mp3", "", true},
      {"C:\\Users\\me\\Music\\F\\Dvo\xC5\x99\xC3\xA1k.mp3", "", true},
      // An absolute path's longest tail that names a file, two parts here; its ".." resolved
      // first, which may leave no file.
      {"C:\\Users\\me\\Music\\F\\sub\\b.mp3", "F\\sub\\b.mp3"},
      {"C:\\Users\\me\\Music\\F\\sub\\..\\b.mp3", ""},
      // Kept as the M3U asks, with one line for the M3U.
      {"x.flac", "F\\x.flac", true},
      // Control characters of UTF-8 reach no terminal raw either.
      {"next\xC2\x85line.mp3", "", true},
      {"csi\xC2\x9B"
       "2J.mp3",
       "", true},
  };
  std::string m3u;
  std::vector<std::string> entries;
  std::vector<std::string> log = {"Adding directory F", "Adding directory G",
                                  "Browsing directory F", "\tParsing M3U F\\list.m3u"};
  long warnings = 0;
  for (const auto& c : cases) {
    m3u += c.line + "\r\n";
    if (!c.entry.empty()) entries.push_back(c.entry);
    if (!c.entry.empty()) log.push_back("\tAdding " + c.entry);
    warnings += c.warned;
  }
  write_bytes(music / "F/list.m3u", m3u);
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist("F"), playlist_of(entries));
  log.insert(log.end(), {"Browsing directory G", "\tM3U file not found, adding individual files",
                         "\tAdding MP3 file G\\c.mp3"});
  EXPECT_EQ(result.out, console_log_of(log));
  // A warning each, one line for the lines that name no file, and the sum of the run.
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), warnings + 2) << result.err;
  for (const char* control : {"\x1B", "\xC2\x85", "\xC2\x9B"})
    EXPECT_EQ(result.err.find(control), std::string::npos) << "no control codes for the terminal";
  // Redirected, the Windows build writes its messages in the code page, "?" for what it lacks.
  const std::string dvorak = testing_windows_build() ? "Dvo?\xE1k" : "Dvo\xC5\x99\xC3\xA1k";
  for (const std::string& reason :
       {std::string("'nul.mp3' names 'F\\nul.mp3', which is there, but Windows, and so "
                    "the player, takes this name for a device"),
        std::string("'trail.mp3' names 'F\\trail.mp3.', which is there, but Windows, and "
                    "so the player, drops the dots and blanks"),
        std::string(", which is there, but its name is in decomposed form"),
        "code page CP1252 has no characters for 'C:\\Users\\me\\Music\\F\\" + dvorak +
            ".mp3'; CP1250 spells it: --codepage CP1250",
        std::string("'F\\list.m3u' names 1 audio file of another kind (.flac)")})
    EXPECT_NE(result.err.find(reason), std::string::npos) << reason << "\n" << result.err;
  EXPECT_NE(result.err.find(testing_windows_build() ? "Bj\xF6rk.mp3" : "Bj\xC3\xB6rk.mp3"),
            std::string::npos)
      << result.err;
}

// A folder with neither an M3U nor an MP3 file takes its subfolders' tracks, each subfolder in
// listing order by the same rule, to any depth; with -r, it takes them after its own MP3 files.
TEST_F(FolderPass, TakesTheTracksOfSubfolders) {
  make_library(music, {"Artist/Album 1/01.mp3", "Artist/Album 1/02.mp3", "Artist/Album 2/b.mp3",
                       "Artist/Album 2/a.mp3", "Artist/Album 2/CD2/c.mp3", "Artist/Empty/",
                       "Artist/Album 3/x.mp3", "Artist/Album 3/empty.m3u", "Artist/.Trashes/t.mp3",
                       "Solo/s.mp3", "Solo/Bonus/b.mp3", "Deep/1/2/3/d.mp3", "Single/s.mp3",
                       "Live/l.mp3", "Live/Bonus/Disc 1/deep.mp3"});
  write_bytes(music / "Artist/Album 1/list.m3u", "02.mp3\n01.mp3\n");
  bool links = !testing_windows_build();
  if (links) fs::create_directory_symlink("..", music / "Artist/Album 2/CD2/up");
  // Nothing is left out where the only subfolder leads back.
  if (links) fs::create_directory_symlink("..", music / "Single/Back");
  // An album met twice in one walk is taken once.
  if (links) {
    fs::create_directories(music / "Artist/More");
    fs::create_directory_symlink("../Album 1", music / "Artist/More/Again");
  }
  const std::vector<std::string> artist = {"Artist\\Album 1\\02.mp3", "Artist\\Album 1\\01.mp3",
                                           "Artist\\Album 2\\a.mp3", "Artist\\Album 2\\b.mp3"};
  const std::string album_3 = "Artist\\Album 3\\x.mp3";
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> artist;
    std::vector<std::string> solo;
    std::vector<std::string> said;  // what standard error holds, each a line or a part of one
    std::string unsaid;
  } cases[] = {
      {{},
       {artist[0], artist[1], artist[2], artist[3], album_3},
       {"Solo\\s.mp3"},
       {"eplgen: the tracks in subfolders of 'Artist\\Album 2' are left out, as it holds MP3 "
        "files of its own: --recursive (-r) takes them in too",
        "the tracks in subfolders of 'Live' are left out",
        "'Artist\\Album 3\\empty.m3u' names no track, so it is no playlist of 'Artist\\Album 3'",
        "eplgen: skipping 'Artist\\.Trashes': system and trash folders hold no albums"},
       "subfolders of 'Single'"},
      {{"-r"},
       {artist[0], artist[1], artist[2], artist[3], "Artist\\Album 2\\CD2\\c.mp3", album_3},
       {"Solo\\s.mp3", "Solo\\Bonus\\b.mp3"},
       {links ? "eplgen: skipping 'Artist\\Album 2\\CD2\\up': it leads back" : "",
        links ? "eplgen: skipping 'Artist\\More\\Again': it is another name for a folder listed "
                "before"
              : ""},
       "are left out"},
  };
  for (const auto& c : cases) {
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(playlist("Artist"), playlist_of(c.artist)) << result.out;
    EXPECT_EQ(playlist("Solo"), playlist_of(c.solo));
    EXPECT_EQ(playlist("Single"), playlist_of({"Single\\s.mp3"}));
    EXPECT_EQ(playlist("Deep"), playlist_of({"Deep\\1\\2\\3\\d.mp3"}));
    for (const std::string& said : c.said)
      EXPECT_NE(result.err.find(said), std::string::npos) << said << "\n" << result.err;
    EXPECT_EQ(result.err.find(c.unsaid), std::string::npos) << result.err;
    EXPECT_NE(result.out.find(log_of({"\tParsing M3U Artist\\Album 1\\list.m3u"})),
              std::string::npos);
    EXPECT_FALSE(fs::exists(music / "Artist/Album 1/Default Playlist.epl"));
  }
}

TEST_F(FolderPass, FindsTracksAsWindowsWouldWhateverTheirCase) {
  make_library(music, {"Rock/Live/02 Song.mp3", "Rock/Intro.mp3"});
  write_bytes(music / "Rock/list.m3u",
              "live\\02 SONG.mp3 \r\nLIVE/02 song.MP3...\r\nINTRO.mp3\r\n");
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\live\\02 SONG.mp3 ", "Rock\\LIVE/02 song.MP3...",
                                           "Rock\\INTRO.mp3"}));
}

// An M3U that gives no track is no playlist of its folder: the next one, or else the folder's
// MP3 files, give its tracks. Of several that do, one is used, and a line says which.
TEST_F(FolderPass, ChoosesOneOfSeveralM3uFiles) {
  const struct {
    std::vector<std::pair<const char*, const char*>> m3us;  // name, lines
    std::vector<std::string> tracks;                        // one of these sets
    std::vector<std::string> other_tracks = {};
    const char* err;  // what standard error holds
  } cases[] = {
      {{{"a.m3u", "a.mp3\n"}, {"b.m3u", "b.mp3\n"}},
       {"Rock\\a.mp3"},
       {"Rock\\b.mp3"},
       "eplgen: 'Rock' holds several M3U files: 'Rock\\"},
      {{{"a.m3u", ""}, {"b.m3u", "b.mp3\n"}}, {"Rock\\b.mp3"}, {}, ".m3u' is"},
      {{{"list.m3u", "a.mp3\n"}, {"list.m3u8", "b.mp3\n"}},
       {"Rock\\a.mp3"},
       {},
       "eplgen: 'Rock' holds several M3U files: 'Rock\\list.m3u' gives its tracks, "
       "'Rock\\list.m3u8' is not used"},
      {{{"list.m3u", "#EXTM3U\r\n"}, {"list.m3u8", "b.mp3\n"}},
       {"Rock\\b.mp3"},
       {},
       "eplgen: 'Rock\\list.m3u' names no track, so it is no playlist of 'Rock': 'Rock\\list.m3u8' "
       "is"},
      {{{"a.m3u", "#EXTM3U\n"}, {"b.m3u", "#EXTINF:1,x\n"}},
       {"Rock\\a.mp3", "Rock\\b.mp3"},
       {},
       " name no track, so they are no playlists of 'Rock': its tracks are taken as for a folder "
       "without one"},
  };
  for (const auto& c : cases) {
    TemporaryFolder library;
    fs::path folder = music_folder_in(library.path());
    make_library(folder, {"Rock/a.mp3", "Rock/b.mp3"});
    for (const auto& [name, lines] : c.m3us) write_bytes(folder / "Rock" / name, lines);
    RunResult result = run_eplgen({.working_folder = folder});
    EXPECT_EQ(result.exit_status, 0);
    std::string written = read_bytes(folder / "Rock/Default Playlist.epl");
    EXPECT_TRUE(written == playlist_of(c.tracks) || written == playlist_of(c.other_tracks))
        << c.err;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  }
}

TEST_F(FolderPass, FoldersAreNeverTracksOrPlaylists) {
  make_library(music, {"Rock/x.m3u/", "Rock/y.mp3/", "Rock/z.mp3", "Rock/x.mp3x", "Rock/x.m3ux"});
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out.find("Parsing M3U"), std::string::npos) << result.out;
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\z.mp3"}));
  EXPECT_FALSE(fs::exists(music / "Rock/y.mp3/Default Playlist.epl"));
}

TEST_F(FolderPass, EmptyFolderGetsAnEmptyPlaylist) {
  make_library(music, {"Empty/", "Only Playlist/", "Rock/a.mp3"});
  write_bytes(music / "Only Playlist/list.m3u", "#EXTM3U\nmissing.mp3\n");
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.out.find(log_of(
                {"Browsing directory Empty", "\tM3U file not found, adding individual files"})),
            std::string::npos);
  EXPECT_EQ(playlist("Empty"), "");
  EXPECT_TRUE(fs::exists(music / "Empty/Default Playlist.epl"));
  EXPECT_EQ(playlist("Only Playlist"), "");
}

TEST_F(FolderPass, TooLongPathsAreSkippedWithAWarning) {
  std::string folder(240, 'f');
  make_library(music, {folder + "/a.mp3", folder + "/" + std::string(30, 't') + ".mp3"});
  make_library(music, {"Rock/a.mp3"});
  write_bytes(music / "Rock/list.m3u", std::string(258, 'x') + ".mp3\na.mp3\n");
  std::string other(240, 'g');
  make_library(music, {other + "/a.mp3", other + "/b.mp3"});
  write_bytes(music / other / "list.m3u", "a.mp3\n");
  RunResult result = run();
  // Windows takes such paths too, though they pass its MAX_PATH from the working folder.
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist(folder), playlist_of({folder + "\\a.mp3"}));
  EXPECT_EQ(playlist(other), playlist_of({other + "\\a.mp3"}));
  EXPECT_NE(result.err.find("tttt.mp3"), std::string::npos) << result.err;
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\a.mp3"}));
  EXPECT_NE(result.err.find("line 1 of 'Rock\\list.m3u'"), std::string::npos) << result.err;
  // A folder whose own playlist's path would be too long: a playlist not written.
  make_library(music, {std::string(250, 'h') + "/a.mp3"});
  result = run();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find(", 1 not written;"), std::string::npos) << result.err;
}

TEST_F(FolderPass, PlaylistThatCannotBeWrittenLeavesTheOthersDone) {
  make_library(music, {"Jazz/a.mp3", "Rock/b.mp3", "Rock/Default Playlist.epl/"});
  // A dry run foresees it, and ends as the run will.
  RunResult dry_run = run({"-n"});
  EXPECT_EQ(dry_run.exit_status, 1);
  EXPECT_NE(dry_run.err.find("cannot write 'Rock\\Default Playlist.epl': a folder is in its place"),
            std::string::npos)
      << dry_run.err;
  RunResult result = run();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("Rock\\Default Playlist.epl"), std::string::npos) << result.err;
  EXPECT_EQ(playlist("."), playlist_of({"Jazz", "Rock"}));
  EXPECT_EQ(playlist("Jazz"), playlist_of({"Jazz\\a.mp3"}));
  EXPECT_EQ(result.out.find("Adding MP3 file Rock"), result.out.rfind("Adding MP3 file Rock"));
}

// Reserved names are devices in every folder on Windows, where the system gives them the
// attributes of a file and CON reads the console; on Linux they are missing files.
TEST_F(FolderPass, NeverTakesDevicesNamedInAnM3u) {
  make_library(music, {"Rock/a.mp3"});
  write_bytes(music / "Rock/list.m3u",
              "con.\nCON.mp3\nnul.mp3\nAUX.m3u\nCOM1.mp3\nlpt1.mp3\nconin$\nprn.mp3\na.mp3\n");
  RunResult result = run_eplgen({.working_folder = music, .arguments = {}, .timeout_seconds = 20});
  ASSERT_FALSE(result.timed_out) << "a device was opened";
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.err.find("8 lines name no file"), std::string::npos) << result.err;
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\a.mp3"}));
}

TEST_F(FolderPass, NeverOpensPipesNamedInAnM3u) {
  if (testing_windows_build()) GTEST_SKIP() << "named pipes are a POSIX file system's";
  make_library(music, {"Rock/a.mp3"});
  ASSERT_EQ(mkfifo((music / "Rock/pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((music / "Rock/pipe.m3u").c_str(), 0644), 0);
  write_bytes(music / "Rock/list.m3u", "pipe.mp3\n/dev/zero\n../../../../../../dev/zero\na.mp3\n");
  RunResult result = run_eplgen({.working_folder = music, .arguments = {}, .timeout_seconds = 20});
  ASSERT_FALSE(result.timed_out) << "a pipe was opened";
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(playlist("Rock"), playlist_of({"Rock\\a.mp3"}));
}

}  // namespace
