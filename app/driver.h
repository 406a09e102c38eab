// The program's run: the playlist of folders of the working folder, then the folder pass.
#pragma once

#include <string>

// Runs eplgen with its arguments and returns the exit status: 0 when every playlist was
// written, 1 otherwise, 2 when the arguments are wrong.
int real_main(int argc, char** argv);

// Writes every playlist of the working folder and returns the exit status, 0 or 1. The music
// folder that cannot be listed gets nothing written at all. After a warning the run ends with
// a line that gives it in numbers; otherwise summary_line, when given, receives that line.
int write_playlists(std::string* summary_line = nullptr);

// Visitor of the top-level listing: context is the TopLevelPass.
void add_folder_entry(void* context, const char* folder, const char* name);

// What a run does beyond its work when it has a console window of its own (started from
// Explorer, a folder dropped onto it or not), which would close the moment it ends.
struct OwnWindow {
  bool ask_first;    // asks before writing in a folder nobody named
  bool wait_at_end;  // waits for a key, so that what was said can be read
};
OwnWindow own_window_behaviour(bool has_own_window, bool folder_given);
