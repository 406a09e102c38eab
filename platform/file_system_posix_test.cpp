#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/process.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

void collect(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->push_back(name);
}

class PosixListing : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_platform_state();
    previous = fs::current_path();
    fs::current_path(root.path());
  }
  void TearDown() override { fs::current_path(previous); }
  TemporaryFolder root;
  fs::path previous;
};

TEST_F(PosixListing, DeliversAFixedOrderWhateverTheFileSystem) {
  for (const char* name : {"Zed", "_x", "beta", ".cache", "Alpha", "alpha", "B"})
    fs::create_directory(name);
  std::vector<std::string> names;
  std::string reason;
  file_system().enumerate_entries(&names, ".\\", "*", EntryKind::directories, collect, reason);
  // "alpha" reads the same to the player as "Alpha", which comes first.
  EXPECT_EQ(names, (std::vector<std::string>{".cache", "Alpha", "B", "beta", "Zed", "_x"}));
}

TEST_F(PosixListing, FollowsSymbolicLinksAndBackslashes) {
  fs::create_directories("Music/Real");
  std::ofstream("Music/Real/a.mp3").put('x');
  fs::create_directory_symlink("Real", "Music/Linked");
  fs::create_symlink("Real/a.mp3", "Music/link.mp3");
  fs::create_symlink("missing", "Music/dangling.mp3");

  std::vector<std::string> folders;
  std::string reason;
  file_system().enumerate_entries(&folders, "Music", "*", EntryKind::directories, collect, reason);
  EXPECT_EQ(folders, (std::vector<std::string>{"Linked", "Real"}));

  std::vector<std::string> tracks;
  file_system().enumerate_entries(&tracks, "Music\\Linked", "*.mp3", EntryKind::files, collect,
                                  reason);
  EXPECT_EQ(tracks, std::vector<std::string>{"a.mp3"});
}

TEST_F(PosixListing, GivesNamesInTheCodePageAndFindsThemAgain) {
  const struct {
    const char* file_name;     // as on disk
    const char* program_text;  // as delivered; nullptr when skipped
  } cases[] = {
      {"Bj\xC3\xB6rk.mp3", "Bj\xF6rk.mp3"}, {"\xC5\x92uvre.mp3", "\x8Cuvre.mp3"},
      {"\xE2\x82\xAC.mp3", "\x80.mp3"},  // the euro sign
      {"Caf\xE9.mp3", "Caf\xE9.mp3"},    // not UTF-8: taken as it is
      {"\xE6\x97\xA5.mp3", nullptr},     // no such character in Windows-1252
  };
  fs::create_directory("F");
  for (const auto& c : cases) std::ofstream(std::string("F/") + c.file_name).put('x');
  std::vector<std::string> names;
  std::string reason;
  file_system().enumerate_entries(&names, "F", "*.mp3", EntryKind::files, collect, reason);
  for (const auto& c : cases) {
    if (c.program_text == nullptr) continue;
    EXPECT_NE(std::find(names.begin(), names.end(), c.program_text), names.end()) << c.file_name;
    FileStatus status;
    file_system().status_of((std::string("F\\") + c.program_text).c_str(), status, reason);
    EXPECT_EQ(status.kind, FileStatus::Kind::regular_file) << c.file_name;
  }
  EXPECT_EQ(names.size(), 4u);
}

}  // namespace
