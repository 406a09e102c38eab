// Runs the programs under test as a user would: in a working folder, with arguments, capturing
// what they print. Which executables run, and through which launcher (Wine for the Windows
// build), comes from the environment that CTest sets, so one suite serves every build.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
  int exit_status = -1;  // as a shell gives it: 128 + the signal that ended the program, if one
  bool timed_out = false;
  std::string out;
  std::string err;
};

// Where the program's standard output goes.
enum class StandardOutput {
  captured,      // a file, read into RunResult::out
  closed,        // no descriptor 1 at all
  full_device,   // /dev/full: every write fails for want of space
  closed_pipe,   // a pipe no one reads from any more
  unread_pipe,   // a small pipe no one reads: the program blocks once it is full
  stalled_pipe,  // the same, read into RunResult::out once the program has been blocked a while
};

struct RunOptions {
  std::filesystem::path working_folder{};
  std::vector<std::string> arguments{};
  long long file_size_limit = -1;  // bytes any one file may grow to; -1 for no limit
  int timeout_seconds = 60;
  bool working_folder_vanishes = false;  // removed once the program is started in it
  StandardOutput output = StandardOutput::captured;
  bool error_closed = false;       // no descriptor 2 at all
  bool error_to_terminal = false;  // standard error is a pseudo-terminal, read into RunResult::err
  int interrupt_with = 0;          // a signal sent once the program blocks on an unread pipe
  std::vector<std::string> environment{};  // NAME=value, added to the test's own
  std::string input{};                     // what standard input holds
};

RunResult run_eplgen(const RunOptions& options);
RunResult run_epldump(const RunOptions& options);
