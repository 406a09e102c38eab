#include "core/names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "tests/support/code_pages.h"

namespace {

TEST(Names, RecognisesUtf8) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"plain", true},
      {"Bj\xC3\xB6rk", true},
      {"\xE6\x97\xA5\xE6\x9C\xAC", true},
      {"\xF0\x9F\x8E\xB5 note", true},
      {"Bj\xF6rk", false},          // Windows-1252
      {"\xC3", false},              // cut short
      {"\xC0\xAF", false},          // overlong
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
      {"\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_valid_utf8(c.text), c.valid) << c.text;
}

TEST(Names, KeysCompareAsWindowsCompares) {
  const struct {
    const char* left;
    const char* right;
    int order;
  } cases[] = {
      {"02 Song.mp3", "02 SONG.MP3", 0},
      {"live", "LIVE.", -1},          // trailing dots are the path's business, not the name's
      {"\xE9t\xE9", "\xC9T\xC9", 0},  // the code page's letters fold: e acute and E acute
      {"\xFF", "\x9F", 0},            // y and Y with diaeresis, 0x9F in Windows-1252
      {"\xDF", "SS", 1},              // sharp s has no upper case of its own
      {"a.mp3", "a.mp3x", -1},
      {"A", "_", -1},  // folded to upper case: 'A' (0x41) before '_' (0x5F)
  };
  for (const auto& c : cases) {
    int order = compare_player_names(cp1252(), c.left, c.right);
    EXPECT_EQ((order > 0) - (order < 0), c.order) << c.left << " : " << c.right;
  }
}

TEST(Names, PortableNames) {
  for (const char* name : {"Track 01.mp3", "AC-DC", "Bj\xF6rk", "[live] (2001)", ".hidden"})
    EXPECT_TRUE(is_portable_name(name)) << name;
  for (const char* name :
       {"a\nb", "a\tb", "back\\slash", "AC/DC?", "a:b", "x*", "<>", "a|b", "\"q\""})
    EXPECT_FALSE(is_portable_name(name)) << name;
}

// Parts from the player's root, a:\, where the music folder is a:\Music; of an absolute path, from
// below its root. One canonicaliser for both.
TEST(Names, PathsResolveAsWindowsResolvesThem) {
  std::string climbs;
  for (int i = 0; i < 40; ++i) climbs += "..\\";
  const struct {
    std::string written;   // relative to the music folder
    const char* resolved;  // nullptr: no file there
  } cases[] = {
      {"zz\\..\\a.mp3", "Music\\a.mp3"},
      {"..\\..\\Jazz/x.mp3", "Jazz\\x.mp3"},  // the player's root is the top
      {climbs + "tmp\\x.mp3", "tmp\\x.mp3"},
      {"Rock\\..\\..\\MUSIC\\Jazz\\x.mp3", "MUSIC\\Jazz\\x.mp3"},
      {".\\Live\\.\\02 Song.mp3. . ", "Music\\Live\\02 Song.mp3"},
      {"sub \\b.mp3", "Music\\sub \\b.mp3"},  // a middle part keeps its blank
      {"sub.\\b.mp3", "Music\\sub\\b.mp3"},   // and loses one trailing dot
      {"Default Playlist.epl\\.", "Music\\Default Playlist.epl"},
      {"a.mp3\\", nullptr},
      {"a.mp3/", nullptr},
      // Absolute paths, as desktop players write them, never climb above their root.
      {"C:\\Users\\me\\Music\\F\\a.mp3", "Users\\me\\Music\\F\\a.mp3"},
      {"C:\\M\\..\\F\\c.mp3", "F\\c.mp3"},
      {"C:\\..\\..\\F\\c.mp3. ", "F\\c.mp3"},
      {"\\\\server\\share\\..\\..\\F\\b.mp3", "F\\b.mp3"},
      {"/home/me/Music/./F/sub/../a.mp3", "home\\me\\Music\\F\\a.mp3"},
      {"C:\\Music\\F\\", nullptr},
      {"\\\\server", nullptr},
  };
  for (const auto& c : cases) {
    std::optional<std::vector<std::string_view>> parts =
        is_absolute_path(c.written) ? absolute_path_parts(c.written) : player_path_parts(c.written);
    std::string resolved = parts ? "" : "(none)";
    for (std::string_view part : parts.value_or(std::vector<std::string_view>()))
      resolved.append(resolved.empty() ? "" : "\\").append(part);
    EXPECT_EQ(resolved, c.resolved != nullptr ? c.resolved : "(none)") << c.written;
  }
}

// Canonical composition, as Unicode's own tests give it.
TEST(Names, ComposesAsUnicodeDoes) {
  const struct {
    const char* written;
    const char* composed;
  } cases[] = {
      {"Jo\xCC\x81ga.mp3", "J\xC3\xB3ga.mp3"},  // o and an acute: o acute
      {"J\xC3\xB3ga.mp3", "J\xC3\xB3ga.mp3"},   // composed already
      {"Bjo\xCC\x88rk Sigur Ro\xCC\x81s", "Bj\xC3\xB6rk Sigur R\xC3\xB3s"},
      {"a\xCC\xA3\xCC\x82", "\xE1\xBA\xAD"},  // dot below and circumflex, in order
      {"a\xCC\x82\xCC\xA3", "\xE1\xBA\xAD"},  // in the other order
      {"\xE2\x84\xAB", "\xC3\x85"},           // the Angstrom sign is A with ring
      {"\xE0\xA4\x95\xE0\xA4\xBC", "\xE0\xA4\x95\xE0\xA4\xBC"},  // excluded: ka and nukta stay
      {"\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB", "\xED\x95\x9C"},  // Hangul jamo: han
      {"\xCC\x81"
       "e",
       "\xCC\x81"
       "e"},  // an accent before any letter stays
      {"plain ASCII.mp3", "plain ASCII.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(composed(c.written), c.composed) << c.written;
}

// --natural: numbers by their value, all else as byte order, which breaks ties.
TEST(Names, NaturalOrderComparesNumbersByValue) {
  const struct {
    const char* left;
    const char* right;
    int order;
  } cases[] = {
      {"Track 2.mp3", "Track 10.mp3", -1},
      {"Track 9.mp3", "Track 10.mp3", -1},
      {"Track 01.mp3", "Track 1.mp3", -1},  // the same number: byte order
      {"Track 002.mp3", "Track 10.mp3", -1},
      {"a2b10", "a2b9", 1},
      {"B.mp3", "a.mp3", -1},                                 // the rest as byte order
      {"Track 10.mp3", "Track 10", 1},                        // a prefix first
      {"99999999999999999999", "100000000000000000000", -1},  // beyond any integer
      {"Disc 1", "Disc 1", 0},
  };
  for (const auto& c : cases) {
    int order = compare_naturally(c.left, c.right);
    EXPECT_EQ((order > 0) - (order < 0), c.order) << c.left << " : " << c.right;
    EXPECT_EQ(compare_naturally(c.right, c.left), -c.order) << c.right << " : " << c.left;
  }
}

TEST(Names, ListingOrderFoldsAsciiThenBreaksTiesByBytes) {
  const CodePage& code_page = cp1252();
  EXPECT_TRUE(listing_order(code_page, ".cache", "Alpha"));
  EXPECT_TRUE(listing_order(code_page, "Alpha", "alpha"));
  EXPECT_TRUE(listing_order(code_page, "alpha", "B"));
  EXPECT_TRUE(listing_order(code_page, "beta", "Zed"));
  EXPECT_TRUE(listing_order(code_page, "Zed", "_x"));
  EXPECT_FALSE(listing_order(code_page, "_x", "Zed"));
  EXPECT_FALSE(listing_order(code_page, "same", "same"));
}

}  // namespace
