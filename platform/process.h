// The process around the program: its arguments and its safety.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

// The files an interruption removes, kept by the program (TemporaryFiles).
class FilesInFlight {
 public:
  virtual ~FilesInFlight() = default;
  // From now on nothing more is noted; every file noted is removed with remove (async-signal-safe
  // where it runs in a signal handler). With wait, a file being created on another thread is
  // first let be, wait being called meanwhile.
  virtual void end_and_remove_all(void (*remove)(const char* device_path), void (*wait)()) = 0;
};

// Removes every file noted, as an interruption would, and notes no more: for a program that ends
// on a failure of its own, such as running out of memory. Allocates nothing.
void remove_files_in_flight(FilesInFlight& files);

// Says on standard error that memory ran out, in a line that needs none: line ends in a line
// feed, and is written as it is.
void say_out_of_memory(const char* line);

// The program's arguments, argv[0] included, as UTF-8 on Windows (taken from the system's
// UTF-16, so that a FOLDER may hold any character) and as given on POSIX.
std::vector<std::string> program_arguments(int argc, char** argv);

// Prepares the process before anything is written: standard descriptors that are closed are
// opened on the null device, so that no file created later takes their place; a log that can no
// longer be written (a closed pipe) and a file-size limit become failed writes instead of ending
// the program. Returns false with the reason when the process cannot be made safe.
[[nodiscard]] bool prepare_process(std::string& reason);

// The user's home folder as the system names it (UTF-8), empty when it does not say.
std::string home_folder();

// From now on an interruption (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break or a closed console
// window on Windows) removes the temporary files in flight and ends the program as the signal
// would (status 128 + its number; 130 on Windows). An interruption the caller chose to ignore
// (nohup, a background job) stays ignored. Returns false with the reason when it cannot.
[[nodiscard]] bool remove_on_interruption(FilesInFlight& files, std::string& reason);

// Starts body on a thread of its own that never takes the signals that end the program: their
// handler must run on the thread that registers the temporary files. False when the system gives
// no thread; std::bad_alloc when there is no memory for one. The calling thread's own signals are
// as they were, whatever happens.
[[nodiscard]] bool start_thread_without_interruptions(std::thread& thread,
                                                      std::function<void()> body);
