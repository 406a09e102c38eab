#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

void collect(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->push_back(name);
}

std::vector<std::string> sorted_listing(const std::string& folder, const char* pattern,
                                        EntryKind kind, bool listed = true) {
  std::vector<std::string> names;
  std::string reason;
  EXPECT_EQ(file_system().enumerate_entries(&names, folder.c_str(), pattern, kind, collect, reason),
            listed)
      << folder;
  EXPECT_EQ(reason.empty(), listed) << reason;
  std::sort(names.begin(), names.end());
  return names;
}

class Listing : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Music/Rock", "Music/.cache", "Music/Jazz.mp3"})
      fs::create_directories(root.path() / folder);
    // x.mp3x and list.m3u8 have the short names X~1.MP3 and LIST~1.M3U on Windows.
    for (const char* file :
         {"Music/a.mp3", "Music/Track.MP3", "Music/list.m3u", "Music/notes.txt", "Music/x.mp3x",
          "Music/list.m3u8", "Music/Default Playlist.epl", "Music/x.mp3.mp3", "Music/.mp3",
          "Music/x.mp", "Music/mp3", "Music/Other.M3U", "Music/Default Playlist.epl.tmp"})
      std::ofstream(root.path() / file).put('x');
  }
  TemporaryFolder root;
  std::string music = (root.path() / "Music").string();
};

TEST_F(Listing, MatchesPatternsAndAttributes) {
  const struct {
    const char* pattern;
    EntryKind kind;
    std::vector<std::string> expected;
  } cases[] = {
      {"*", EntryKind::directories, {".cache", "Jazz.mp3", "Rock"}},
      {"*.mp3", EntryKind::files, {".mp3", "Track.MP3", "a.mp3", "x.mp3.mp3"}},
      {"*.m3u", EntryKind::files, {"Other.M3U", "list.m3u"}},
      {"*.mp3", EntryKind::directories, {"Jazz.mp3"}},
      {"*.ogg", EntryKind::files, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sorted_listing(music, c.pattern, c.kind), c.expected) << c.pattern;
}

TEST_F(Listing, FolderThatCannotBeListedIsAFailure) {
  EXPECT_TRUE(sorted_listing(music + "/Nowhere", "*", EntryKind::files, false).empty());
  EXPECT_TRUE(sorted_listing(music + "/notes.txt", "*", EntryKind::files, false).empty());
}

TEST_F(Listing, PassesTheFolderTextThrough) {
  std::vector<std::string> folders;
  std::string reason;
  file_system().enumerate_entries(
      &folders, music.c_str(), "*.m3u", EntryKind::files,
      [](void* context, const char* folder, const char*) {
        static_cast<std::vector<std::string>*>(context)->push_back(folder);
      },
      reason);
  EXPECT_EQ(folders, (std::vector<std::string>{music, music}));
}

TEST_F(Listing, OpensOnlyRegularFiles) {
  const struct {
    std::string path;
    bool regular;
  } cases[] = {
      {music + "\\a.mp3", true},
      {music + "\\Rock", false},
      {music + "\\Jazz.mp3", false},
      {music + "\\missing.mp3", false},
  };
  for (const auto& c : cases) {
    FileStatus status;
    std::string reason;
    ASSERT_TRUE(file_system().status_of(c.path.c_str(), status, reason)) << reason;
    EXPECT_EQ(status.kind == FileStatus::Kind::regular_file, c.regular) << c.path;
    std::unique_ptr<ReadableFile> file = file_system().open_file(c.path.c_str(), reason);
    EXPECT_EQ(file != nullptr, c.regular) << c.path;
    if (file != nullptr) {
      char buffer[4];
      std::size_t count = 0;
      EXPECT_TRUE(file->read(buffer, sizeof buffer, count, reason));
      EXPECT_EQ(std::string(buffer, count), "x") << c.path;
    } else {
      EXPECT_NE(reason, "") << c.path;
    }
  }
}

TEST_F(Listing, ReplacesFilesButNotFolders) {
  const struct {
    const char* target;
    bool replaced;
  } cases[] = {
      {"new.epl", true},
      {"notes.txt", true},
      {"Rock", false},
  };
  std::string source = music + "\\source.tmp";
  for (const auto& c : cases) {
    std::ofstream(root.path() / "Music" / "source.tmp") << "new";
    std::string target = music + "\\" + c.target;
    std::string reason;
    ASSERT_EQ(file_system().replace_file(source.c_str(), target.c_str(), reason), c.replaced)
        << c.target;
    if (c.replaced) {
      std::ifstream in(root.path() / "Music" / c.target);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new") << c.target;
    } else {
      EXPECT_NE(reason, "") << c.target;
      EXPECT_TRUE(fs::is_directory(root.path() / "Music" / c.target)) << c.target;
      EXPECT_TRUE(file_system().remove_file(source.c_str(), reason)) << reason;
    }
    EXPECT_FALSE(fs::exists(root.path() / "Music" / "source.tmp")) << c.target;
  }
}

}  // namespace
