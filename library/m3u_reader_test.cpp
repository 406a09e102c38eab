#include "library/m3u_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

class BytesFile : public ReadableFile {
 public:
  explicit BytesFile(std::string_view bytes) : bytes_(bytes) {}
  bool read(char* buffer, std::size_t size, std::size_t& count, DeviceError& /*error*/) override {
    count = bytes_.copy(buffer, size);
    bytes_.remove_prefix(count);
    return true;
  }
  bool read_only() const override { return false; }

 private:
  std::string_view bytes_;
};

std::vector<std::string> lines_of(const std::string& bytes) {
  BytesFile file(bytes);
  M3uReader reader;
  reader.file = &file;
  std::vector<std::string> lines;
  std::string line;
  // "..." marks a line cut short: an over-long one.
  while (read_m3u_line(reader, line)) lines.push_back(line + (reader.over_long ? "..." : ""));
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ReadM3uLine, ReadsAsWindowsTextModeDoes) {
  const std::string long_line(1600, 'x');
  const struct {
    const char* what;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"CR LF", "a.mp3\r\nb.mp3\r\n", {"a.mp3", "b.mp3"}},
      {"LF", "a.mp3\nb.mp3\n", {"a.mp3", "b.mp3"}},
      {"no final line feed", "a.mp3\r\nb.mp3", {"a.mp3", "b.mp3"}},
      {"CR alone ends a line", "a\rb.mp3\r\n", {"a", "b.mp3"}},
      {"CR CR LF", "a.mp3\r\r\n", {"a.mp3", ""}},
      {"CR at the end", "a.mp3\r", {"a.mp3"}},
      {"0x1A ends the file",
       "a.mp3\n\x1A"
       "b.mp3\n",
       {"a.mp3"}},
      {"0x1A inside a line",
       "a.mp\x1A"
       "3\n",
       {"a.mp"}},
      {"CR before 0x1A", "a.mp3\r\x1A\n", {"a.mp3"}},
      {"zero byte kept for the caller", std::string("a\0b.mp3\n", 8), {std::string("a\0b.mp3", 7)}},
      {"empty lines", "\n\r\n\n", {"", "", ""}},
      {"empty file", "", {}},
      {"over-long line read past whole",
       long_line + "\nb.mp3",
       {long_line.substr(0, 1036) + "...", "b.mp3"}},
      {"1036 bytes are a line", std::string(1036, 'x') + "\r\nz", {std::string(1036, 'x'), "z"}},
      {"1037 are over-long", std::string(1037, 'x') + "\n", {std::string(1036, 'x') + "..."}},
      {"CR-only file, as old Macs wrote", "a.mp3\rb.mp3\r", {"a.mp3", "b.mp3"}},
      {"UTF-16, little-endian",
       std::string("\xFF\xFE"
                   "a\0.\0m\0p\0"
                   "3\0\r\0\n\0J\0\xF3\0g\0"
                   "a\0\r\0",
                   26),
       {"a.mp3", "J\xC3\xB3ga"}},
      {"UTF-16, big-endian, beyond the first plane",
       std::string("\xFE\xFF\0x\xD8\x3C\xDF\xB5\0\n\0y", 12),
       {"x\xF0\x9F\x8E\xB5", "y"}},
      {"byte-order mark dropped at the start", "\xEF\xBB\xBF#EXTM3U\n", {"#EXTM3U"}},
      {"byte-order mark alone", "\xEF\xBB\xBF", {}},
      {"byte-order mark kept elsewhere",
       "a.mp3\n\xEF\xBB\xBF"
       "b.mp3\n",
       {"a.mp3",
        "\xEF\xBB\xBF"
        "b.mp3"}},
      {"half a byte-order mark kept",
       "\xEF\xBB"
       "a.mp3",
       {"\xEF\xBB"
        "a.mp3"}},
  };
  for (const auto& c : cases) EXPECT_EQ(lines_of(c.bytes), c.lines) << c.what;
}

TEST(ReadM3uLine, CarriageReturnAndLineFeedAcrossReads) {
  // The pair straddles the reader's internal buffer boundary.
  std::string bytes;
  while (bytes.size() < 64 * 1024 - 1) bytes += "x.mp3\n";
  bytes.resize(64 * 1024 - 1);
  bytes += "\r\nlast.mp3";
  Lines lines = lines_of(bytes);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_FALSE(lines[lines.size() - 2].ends_with('\r')) << lines[lines.size() - 2];
  EXPECT_EQ(lines.back(), "last.mp3");
}

}  // namespace
