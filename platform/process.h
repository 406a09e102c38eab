// The process around the program: its arguments, its safety, and a fresh start for tests.
#pragma once

#include <string>
#include <vector>

// The program's arguments, argv[0] included, as UTF-8 on Windows (taken from the system's
// UTF-16, so that a FOLDER may hold any character) and as given on POSIX.
std::vector<std::string> program_arguments(int argc, char** argv);

// Prepares the process before anything is written: standard descriptors that are closed are
// opened on the null device, so that no file created later takes their place; the interruptions
// named at FileSystem::create_file remove the temporary files in flight and end the program as
// the signal would (status 128 + its number; 130 on Windows); a log that can no longer be
// written (a closed pipe) and a file-size limit become failed writes instead of ending the
// program. Returns false with the reason when the process cannot be made safe.
bool prepare_process(std::string& reason);

// Forgets everything the platform layer keeps between calls (what it has read and indexed, the
// code page chosen, the warnings given), so that tests start afresh.
void reset_platform_state();
