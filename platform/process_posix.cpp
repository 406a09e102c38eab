#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace {

// What the interruption handler reaches: a signal handler takes no arguments, so this one
// pointer is the program's only state outside the run's own.
FilesInFlight* files_in_flight = nullptr;

void remove_file(const char* device_path) { unlink(device_path); }

extern "C" void remove_files_and_end(int signal_number) {
  if (files_in_flight != nullptr) files_in_flight->end_and_remove_all(remove_file, nullptr);
  // Ends as the signal would have ended the program: the signal is delivered again, now with
  // its default action, once this handler returns.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(signal_number, &default_action, nullptr);
  raise(signal_number);
}

bool set_action(int signal_number, void (*handler)(int), std::string& reason) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int blocked : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, blocked);
  if (sigaction(signal_number, &action, nullptr) == 0) return true;
  reason = std::string("cannot handle signal ") + std::to_string(signal_number) + ": " +
           std::strerror(errno);
  return false;
}

}  // namespace

void remove_files_in_flight(FilesInFlight& files) {
  files.end_and_remove_all(remove_file, nullptr);
}

void say_out_of_memory(const char* line) {
  // Unbuffered: nothing is allocated for it.
  std::fputs(line, stderr);
}

std::vector<std::string> program_arguments(int argc, char** argv) { return {argv, argv + argc}; }

std::string home_folder() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}

bool prepare_process(std::string& reason) {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: this one, the ones below it being open by now.
    int null = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null != descriptor) {
      reason = "cannot open /dev/null: " + std::string(std::strerror(null < 0 ? errno : EBADF));
      return false;
    }
  }
  // The log goes out in large writes where no one reads it as it comes: to a file, or to
  // nothing. A terminal or a pipe gets it as it is made.
  struct stat output {};
  bool kept = fstat(1, &output) == 0 && (S_ISREG(output.st_mode) || S_ISCHR(output.st_mode)) &&
              isatty(1) != 1;
  if (kept && std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16) != 0) {
    reason = "cannot set up standard output";
    return false;
  }
  return set_action(SIGPIPE, SIG_IGN, reason) && set_action(SIGXFSZ, SIG_IGN, reason);
}

bool remove_on_interruption(FilesInFlight& files, std::string& reason) {
  files_in_flight = &files;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    if (sigaction(signal_number, nullptr, &previous) != 0) {
      reason = std::string("cannot handle signal ") + std::to_string(signal_number) + ": " +
               std::strerror(errno);
      return false;
    }
    // An interruption the caller chose to ignore (nohup, a background job) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    if (!set_action(signal_number, remove_files_and_end, reason)) return false;
  }
  return true;
}

bool start_thread_without_interruptions(std::thread& thread, std::function<void()> body) {
  // A new thread takes the mask of the thread that starts it.
  sigset_t all = {};
  sigset_t previous = {};
  sigfillset(&all);
  if (pthread_sigmask(SIG_SETMASK, &all, &previous) != 0) return false;
  struct Restore {
    const sigset_t& mask;
    ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{previous};
  try {
    thread = std::thread(std::move(body));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}
