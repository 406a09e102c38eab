// Runs the programs under test as a user would: in a working folder, with arguments, capturing
// what they print. Which executables run, and through which launcher (Wine for the Windows
// build), comes from the environment that CTest sets, so one suite serves every build.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  bool timed_out = false;
  std::string out;
  std::string err;
};

struct RunOptions {
  std::filesystem::path working_folder;
  std::vector<std::string> arguments;
  long long file_size_limit = -1;  // bytes any one file may grow to; -1 for no limit
  int timeout_seconds = 60;
  bool working_folder_vanishes = false;  // removed once the program is started in it
};

RunResult run_eplgen(const RunOptions& options);
RunResult run_epldump(const RunOptions& options);
