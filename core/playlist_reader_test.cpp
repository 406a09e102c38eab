#include "core/playlist_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/playlist_entry.h"

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

const std::string kRock = record("a:\\Music\\Rock");  // 13 characters, terminator at 337
const std::string kTwo = kRock + record("a:\\Music\\\xC9t\xE9");

TEST(ReadPlaylist, DecodesEntriesUpToTheFirstFault) {
  const std::vector<std::string> rock = {"a:\\Music\\Rock"};
  const std::vector<std::string> both = {"a:\\Music\\Rock", "a:\\Music\\\xC9t\xE9"};
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> device_paths;
    std::optional<std::size_t> fault_offset;
  } cases[] = {
      {"empty file", "", {}, std::nullopt},
      {"two entries", kTwo, both, std::nullopt},
      {"path filling the field",
       record(std::string(391, 'x')),
       {std::string(391, 'x')},
       std::nullopt},
      {"too short for one entry", kRock.substr(0, 715), {}, 0},
      {"trailing bytes", kTwo + "\xBE\xBA", both, 1432},
      {"header byte of the second entry", with_byte(kTwo, 716 + 4, '\0'), rock, 720},
      {"byte between header and path", with_byte(kTwo, 716 + 323, '\x01'), rock, 1039},
      {"byte after the terminator", with_byte(kTwo, 338, 'x'), {}, 338},
      {"no terminator", record(std::string(392, 'x')) + kRock, {}, 715},
  };
  for (const auto& c : cases) {
    PlaylistContents contents = read_playlist(c.bytes);
    EXPECT_EQ(contents.device_paths, c.device_paths) << c.name;
    std::optional<std::size_t> fault_offset;
    if (contents.fault) fault_offset = contents.fault->offset;
    EXPECT_EQ(fault_offset, c.fault_offset) << c.name;
  }
}

TEST(ReadPlaylist, FindsAnyWrongByteOutsideTheDevicePathAtItsOffset) {
  for (std::size_t offset = 0; offset < kEntrySize; ++offset) {
    // The path and its terminator may become any byte but zero and stay well-formed.
    if (offset >= kDevicePathOffset && offset <= kDevicePathOffset + 13) continue;
    std::string damaged = with_byte(kRock, offset, static_cast<char>(kRock[offset] ^ 0x40));
    PlaylistContents contents = read_playlist(kRock + damaged);
    ASSERT_TRUE(contents.fault) << offset;
    EXPECT_EQ(contents.fault->offset, kEntrySize + offset);
  }
}

}  // namespace
