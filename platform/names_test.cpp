#include "platform/names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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
    int order = compare_windows_names(c.left, c.right);
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

TEST(Names, PathsResolveAsWindowsResolvesThem) {
  const struct {
    const char* written;
    const char* resolved;  // nullptr: no file there
  } cases[] = {
      {"zz\\..\\a.mp3", "a.mp3"},
      {"..\\..\\Jazz/x.mp3", "..\\..\\Jazz\\x.mp3"},
      {".\\Live\\.\\02 Song.mp3. . ", "Live\\02 Song.mp3"},
      {"sub \\b.mp3", "sub \\b.mp3"},  // a middle part keeps its blank
      {"sub.\\b.mp3", "sub\\b.mp3"},   // and loses one trailing dot
      {"a.mp3\\", nullptr},
      {"a.mp3/", nullptr},
  };
  for (const auto& c : cases) {
    std::optional<std::string> resolved = windows_path(c.written);
    EXPECT_EQ(resolved.value_or("(none)"), c.resolved != nullptr ? c.resolved : "(none)")
        << c.written;
  }
}

TEST(Names, ListingOrderFoldsAsciiThenBreaksTiesByBytes) {
  EXPECT_TRUE(listing_order(".cache", "Alpha"));
  EXPECT_TRUE(listing_order("Alpha", "alpha"));
  EXPECT_TRUE(listing_order("alpha", "B"));
  EXPECT_TRUE(listing_order("beta", "Zed"));
  EXPECT_TRUE(listing_order("Zed", "_x"));
  EXPECT_FALSE(listing_order("_x", "Zed"));
  EXPECT_FALSE(listing_order("same", "same"));
}

}  // namespace
