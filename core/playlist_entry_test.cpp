#include "core/playlist_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string bytes_of(const PlaylistEntry& entry) { return std::string(entry.begin(), entry.end()); }

// The record spelled out independently of the encoder: header, zeros, path, zeros.
std::string expected_record(const std::string& device_path) {
  std::string record("\xBE\xBA\x02\x00\x01", 5);
  record.append(319, '\0');
  record += device_path;
  record.append(716 - record.size(), '\0');
  return record;
}

TEST(EncodeEntry, BuildsTheRecordForEachRelativePath) {
  const struct {
    std::string relative_path;
    std::string device_path;
  } cases[] = {
      {"Rock", "a:\\Music\\Rock"},
      {"Rock\\Track 01.mp3", "a:\\Music\\Rock\\Track 01.mp3"},
      {"Rock\\..\\Jazz/x.mp3", "a:\\Music\\Rock\\..\\Jazz/x.mp3"},
      {"Bj\xF6rk\\\xC9t\xE9.mp3", "a:\\Music\\Bj\xF6rk\\\xC9t\xE9.mp3"},
  };
  for (const auto& c : cases) {
    PlaylistEntry entry;
    ASSERT_TRUE(encode_entry(c.relative_path, entry)) << c.relative_path;
    EXPECT_EQ(bytes_of(entry), expected_record(c.device_path)) << c.relative_path;
  }
}

TEST(EncodeEntry, RefusesAPathThatDoesNotFitTheField) {
  PlaylistEntry entry;
  std::string longest(382, 'x');
  ASSERT_TRUE(encode_entry(longest, entry));
  EXPECT_EQ(entry[kEntrySize - 2], 'x');
  EXPECT_EQ(entry[kEntrySize - 1], 0) << "the terminator stays inside the record";
  EXPECT_FALSE(encode_entry(longest + 'x', entry));
}

}  // namespace
