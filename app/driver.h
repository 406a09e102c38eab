// eplgen's run: the playlist of folders of the working folder, then a playlist in every folder.
#pragma once

#include <string>

#include "library/library.h"

class Console;
class TemporaryFiles;

// What eplgen's run works with, passed by reference: nothing lives outside it.
struct Run {
  RunContext context;
  Console& console;
  TemporaryFiles& temporary_files;
  std::string home_folder = {};  // the user's, where no music folder is
};

// Runs eplgen with its arguments and returns the exit status: 0 when every playlist was
// written, 1 otherwise, 2 when the arguments are wrong.
int real_main(int argc, char** argv);

// Writes every playlist of the working folder and returns the exit status, 0 or 1. The music
// folder that cannot be listed gets nothing written at all, and neither does one another run is
// writing in. The run ends with a line on standard error that gives it in numbers; quiet, only
// after a warning. A working folder that is plainly no music folder (the user's home folder, or
// the root of a drive that holds a folder Music) is refused with exit status 2, before anything
// is written.
int write_playlists(Run& run);

// What a run does beyond its work when it has a console window of its own (started from
// Explorer, a folder dropped onto it or not), which would close the moment it ends. Only where
// someone can answer: a program that starts eplgen in a new console with its input from NUL
// (launchers, schedulers) gets neither a question nor a wait.
struct OwnWindow {
  bool ask_first;    // asks before writing in a folder nobody named
  bool wait_at_end;  // waits for a key, so that what was said can be read
};
OwnWindow own_window_behaviour(bool has_own_window, bool input_is_console, bool folder_given);
