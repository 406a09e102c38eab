// What only POSIX has: signals, and the masks of threads.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "output/temporary_files.h"
#include "platform/listings_ahead.h"
#include "platform/process.h"
#include "tests/support/memory_device.h"
#include "tests/support/temporary_folder.h"

namespace {

// An interruption while a temporary file is in flight removes it, and the program ends as the
// signal would have ended it.
TEST(Interruption, RemovesTheFilesInFlightAndEndsAsTheSignalWould) {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    TemporaryFolder root;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(signal_number, SIG_DFL);
      TemporaryFiles files(4);
      std::string reason;
      if (chdir(root.path().c_str()) != 0 || !remove_on_interruption(files, reason)) _exit(100);
      for (const char* name : {"a.tmp", "b.tmp"}) {
        if (!files.begin_creation(name)) _exit(102);
        std::ofstream(name) << "half";
        files.end_creation();
      }
      files.forget("a.tmp");  // put in place meanwhile
      raise(signal_number);
      _exit(101);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_TRUE(std::filesystem::exists(root.path() / "a.tmp"));
    EXPECT_FALSE(std::filesystem::exists(root.path() / "b.tmp"));
  }
}

// The thread that lists ahead never takes the signals that end a run, whose handler must run
// where the temporary files are registered; the thread that starts it keeps its own signals.
TEST(ListingsAhead, ListsWithTheEndingSignalsBlocked) {
  MemoryDevice device;
  device.make("F/a.mp3");
  sigset_t listing_thread;
  sigemptyset(&listing_thread);
  device.on_list([&listing_thread](const std::string& /*folder*/) {
    pthread_sigmask(SIG_BLOCK, nullptr, &listing_thread);
  });
  sigset_t before;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &before), 0);
  {
    ListingsAhead ahead(device);
    ahead.will_list({"F"});
    DeviceListing listing;
    DeviceError error;
    ASSERT_TRUE(ahead.list("F", listing, error)) << error.reason;
  }
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
    EXPECT_EQ(sigismember(&listing_thread, signal_number), 1) << signal_number;
  sigset_t after;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &after), 0);
  for (int signal_number = 1; signal_number < 32; ++signal_number)
    EXPECT_EQ(sigismember(&after, signal_number), sigismember(&before, signal_number))
        << signal_number;
}

}  // namespace
