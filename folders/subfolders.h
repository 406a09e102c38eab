// Which subfolders of the music folder take part: each gets an entry in the music folder's
// playlist and a playlist of its own. A linked folder (symbolic link, junction) takes part like
// any other, except a name that leads back to the music folder or a folder holding it, which
// would make a playlist list itself or be written outside the music folder, and all but one
// name of a folder that has several, which would write one folder's playlist twice: its own
// name is taken when it is listed, else the first name in listing order.
#pragma once

#include <set>
#include <string>

struct Subfolders {
  std::set<std::string> skipped;  // names that do not take part
  // False when a subfolder could not be examined: it is skipped, and the music folder's playlist,
  // which cannot be known whole, is not written.
  bool all_examined = true;
};

// Lists the music folder and decides, saying on standard error which names are skipped and why.
// Returns false, with the reason, when the music folder cannot be listed.
bool plan_subfolders(Subfolders& subfolders, std::string& reason);

bool takes_part(const Subfolders& subfolders, const char* name);
