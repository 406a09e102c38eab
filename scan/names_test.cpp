#include "scan/names.h"

#include <gtest/gtest.h>

namespace {

TEST(MatchesPattern, KeepsOnlyLongNamesThatMatch) {
  const struct {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"a.mp3", "*.mp3", true},
      {"Track.MP3", "*.mp3", true},
      {".mp3", "*.mp3", true},
      {"x.mp3.mp3", "*.mp3", true},
      {"x.mp3x", "*.mp3", false},
      {"x.mp", "*.mp3", false},
      {"mp3", "*.mp3", false},
      {"a.mp3 ", "*.mp3", false},
      {"list.m3u8", "*.m3u", false},
      {"LIST.M3U", "*.m3u", true},
      {"Default Playlist.epl", "*.mp3", false},
      {"Default Playlist.epl.tmp", "*.m3u", false},
      {"\xC9T\xC9.mp3", "*.mp3", true},
      {"x.MP\xB3", "*.mp3", false},
      {".cache", "*", true},
      {"", "*", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(matches_pattern(c.name, c.pattern), c.matches) << c.name << " against " << c.pattern;
}

}  // namespace
