// The file system the unit tests work on: the platform's own, with chosen calls failing with
// chosen errors, so that what the program does on a failing device is tested without one.
#pragma once

#include <string>

#include "platform/file_system.h"

enum class FileOperation {
  list,      // enumerate_entries
  examine,   // status_of
  look_up,   // look_up
  read,      // open_file and ReadableFile::read
  create,    // create_file
  write,     // WritableFile::append
  close,     // WritableFile::close
  sync,      // sync
  replace,   // replace_file, by its target
  identify,  // identify_folder
};

// Makes every call of the operation on path (the path text as the program passes it; any path
// when empty) fail with error, an errno value, until clear_faults.
void inject_fault(FileOperation operation, std::string path, int error);

void clear_faults();
