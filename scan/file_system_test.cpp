#include "scan/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

void collect(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->push_back(name);
}

std::vector<std::string> sorted_listing(const std::string& folder, const char* pattern,
                                        std::uint32_t mask) {
  std::vector<std::string> names;
  enumerate_entries(&names, folder.c_str(), pattern, mask, collect);
  std::sort(names.begin(), names.end());
  return names;
}

class Listing : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Music/Rock", "Music/.cache", "Music/Jazz.mp3"})
      fs::create_directories(root.path() / folder);
    for (const char* file : {"Music/a.mp3", "Music/Track.MP3", "Music/list.m3u", "Music/notes.txt",
                             "Music/x.mp3x", "Music/Default Playlist.epl"})
      std::ofstream(root.path() / file).put('x');
  }
  TemporaryFolder root;
  std::string music = (root.path() / "Music").string();
};

TEST_F(Listing, MatchesPatternsAndAttributes) {
  const struct {
    const char* pattern;
    std::uint32_t mask;
    std::vector<std::string> expected;
  } cases[] = {
      {"*", kDirectoryAttribute, {".cache", "Jazz.mp3", "Rock"}},
      {"*.mp3", kAnyEntry, {"Jazz.mp3", "Track.MP3", "a.mp3"}},
      {"*.m3u", kAnyEntry, {"list.m3u"}},
      {"*.mp3", kDirectoryAttribute, {"Jazz.mp3"}},
      {"*.ogg", kAnyEntry, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sorted_listing(music, c.pattern, c.mask), c.expected) << c.pattern;
}

TEST_F(Listing, MissingFolderYieldsNothing) {
  EXPECT_TRUE(sorted_listing(music + "/Nowhere", "*", kAnyEntry).empty());
  EXPECT_TRUE(sorted_listing(music + "/notes.txt", "*", kAnyEntry).empty());
}

TEST_F(Listing, PassesTheFolderTextThrough) {
  std::vector<std::string> folders;
  enumerate_entries(
      &folders, music.c_str(), "*.m3u", kAnyEntry,
      [](void* context, const char* folder, const char*) {
        static_cast<std::vector<std::string>*>(context)->push_back(folder);
      });
  EXPECT_EQ(folders, std::vector<std::string>{music});
}

}  // namespace
