// eplgen's command line: [-h] [-V] [--] [FOLDER].
#pragma once

#include <optional>

// Acts on the command line before anything is written: answers --help and --version, refuses
// arguments that make no sense, and changes into FOLDER when one is given (folder_given says
// so). Returns the exit status when the program is to end here; nothing then has been written.
std::optional<int> follow_command_line(int argc, char** argv, bool& folder_given);
