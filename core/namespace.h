// The player's namespace: how the player sees a folder's entries and finds a path a user wrote.
// Everything here works on listings it is handed, never on the file system: an answer depends
// only on those listings, never on what was read before.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/names.h"

class CodePage;

inline constexpr std::string_view kPlaylistName = "Default Playlist.epl";
inline constexpr std::string_view kTemporarySuffix = ".tmp";
// Where a run cannot lock its folder itself (Windows), a file of this name beside the playlist is
// its lock.
inline constexpr std::string_view kLockSuffix = ".lock";

// True for the name of a file the program writes, a playlist, its temporary file or the lock, as
// Windows finds names (case folded, trailing dots and blanks dropped): such a file is never a
// track.
bool is_own_file_name(const CodePage& code_page, std::string_view name);

// What an entry is, following links: a link counts as what it leads to, and one that leads
// nowhere, a device or a pipe is other.
enum class EntryType : std::uint8_t { folder, file, other };

// A folder's entries as a device lists them, in the device's order, "." and ".." left out. Names
// are as the file system spells them (UTF-8; on POSIX possibly other bytes), back to back in one
// buffer: a folder of 100,000 tracks costs one buffer, not 100,000 strings.
struct DeviceListing {
  struct Entry {
    std::uint32_t name;  // where it starts in names; each name is ended by a zero byte
    std::uint32_t length;
    EntryType type;
    bool linked;  // a symbolic link or a junction rather than the entry's own name
    bool system;  // marked as the system's own (on Windows, hidden and system both)
  };
  std::string names;
  std::vector<Entry> entries;
  // True when the device's order is the player's own (the order of a FAT directory, on Windows),
  // false when it means nothing and the listing is put in a fixed order of names.
  bool in_player_order = false;

  void add(std::string_view name, EntryType type, bool linked, bool system = false);
};

// A folder's entries as the player sees them: in listing order, each with its text in the code
// page, or the fault that makes the player blind to it. Names the player cannot tell apart ("Rock"
// and "rock", or one name in UTF-8 and in the code page's bytes, both possible on POSIX) are
// twins: the first in listing order is taken, the others are never found.
class FolderListing {
 public:
  FolderListing(DeviceListing listing, const CodePage& code_page);

  std::size_t size() const { return entries_.size(); }
  std::string_view system_name(std::size_t entry) const;
  // The player's text: empty when it has none (see fault).
  std::string_view text(std::size_t entry) const;
  EntryType type(std::size_t entry) const { return entries_[entry].type; }
  bool linked(std::size_t entry) const { return entries_[entry].linked; }
  // A folder of the system's own or a trash rather than the user's: marked so, or named so.
  bool is_system_folder(std::size_t entry) const {
    return entries_[entry].system || is_system_folder_name(system_name(entry));
  }
  NameFault fault(std::size_t entry) const { return entries_[entry].fault; }
  // True when the player's text shows in the log as the system name reads in UTF-8: the name
  // was UTF-8 the code page spells exactly, without control characters.
  bool shown_as_system_name(std::size_t entry) const { return entries_[entry].shown_as_name; }
  // The entry this one is a twin of, if any.
  std::optional<std::size_t> twin_of(std::size_t entry) const;
  // True for an entry the player can find: a name it can spell, and no twin.
  bool usable(std::size_t entry) const;

  // The entry the player finds for a name of the code page: letters folded as the code page
  // folds them; a twin or a name it cannot spell is never found.
  std::optional<std::size_t> find(std::string_view text) const;

  // For a name the player finds nothing under: the entry that is there but that the player can
  // never use, as it would find it were it not for that (a name ending in a dot or a blank, a
  // device name, a name in decomposed form).
  std::optional<std::size_t> find_unusable(std::string_view text) const;

  // The entry named exactly so, as the file system spells it.
  std::optional<std::size_t> find_system_name(std::string_view system_name) const;

  // Memory it holds, roughly.
  std::size_t bytes() const;

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  struct Entry {
    std::uint32_t name;
    std::uint32_t text;  // kNone when the player has no text for it
    std::uint16_t name_length;
    std::uint16_t text_length;
    union {
      std::uint32_t twin_of;      // kNone when taken
      std::uint32_t sort_prefix;  // while sorting: the first four bytes of the key, folded
    };
    EntryType type;
    bool linked;
    bool system;
    NameFault fault;
    bool shown_as_name;
  };
  const CodePage* code_page_;
  std::string names_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> by_name_;  // the usable entries, by compare_player_names
  std::vector<std::uint32_t> faulty_;   // the entries with a fault, in listing order
};

// Where the player's namespace gets its listings: "." is the music folder, ".." the player's root
// above it, and every other folder is named by its device path (system names joined by "/").
class ListingSource {
 public:
  virtual ~ListingSource() = default;
  // The folder's listing; null when it cannot be read, with missing set when it is not there
  // (or is no folder) and the reason otherwise.
  virtual std::shared_ptr<const FolderListing> listing(const std::string& folder, bool& missing,
                                                       std::string& reason) = 0;
  // True when a folder beside the music folder ("../Lib") is the music folder itself.
  virtual bool is_music_folder(const std::string& folder) = 0;
};

// Joins a folder's device path ("." for the music folder) and a system name.
std::string device_path_of(std::string_view folder, std::string_view name);

struct Resolution {
  enum class Kind { file, folder, other, missing, failed } kind = Kind::missing;
  std::string device_path;  // of what was found
  std::string reason;       // why it could not be looked up, when failed
  bool own_file = false;    // it names a playlist or a temporary file of the program's own
  // When nothing was found: the fault of a name that is there but that the player can never use,
  // and its device path.
  NameFault unusable = NameFault::none;
  std::string unusable_path;
};

// Finds what a path a user wrote (relative to the music folder, as an M3U line joined to its
// folder) names, as the player would find it: resolved as Windows resolves a path (see
// player_path_parts), then looked up name by name in the listings of the folders on the way.
Resolution resolve(ListingSource& listings, const CodePage& code_page, std::string_view path);

// The same answer, for a path relative to a folder whose listing is at hand (an M3U line, and the
// M3U's folder, its device path and its path text), without looking the folder up again.
Resolution resolve_in(ListingSource& listings, const CodePage& code_page,
                      const FolderListing& folder, const std::string& device_folder,
                      std::string_view folder_text, std::string_view path);
