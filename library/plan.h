// Which subfolders of a folder take part. In the music folder, each gets an entry in the music
// folder's playlist and a playlist of its own; deeper down, each gives its tracks to the playlist
// of the folder it is in. The music folder is listed once, and both passes work through its plan.
// A linked folder (symbolic link, junction) takes part like any other, except a name that leads
// back to a folder holding it, which would make a playlist list itself, be written outside the
// music folder or never end, and all but one name of a folder that has several, which would list
// one folder twice: its own name is taken when it is listed, else the first name in listing order.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/namespace.h"
#include "library/library.h"
#include "platform/device.h"

struct PlannedFolder {
  std::string text;         // its path text: its entry names a:\Music\<text>
  std::string device_path;  // as the file system spells it
};

struct Subfolders {
  std::vector<PlannedFolder> taken;  // in listing order
  std::size_t skipped = 0;           // folders left out
  std::size_t unusable = 0;          // of them, names the player cannot use, or paths too long
  // False when a subfolder could not be examined: it is left out, and what lists the folder's
  // subfolders cannot be known whole.
  bool all_examined = true;
};

// The subfolders of a folder (its path text, "" for the music folder, its device path and its
// listing) that take part, saying on standard error which are left out and why. above gives the
// identities of the folder and every folder holding it; it is asked only when a link is listed.
Subfolders subfolders_of(Library& library, std::string_view folder,
                         const std::string& device_folder, const FolderListing& listing,
                         const std::function<std::vector<FolderIdentity>()>& above);

// The identities of a folder and every folder above it, up to the root, which is its own parent.
// A folder above that cannot be examined cannot be reached through a link either.
std::vector<FolderIdentity> folders_above(Device& device, const std::string& device_folder);

struct Plan {
  std::shared_ptr<const FolderListing> music;  // the music folder's listing
  Subfolders folders;                          // its subfolders that take part
};

// Lists the music folder and decides. Returns false, with the reason, when the music folder
// cannot be listed.
bool make_plan(Library& library, Plan& plan, std::string& reason);
