#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/support/library.h"
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
  std::string in_path = (capture.path() / "in").string();
  {
    std::ofstream in(in_path, std::ios::binary);
    in.write(options.input.data(), static_cast<std::streamsize>(options.input.size()));
  }
  int pipe_ends[2] = {-1, -1};
  bool stalled = options.output == StandardOutput::stalled_pipe;
  bool piped = options.output == StandardOutput::closed_pipe ||
               options.output == StandardOutput::unread_pipe || stalled;
  if (piped && (pipe(pipe_ends) != 0 || fcntl(pipe_ends[1], F_SETPIPE_SZ, 4096) < 0)) return {};
  // A terminal that passes every byte as it is written, line ends too.
  int terminal = -1;
  std::string terminal_path;
  if (options.error_to_terminal) {
    termios raw{};
    terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0 ||
        ptsname(terminal) == nullptr || tcgetattr(terminal, &raw) != 0)
      return {};
    cfmakeraw(&raw);
    if (tcsetattr(terminal, TCSANOW, &raw) != 0 || fcntl(terminal, F_SETFL, O_NONBLOCK) != 0)
      return {};
    terminal_path = ptsname(terminal);
  }

  pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    int in = open(in_path.c_str(), O_RDONLY);
    int out = piped ? pipe_ends[1]
              : options.output == StandardOutput::full_device
                  ? open("/dev/full", O_WRONLY)
                  : open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = options.error_to_terminal
                  ? open(terminal_path.c_str(), O_WRONLY | O_NOCTTY)
                  : open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(options.working_folder.c_str()) != 0)
      _exit(125);
    if (piped) close(pipe_ends[0]);
    if (terminal >= 0) close(terminal);
    for (int descriptor : {in, out, err}) close(descriptor);
    if (options.output == StandardOutput::closed) close(1);
    if (options.error_closed) close(2);
    for (const std::string& setting : options.environment) {
      std::size_t equals = setting.find('=');
      setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
    }
    if (options.working_folder_vanishes) {
      std::error_code ignored;
      std::filesystem::remove_all(options.working_folder, ignored);
    }
    if (options.file_size_limit >= 0) {
      // A full disk, as the program sees one. Windows knows no SIGXFSZ: Wine would die of it.
      if (testing_windows_build()) signal(SIGXFSZ, SIG_IGN);
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
  if (piped) close(pipe_ends[1]);
  if (options.output == StandardOutput::closed_pipe) close(pipe_ends[0]);
  if (stalled && fcntl(pipe_ends[0], F_SETFL, O_NONBLOCK) != 0) return {};
  std::string terminal_text;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
  std::optional<std::chrono::steady_clock::time_point> stalled_since;
  int status = 0;
  bool interrupted = options.interrupt_with == 0;
  auto read_all = [](int descriptor, std::string& text) {
    char buffer[4096];
    for (ssize_t got; (got = read(descriptor, buffer, sizeof buffer)) > 0;)
      text.append(buffer, got);
  };
  while (waitpid(child, &status, WNOHANG) == 0) {
    int unread = 0;
    bool full = piped && ioctl(pipe_ends[0], FIONREAD, &unread) == 0 && unread >= 4096;
    if (!interrupted && full) {
      // The pipe is full: the program is blocked writing its log, in the middle of its work.
      kill(child, options.interrupt_with);
      interrupted = true;
    }
    // Blocked for a second and a half, the program has surely lasted longer than a second.
    if (stalled && full && !stalled_since) stalled_since = std::chrono::steady_clock::now();
    if (stalled_since &&
        std::chrono::steady_clock::now() - *stalled_since > std::chrono::milliseconds(1500))
      read_all(pipe_ends[0], result.out);
    if (terminal >= 0) read_all(terminal, terminal_text);
    if (std::chrono::steady_clock::now() > deadline) {
      result.timed_out = true;
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (stalled) read_all(pipe_ends[0], result.out);
  if (terminal >= 0) read_all(terminal, terminal_text);
  for (int descriptor :
       {options.output == StandardOutput::unread_pipe || stalled ? pipe_ends[0] : -1, terminal})
    if (descriptor >= 0) close(descriptor);
  if (!result.timed_out && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (!result.timed_out && WIFSIGNALED(status)) result.exit_status = 128 + WTERMSIG(status);
  if (!piped) result.out = read_file(out_path);
  result.err = options.error_to_terminal ? terminal_text : read_file(err_path);
  return result;
}

}  // namespace

RunResult run_eplgen(const RunOptions& options) {
  return run(environment_or("EPLGEN", EPLGEN_DEFAULT), options);
}

RunResult run_epldump(const RunOptions& options) {
  return run(environment_or("EPLDUMP", EPLDUMP_DEFAULT), options);
}
