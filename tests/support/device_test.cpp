// The device's primitives, on the platform's own file system and on the one in memory, which the
// other tests stand on: one table, one answer.
#include "platform/device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/listings_ahead.h"
#include "tests/support/device_library.h"
#include "tests/support/memory_device.h"

namespace {

std::string listed(Device& device, const std::string& folder) {
  DeviceListing listing;
  DeviceError error;
  if (!device.list(folder, listing, error))
    return error.kind == DeviceError::Kind::missing ? "missing" : "failed: " + error.reason;
  std::vector<std::string> names;
  for (const DeviceListing::Entry& entry : listing.entries) {
    std::string name = listing.names.substr(entry.name, entry.length);
    name += entry.type == EntryType::folder ? "/" : entry.type == EntryType::file ? "" : "?";
    names.push_back(name + (entry.linked ? "@" : ""));
  }
  std::sort(names.begin(), names.end());
  std::string shown;
  for (const std::string& name : names) shown += name + " ";
  return shown;
}

std::string read_whole(Device& device, const std::string& path) {
  DeviceError error;
  std::unique_ptr<ReadableFile> file = device.open(path, error);
  if (file == nullptr)
    return error.kind == DeviceError::Kind::missing ? "missing" : "refused: " + error.reason;
  char buffer[16];
  std::size_t count = 0;
  if (!file->read(buffer, sizeof buffer, count, error)) return "failed: " + error.reason;
  return std::string(buffer, count);
}

TEST(Device, ListsOpensCreatesRenamesAndRemovesAlike) {
  for (DeviceLibrary::Kind kind : DeviceLibrary::kKinds) {
    DeviceLibrary library(kind);
    Device& device = library.device();
    library.make({"Rock/", ".cache/", "Jazz.mp3/", "Track.MP3", "notes.txt"});
    library.make({"a.mp3"}, "x");
    bool links = library.make_link("Linked", "Rock") && library.make_link("dangling.mp3", "none");
    std::string expected = ".cache/ Jazz.mp3/ Rock/ Track.MP3 a.mp3 notes.txt ";
    if (links)
      expected = ".cache/ Jazz.mp3/ Linked/@ Rock/ Track.MP3 a.mp3 dangling.mp3?@ notes.txt ";
    EXPECT_EQ(listed(device, "."), expected) << library.name();
    EXPECT_EQ(listed(device, "Nowhere"), "missing") << library.name();
    EXPECT_EQ(read_whole(device, "a.mp3"), "x") << library.name();
    EXPECT_TRUE(read_whole(device, "Rock").starts_with("refused: ")) << library.name();
    EXPECT_EQ(read_whole(device, "missing.mp3"), "missing") << library.name();

    // A new file only: what is there is never written through.
    DeviceError error;
    EXPECT_EQ(device.create("a.mp3", error), nullptr) << library.name();
    EXPECT_EQ(error.kind, DeviceError::Kind::exists) << library.name();
    std::unique_ptr<WritableFile> file = device.create("new.tmp", error);
    ASSERT_NE(file, nullptr) << library.name() << ": " << error.reason;
    EXPECT_TRUE(file->append("new", error) && file->close(error)) << error.reason;
    EXPECT_TRUE(device.sync({"new.tmp"}, error)) << error.reason;

    // Files are replaced, folders never.
    EXPECT_FALSE(device.rename("new.tmp", "Rock", error)) << library.name();
    EXPECT_TRUE(device.rename("new.tmp", "notes.txt", error)) << error.reason;
    EXPECT_EQ(read_whole(device, "notes.txt"), "new") << library.name();
    EXPECT_EQ(read_whole(device, "new.tmp"), "missing") << library.name();
    EXPECT_TRUE(device.remove("notes.txt", error) && device.remove("notes.txt", error))
        << error.reason;
    EXPECT_FALSE(device.remove("Rock", error)) << library.name();

    FolderIdentity rock, linked, cache;
    EXPECT_TRUE(device.identify("Rock", rock, error) && device.identify(".cache", cache, error));
    EXPECT_FALSE(rock == cache) << library.name();
    if (links) {
      EXPECT_TRUE(device.identify("Linked", linked, error)) << error.reason;
      EXPECT_TRUE(rock == linked) << library.name();
    }
  }
}

// A folder swapped for a link to the folder above it once it was listed: what is then written in
// it goes to the folder that was listed (or the swap is refused), never to where the link leads.
TEST(Device, WritesInTheFolderThatWasListed) {
  for (DeviceLibrary::Kind kind : DeviceLibrary::kKinds) {
    DeviceLibrary library(kind);
    Device& device = library.device();
    library.make({"Rock/a.mp3"});
    EXPECT_EQ(listed(device, "Rock"), "a.mp3 ") << library.name();
    bool swapped = library.swap_for_link("Rock", "Rock.old", "..");
    DeviceError error;
    std::unique_ptr<WritableFile> file = device.create("Rock/Default Playlist.epl.tmp", error);
    ASSERT_NE(file, nullptr) << library.name() << ": " << error.reason;
    EXPECT_TRUE(file->append("new", error) && file->close(error)) << error.reason;
    EXPECT_TRUE(device.rename("Rock/Default Playlist.epl.tmp", "Rock/Default Playlist.epl", error))
        << error.reason;
    EXPECT_EQ(listed(device, "Rock"), "Default Playlist.epl a.mp3 ") << library.name();
    EXPECT_EQ(library.contents("Default Playlist.epl"), std::nullopt) << library.name();
    EXPECT_EQ(library.contents("../Default Playlist.epl"), std::nullopt) << library.name();
    EXPECT_EQ(
        library.contents(swapped ? "Rock.old/Default Playlist.epl" : "Rock/Default Playlist.epl"),
        "new")
        << library.name();
  }
}

// Folders a run is about to list are listed ahead of it, on any device: whatever order they are
// then asked for in, and whichever are passed over, each gives what listing it when asked would
// give. In memory, listings also fail, run out of memory, block, or pass the bound on what is
// held, which the listing thread must wait on and be woken from.
TEST(Device, ListsTheFoldersOfARunAsIfEachWereListedWhenAskedFor) {
  struct Case {
    const char* what;
    std::vector<int> asked;  // folder numbers; 40 is not there
    ListingLimits limits = {};
    int failing = -1;   // whose listing fails
    int blocking = -1;  // whose listing waits until folder 39 is asked for
    bool memory_only = false;
    bool out_of_memory = false;  // the failing one runs out of memory instead
  };
  std::vector<int> in_order(40);
  for (int folder = 0; folder < 40; ++folder) in_order[folder] = folder;
  std::vector<int> every_third;
  for (int folder = 0; folder < 40; folder += 3) every_third.push_back(folder);
  const Case cases[] = {
      {"in order", in_order},
      {"some passed over", every_third},
      {"out of turn", {5, 0, 1, 39, 2, 2, 38}},
      {"one missing", {0, 40, 1}},
      {"none", {}},
      {"each over the bound", in_order, {16, 16}, -1, -1, true},
      {"one that fails", in_order, {}, 3, -1, true},
      {"one out of memory", in_order, {}, 3, -1, true, true},
      {"one that blocks, and one out of turn meanwhile", {0, 1, 39, 2, 3}, {}, -1, 2, true},
  };
  for (DeviceLibrary::Kind kind : DeviceLibrary::kKinds) {
    for (const Case& c : cases) {
      DeviceLibrary library(kind);
      if (c.memory_only && library.memory() == nullptr) continue;
      std::vector<std::string> planned;
      for (int folder = 0; folder <= 40; ++folder) {
        std::string number = std::to_string(folder);
        planned.push_back(std::string("F").append(number));
        if (folder < 40)
          library.make({std::string(planned.back()).append("/").append(number).append(".mp3")});
      }
      std::string failing = c.failing >= 0 ? planned[c.failing] : "";
      if (c.failing >= 0)
        library.memory()->fail(
            MemoryDevice::Operation::list, failing,
            {DeviceError::Kind::other, c.out_of_memory ? "out of memory" : "Input/output error"});
      std::promise<void> let_go;
      std::shared_future<void> let_go_when = let_go.get_future().share();
      if (c.blocking >= 0)
        library.memory()->on_list([&](const std::string& folder) {
          if (folder == planned[c.blocking]) let_go_when.wait();
        });
      ListingsAhead ahead(library.device(), c.limits);
      ahead.will_list(planned);
      for (int folder : c.asked) {
        std::string expected = folder == 40 ? "missing" : std::to_string(folder) + ".mp3 ";
        if (planned[folder] == failing && c.out_of_memory) {
          DeviceListing listing;
          DeviceError error;
          EXPECT_THROW(static_cast<void>(ahead.list(failing, listing, error)), std::bad_alloc);
          continue;
        }
        if (planned[folder] == failing) expected = "failed: Input/output error";
        EXPECT_EQ(listed(ahead, planned[folder]), expected) << library.name() << ", " << c.what;
        if (folder == 39 && c.blocking >= 0) let_go.set_value();
      }
    }
  }
}

// One run at a time in a music folder.
TEST(Device, LocksTheWorkingFolderForOneRun) {
  for (DeviceLibrary::Kind kind : DeviceLibrary::kKinds) {
    DeviceLibrary library(kind);
    DeviceError error;
    std::unique_ptr<FolderLock> lock = library.device().lock(error);
    ASSERT_NE(lock, nullptr) << library.name() << ": " << error.reason;
    std::unique_ptr<Device> other =
        kind == DeviceLibrary::Kind::native ? make_native_device() : nullptr;
    Device& second = other != nullptr ? *other : library.device();
    EXPECT_EQ(second.lock(error), nullptr) << library.name();
    EXPECT_EQ(error.kind, DeviceError::Kind::busy) << library.name();
    lock.reset();
    EXPECT_NE(second.lock(error), nullptr) << library.name() << ": " << error.reason;
  }
}

}  // namespace
