#include "platform/names.h"

#include <gtest/gtest.h>

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
      {"02 Song.mp3 . ", "02 SONG.MP3", 0},
      {"live", "LIVE.", 0},
      {"\xE9t\xE9", "\xE9T\xE9", 0},
      {"\xE9t\xE9", "\xC9t\xE9", 1},  // only ASCII letters fold
      {" . ", "", 0},
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
