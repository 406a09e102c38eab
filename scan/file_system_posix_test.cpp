#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scan/file_system.h"
#include "tests/support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

void collect(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->push_back(name);
}

class PosixListing : public ::testing::Test {
 protected:
  void SetUp() override {
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
  enumerate_entries(&names, ".\\", "*", EntryKind::directories, collect);
  EXPECT_EQ(names, (std::vector<std::string>{".cache", "Alpha", "alpha", "B", "beta", "Zed", "_x"}));
}

TEST_F(PosixListing, FollowsSymbolicLinksAndBackslashes) {
  fs::create_directories("Music/Real");
  std::ofstream("Music/Real/a.mp3").put('x');
  fs::create_directory_symlink("Real", "Music/Linked");
  fs::create_symlink("Real/a.mp3", "Music/link.mp3");
  fs::create_symlink("missing", "Music/dangling.mp3");

  std::vector<std::string> folders;
  enumerate_entries(&folders, "Music", "*", EntryKind::directories, collect);
  EXPECT_EQ(folders, (std::vector<std::string>{"Linked", "Real"}));

  std::vector<std::string> tracks;
  enumerate_entries(&tracks, "Music\\Linked", "*.mp3", EntryKind::files, collect);
  EXPECT_EQ(tracks, std::vector<std::string>{"a.mp3"});
}

}  // namespace
