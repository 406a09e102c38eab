// What only POSIX has: signals.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "output/temporary_files.h"
#include "platform/process.h"
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

}  // namespace
