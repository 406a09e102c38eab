// What only Windows has: reserved names, which are devices in every folder, and folders marked as
// the system's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "core/namespace.h"
#include "library/listings.h"
#include "platform/device.h"
#include "tests/support/code_pages.h"
#include "tests/support/device_library.h"

namespace {

// The system reports attributes for reserved names as if they were files, and opening CON would
// read the console; no listing holds them, so an M3U line never finds one. Windows 11 no longer
// takes a reserved name with an extension for a device: there such a file simply does not exist
// here.
TEST(Win32Device, DeviceNamesAreNeverRegularFiles) {
  DeviceLibrary library(DeviceLibrary::Kind::native);
  std::string folder = library.device().working_folder();
  const struct {
    const char* name;
    bool device_everywhere;  // on every Windows, not only on some
  } cases[] = {
      {"con", true},      {"NUL", true},       {"prn", true},       {"CON.mp3", false},
      {"nul.mp3", false}, {"COM1.mp3", false}, {"lpt1.m3u", false}, {"aux.mp3", false},
      {"conin$", false},  {"CONOUT$", false},
  };
  for (const auto& c : cases) {
    Listings listings(library.device(), cp1252());
    EXPECT_NE(resolve(listings, cp1252(), c.name).kind, Resolution::Kind::file) << c.name;
    for (const std::string& path : {std::string(c.name), folder + "\\" + c.name}) {
      DeviceError error;
      EXPECT_EQ(library.device().open_given(path, error), nullptr) << path;
      if (c.device_everywhere) {
        EXPECT_EQ(error.reason, "names a device") << path;
      }
    }
  }
}

// A folder both hidden and system is the system's own (System Volume Information, a recycle
// bin), whatever its name; hidden alone, it is the user's.
TEST(Win32Device, ListsWhichFoldersAreTheSystemsOwn) {
  DeviceLibrary library(DeviceLibrary::Kind::native);
  library.make({"Album/", "Hidden/", "Own/"});
  ASSERT_TRUE(SetFileAttributesW(L"Hidden", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(L"Own", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  DeviceListing listing;
  DeviceError error;
  ASSERT_TRUE(library.device().list(".", listing, error)) << error.reason;
  std::string system;
  for (const DeviceListing::Entry& entry : listing.entries)
    if (entry.system) system += listing.names.substr(entry.name, entry.length);
  EXPECT_EQ(system, "Own");
}

}  // namespace
