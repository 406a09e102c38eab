#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "tests/support/temporary_folder.h"

namespace {

std::string environment_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The launcher may carry arguments of its own: words separated by blanks.
std::vector<std::string> launcher_words() {
  std::istringstream words(environment_or("EPLGEN_LAUNCHER", ""));
  return {std::istream_iterator<std::string>(words), {}};
}

RunResult run(const std::string& executable, const RunOptions& options) {
  std::vector<std::string> command = launcher_words();
  command.push_back(executable);
  command.insert(command.end(), options.arguments.begin(), options.arguments.end());

  // Output goes to files, not pipes: a Wine server started by the child would hold a pipe open
  // long after the program ended.
  TemporaryFolder capture;
  std::string out_path = (capture.path() / "out").string();
  std::string err_path = (capture.path() / "err").string();

  pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(options.working_folder.c_str()) != 0)
      _exit(125);
    if (options.working_folder_vanishes) {
      std::error_code ignored;
      std::filesystem::remove_all(options.working_folder, ignored);
    }
    if (options.file_size_limit >= 0) {
      // A full disk, as the program sees one: writes fail with EFBIG instead of a signal.
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                   static_cast<rlim_t>(options.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }

  RunResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      result.timed_out = true;
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!result.timed_out && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

}  // namespace

RunResult run_eplgen(const RunOptions& options) {
  return run(environment_or("EPLGEN", EPLGEN_DEFAULT), options);
}

RunResult run_epldump(const RunOptions& options) {
  return run(environment_or("EPLDUMP", EPLDUMP_DEFAULT), options);
}
