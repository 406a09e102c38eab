// Which subfolders of the music folder take part: each gets an entry in the music folder's
// playlist and a playlist of its own. The music folder is listed once, and both passes work
// through this plan. A linked folder (symbolic link, junction) takes part like any other, except
// a name that leads back to the music folder or a folder holding it, which would make a playlist
// list itself or be written outside the music folder, and all but one name of a folder that has
// several, which would write one folder's playlist twice: its own name is taken when it is
// listed, else the first name in listing order.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/namespace.h"
#include "library/library.h"

struct PlannedFolder {
  std::string text;         // its name in the code page: its entry names a:\Music\<text>
  std::string device_path;  // its name as the file system spells it
};

struct Plan {
  std::shared_ptr<const FolderListing> music;  // the music folder's listing
  std::vector<PlannedFolder> folders;          // those that take part, in listing order
  // False when a subfolder could not be examined: it is left out, and the music folder's
  // playlist, which cannot be known whole, is not written.
  bool all_examined = true;
  std::size_t skipped = 0;  // folders left out
};

// Lists the music folder and decides, saying on standard error which names are skipped and why.
// Returns false, with the reason, when the music folder cannot be listed.
bool make_plan(Library& library, Plan& plan, std::string& reason);
