// eplgen's command line: [-h] [-V] [-n] [-q] [-r] [-v] [--natural] [--codepage NAME] [--]
// [FOLDER].
#pragma once

#include <optional>

#include "library/library.h"

class CodePage;
class CodePages;
class Console;
class Device;

struct EplgenOptions {
  RunOptions run;
  bool folder_given = false;  // FOLDER was named, and is the working folder now
};

// Acts on the command line before anything is written: answers --help and --version, refuses
// arguments that make no sense, chooses the code page, and changes into FOLDER when one is given.
// Options in the environment variable EPLGEN_OPTIONS come before the command line's own, for
// those who start eplgen where no options can be typed (a folder dropped onto it). Returns the
// exit status when the program is to end here; nothing then has been written.
std::optional<int> follow_command_line(int argc, char** argv, Console& console,
                                       CodePages& code_pages, CodePage& code_page, Device& device,
                                       EplgenOptions& options);
