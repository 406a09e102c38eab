// The program's two voices: the progress log on standard output, and diagnostics, each one line
// prefixed with the program's name, on standard error. Messages are UTF-8; names in them are
// shown as the log shows them, and nothing is ever cut.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/report.h"
#include "platform/terminal.h"

class CodePage;

class Console : public Report {
 public:
  Console(std::string program_name, const CodePage& code_page);

  // The code page names are shown in; it must outlive the console.
  void use_code_page(const CodePage& code_page) { code_page_ = &code_page; }
  const CodePage& code_page() const { return *code_page_; }

  // Quiet, the progress log is not printed; diagnostics are.
  void set_quiet(bool quiet) { quiet_ = quiet; }
  bool quiet() const { return quiet_; }

  // Prints one progress line: format holds one %s, which receives text (code-page bytes, shown as
  // the console expects them). Once standard output has failed, nothing more is printed.
  void log(std::string_view format, std::string_view text) override;
  void log(std::string_view line) override;
  // As log, with text already as the log shows it: UTF-8 without control characters.
  void log_shown(std::string_view format, std::string_view shown) override;

  // As log, for what the user asked to see (help, a dry run's answer): quiet or not.
  void print(std::string_view format, std::string_view text) override;
  void print(std::string_view lines);

  // Prints "<program>: <message>" and a line end to standard error.
  void warn(const std::string& message) override;
  // Prints a line to standard error as it is: a hint after a diagnostic, or a question.
  void hint(const std::string& line);

  // Shows how far the run is, on one line of standard error when that is a terminal, once the run
  // has lasted a second: rewritten in place, at most ten times a second, and erased before any
  // other line reaches the terminal. Nothing is shown in a file or a pipe.
  void progress(std::size_t done, std::size_t planned);
  // Erases the progress line, if one is shown.
  void end_progress();

  // How many diagnostics warn has given.
  unsigned warnings() const { return warnings_; }

  // Writes out what standard output still holds and checks that all of it, and every diagnostic,
  // got out. Returns the program's exit status: status as it is, or 1 in place of 0 when
  // something could not be written (said once on standard error, if that still works).
  int finish(int status);

  Terminal& terminal() { return terminal_; }

 private:
  void print_line(const std::string& line);
  void write_error_line(const std::string& line);
  void check_log(bool written);
  void erase_progress();

  std::string program_name_;
  const CodePage* code_page_;
  Terminal terminal_;
  unsigned warnings_ = 0;
  int log_error_ = 0;  // why standard output failed; 0 while it works
  bool quiet_ = false;
  bool warning_lost_ = false;  // a diagnostic could not be written
  std::string line_;           // the progress line being printed
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point progress_shown_at_{};
  std::size_t progress_width_ = 0;  // of the progress line shown; 0 when none is
  bool output_is_terminal_;
  bool error_is_terminal_;
};
