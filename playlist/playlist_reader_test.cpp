#include "playlist/playlist_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "playlist/playlist_entry.h"

namespace {

// One well-formed record, spelled out independently of the encoder.
std::string record(const std::string& device_path) {
  std::string bytes("\xBE\xBA\x02\x00\x01", 5);
  bytes.append(319, '\0');
  bytes += device_path;
  bytes.resize(716, '\0');
  return bytes;
}

std::string with_byte(std::string bytes, std::size_t offset, char value) {
  bytes[offset] = value;
  return bytes;
}

const std::string kRock = record("a:\\Music\\Rock");
const std::string kJazz = record("a:\\Music\\Jazz\\\xC9t\xE9.mp3");
const std::string kTwo = kRock + kJazz;

TEST(ReadPlaylist, DecodesEntriesUpToTheFirstFault) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> device_paths;
    std::optional<std::size_t> fault_offset;
  } cases[] = {
      {"empty file", "", {}, std::nullopt},
      {"two entries", kTwo, {"a:\\Music\\Rock", "a:\\Music\\Jazz\\\xC9t\xE9.mp3"}, std::nullopt},
      {"path filling the field", record(std::string(391, 'x')), {std::string(391, 'x')},
       std::nullopt},
      {"empty path", record(""), {""}, std::nullopt},
      {"too short for one entry", kRock.substr(0, 715), {}, 0},
      {"trailing bytes", kTwo + "\xBE\xBA", {"a:\\Music\\Rock", "a:\\Music\\Jazz\\\xC9t\xE9.mp3"},
       1432},
      {"first header byte", with_byte(kTwo, 0, '\xBF'), {}, 0},
      {"last header byte of the second entry", with_byte(kTwo, 716 + 4, '\0'),
       {"a:\\Music\\Rock"}, 720},
      {"byte after the header", with_byte(kTwo, 5, 'x'), {}, 5},
      {"byte before the device path", with_byte(kTwo, 716 + 323, '\x01'), {"a:\\Music\\Rock"},
       1039},
      {"byte after the terminator", with_byte(kTwo, 324 + 14, 'x'), {}, 338},
      {"last byte of the entry", with_byte(kTwo, 715, 'x'), {}, 715},
      {"no terminator", record(std::string(392, 'x')) + kRock, {}, 715},
      {"fault in the second entry hides a third", with_byte(kTwo, 716 + 5, 'x') + kRock,
       {"a:\\Music\\Rock"}, 721},
  };
  for (const auto& c : cases) {
    PlaylistContents contents = read_playlist(c.bytes);
    EXPECT_EQ(contents.device_paths, c.device_paths) << c.name;
    ASSERT_EQ(contents.fault.has_value(), c.fault_offset.has_value()) << c.name;
    if (c.fault_offset) {
      EXPECT_EQ(contents.fault->offset, *c.fault_offset) << c.name;
      EXPECT_FALSE(contents.fault->description.empty()) << c.name;
    }
  }
}

TEST(ReadPlaylist, FindsAnyByteOutsideTheDevicePathAtItsOffset) {
  for (std::size_t offset = 0; offset < kEntrySize; ++offset) {
    // The path's 13 characters and its terminator may be any byte but zero.
    if (offset >= kDevicePathOffset && offset <= kDevicePathOffset + 13) continue;
    std::string damaged = with_byte(kRock, offset, static_cast<char>(kRock[offset] ^ 0x40));
    PlaylistContents contents = read_playlist(kJazz + damaged);
    ASSERT_TRUE(contents.fault) << offset;
    EXPECT_EQ(contents.fault->offset, kEntrySize + offset);
  }
}

TEST(ReadPlaylist, ReadsBackWhatTheWriterEncodes) {
  for (const std::string relative_path : {"Rock", "Rock\\Live\\01 Intro.mp3", "\x7F\xFF/x"}) {
    PlaylistEntry entry;
    ASSERT_TRUE(encode_entry(relative_path, entry));
    PlaylistContents contents = read_playlist(std::string(entry.begin(), entry.end()));
    EXPECT_FALSE(contents.fault) << relative_path;
    EXPECT_EQ(contents.device_paths, std::vector<std::string>{"a:\\Music\\" + relative_path});
  }
}

TEST(ReadPlaylist, AnswersArbitraryBytes) {
  // Damaged playlists are mostly valid bytes with a few wrong ones; random ones are rarer.
  std::mt19937 random(716);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = round % 2 == 0 ? kTwo : std::string(random() % 2000, '\0');
    for (int flips = random() % 4; flips >= 0 && !bytes.empty(); --flips)
      bytes[random() % bytes.size()] = static_cast<char>(random());
    bytes.resize(random() % (bytes.size() + 1));
    PlaylistContents contents = read_playlist(bytes);
    if (contents.fault) {
      EXPECT_LT(contents.fault->offset, bytes.size());
    }
    EXPECT_LE(contents.device_paths.size() * kEntrySize, bytes.size());
  }
}

}  // namespace
