#include "core/namespace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/listings.h"
#include "tests/support/code_pages.h"
#include "tests/support/device_library.h"

namespace {

// What a path a user wrote names, as the player finds it: one table run on every device.
std::string found(Device& device, const std::string& path) {
  Listings listings(device, cp1252());
  Resolution resolution = resolve(listings, cp1252(), path);
  std::string kind = resolution.kind == Resolution::Kind::file     ? "file "
                     : resolution.kind == Resolution::Kind::folder ? "folder "
                     : resolution.kind == Resolution::Kind::other  ? "other "
                     : resolution.kind == Resolution::Kind::failed ? "failed: " + resolution.reason
                                                                   : "missing";
  if (resolution.own_file) kind = "own " + kind;
  return kind + resolution.device_path;
}

TEST(Namespace, FindsWhatThePlayerFindsOnEveryDevice) {
  std::string climbs;
  for (int i = 0; i < 40; ++i) climbs += "..\\";
  const struct {
    std::string path;  // relative to the music folder, in the code page
    std::string found;
    const char* found_in_player_order = nullptr;  // where the device's order decides otherwise
    bool twins = false;                           // needs names that differ only in case
    bool link = false;                            // needs ../Lib, a link to the music folder
  } cases[] = {
      {"Rock\\01 Intro.mp3", "file Rock/01 Intro.mp3"},
      {"rock\\LIVE/02 SONG.MP3", "file Rock/Live/02 Song.mp3"},
      {"Rock\\J\xD3GA.mp3", "file Rock/J\xC3\xB3ga.mp3"},  // the code page's letters fold too
      {"Rock\\zz\\..\\01 Intro.mp3", "file Rock/01 Intro.mp3"},
      {"Rock\\01 Intro.mp3. .", "file Rock/01 Intro.mp3"},
      {"Rock\\sub.\\b.mp3", "file Rock/sub/b.mp3"},
      {"Rock\\sub \\b.mp3", "missing"},
      {"Rock\\01 Intro.mp3\\", "missing"},
      {"Rock\\01 Intro.mp3\\x.mp3", "missing"},
      {"Rock\\x.m3u", "folder Rock/x.m3u"},
      {"Rock", "folder Rock"},
      {"Rock\\..\\..", "missing"},  // the player's root is no folder of the music folder
      {"..\\Music\\Rock\\01 Intro.mp3", "file Rock/01 Intro.mp3"},
      {"..\\Other\\c.mp3", "file ../Other/c.mp3"},
      // The music folder is a:\Music to the player, by whatever name it is reached here.
      {"..\\Lib\\Rock\\01 Intro.mp3", "missing", nullptr, false, true},
      {"Rock\\..\\..\\lib\\Rock", "missing", nullptr, false, true},
      // Climbs stop at the player's root, as Windows stops them at a drive's root.
      {"Rock\\" + climbs + "tmp\\x.mp3", "file ../tmp/x.mp3"},
      {"Rock\\Default Playlist.epl", "own file Rock/Default Playlist.epl"},
      {"Rock\\Default Playlist.epl\\.", "own file Rock/Default Playlist.epl"},
      {"Rock\\DEFAULT PLAYLIST.EPL.TMP ", "own missing"},
      // A twin is never found: the name taken, the first in listing order, is.
      {"A\\Live\\x.mp3", "file A/Live/X.mp3", "folder A/Live/x.mp3", true},
      {"A\\Live\\X.mp3", "file A/Live/X.mp3", "folder A/Live/x.mp3", true},
  };
  for (DeviceLibrary::Kind kind : DeviceLibrary::kKinds) {
    DeviceLibrary library(kind);
    library.make({"Rock/01 Intro.mp3", "Rock/Live/02 Song.mp3", "Rock/J\xC3\xB3ga.mp3",
                  "Rock/sub/b.mp3", "Rock/x.m3u/", "Rock/Default Playlist.epl", "../Other/c.mp3",
                  "../tmp/x.mp3"});
    if (library.holds_names_differing_in_case()) library.make({"A/Live/x.mp3/", "A/Live/X.mp3"});
    bool linked = library.make_link("../Lib", "../Music");
    bool player_order = kind == DeviceLibrary::Kind::memory_in_player_order;
    for (const auto& c : cases) {
      if ((c.twins && !library.holds_names_differing_in_case()) || (c.link && !linked)) continue;
      EXPECT_EQ(found(library.device(), c.path), player_order && c.found_in_player_order != nullptr
                                                     ? c.found_in_player_order
                                                     : c.found)
          << c.path << " on " << library.name();
    }
  }
}

TEST(Namespace, OwnFilesAreKnownWhateverTheirCaseAndTrailingDotsAndBlanks) {
  const struct {
    const char* name;
    bool own;
  } cases[] = {
      {"Default Playlist.epl", true},      {"default playlist.EPL", true},
      {"Default Playlist.epl. .", true},   {"Default Playlist.epl.tmp", true},
      {"DEFAULT PLAYLIST.EPL.TMP ", true}, {"Default Playlist.epl.tmp.mp3", false},
      {"Default Playlist.epl.Lock", true}, {"Default Playlist.eplx", false},
      {"Default Playlist.mp3", false},     {" Default Playlist.epl", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_own_file_name(cp1252(), c.name), c.own) << c.name;
}

// Where the device's order means nothing, folders come in a fixed order of names, whatever the
// file system; where it is the player's (a FAT directory on Windows), it stays.
TEST(Namespace, ListsInAFixedOrderOrThePlayers) {
  for (bool in_player_order : {false, true}) {
    DeviceListing device_listing;
    device_listing.in_player_order = in_player_order;
    for (const char* name :
         {"Zed", "_x", "beta", ".cache", "Alpha", "alpha", "B", "alphabet", "Alph"})
      device_listing.add(name, EntryType::folder, false);
    FolderListing listing(device_listing, cp1252());
    std::string names;
    for (std::size_t entry = 0; entry < listing.size(); ++entry)
      names += std::string(listing.system_name(entry)) + (listing.usable(entry) ? " " : "(twin) ");
    EXPECT_EQ(names, in_player_order ? "Zed _x beta .cache Alpha alpha(twin) B alphabet Alph "
                                     : ".cache Alph Alpha alpha(twin) alphabet B beta Zed _x ");
  }
}

}  // namespace
