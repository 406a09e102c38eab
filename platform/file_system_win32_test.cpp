#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/temporary_folder.h"

namespace {

void collect(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->push_back(name);
}

// Reserved names are devices in every folder; the system reports attributes for them as if they
// were files, and opening CON would read the console. Windows 11 no longer takes a reserved name
// with an extension for a device: there such a file simply does not exist here.
TEST(Win32Files, DeviceNamesAreNeverRegularFiles) {
  TemporaryFolder root;
  std::string folder = root.path().string();
  const struct {
    const char* name;
    bool device_everywhere;  // on every Windows, not only on some
  } cases[] = {
      {"con", true},      {"NUL", true},       {"prn", true},       {"CON.mp3", false},
      {"nul.mp3", false}, {"COM1.mp3", false}, {"lpt1.m3u", false}, {"aux.mp3", false},
      {"conin$", false},  {"CONOUT$", false},
  };
  for (const auto& c : cases) {
    for (const std::string& path : {std::string(c.name), folder + "\\" + c.name}) {
      FileStatus status;
      std::string reason;
      EXPECT_TRUE(file_system().look_up(path.c_str(), status, reason)) << reason;
      EXPECT_NE(status.kind, FileStatus::Kind::regular_file) << path;
      EXPECT_EQ(file_system().open_given_file(path.c_str(), reason), nullptr) << path;
      if (c.device_everywhere) {
        EXPECT_EQ(status.kind, FileStatus::Kind::other) << path;
        EXPECT_EQ(reason, "names a device") << path;
      }
    }
  }
}

// Names pass through the "A" functions as bytes of the system code page, both ways.
TEST(Win32Files, NamesKeepTheirCodePageBytes) {
  TemporaryFolder root;
  std::string folder = root.path().string();
  const std::string name = "Bj\xF6rk \xC9t\xE9.mp3";
  std::string path = folder + "\\" + name;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  std::vector<std::string> names;
  std::string reason;
  file_system().enumerate_entries(&names, folder.c_str(), "*.mp3", EntryKind::files, collect,
                                  reason);
  EXPECT_EQ(names, std::vector<std::string>{name});
  FileStatus status;
  file_system().status_of(path.c_str(), status, reason);
  EXPECT_EQ(status.kind, FileStatus::Kind::regular_file);
}

}  // namespace
