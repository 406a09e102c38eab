#include "platform/console.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/console_platform.h"
#include "platform/names.h"

namespace {

const char* program_name = "eplgen";

struct ConsoleState {
  std::set<std::string> warned;  // the messages warn_once has given
  unsigned warnings = 0;
  int log_error = 0;  // why standard output failed; 0 while it works
  bool quiet = false;
  bool warning_lost = false;  // a diagnostic could not be written
  std::string line;           // the progress line being printed
  std::string shown;          // the text in it
};

ConsoleState state;

// A failure that sets no errno is still a failure.
int error_or_eio() { return errno != 0 ? errno : EIO; }

// After a call that wrote to standard output, with errno cleared before it. Some C libraries
// report a failed write only through the stream's error flag.
void check_log(bool written) {
  if ((!written || std::ferror(stdout)) && state.log_error == 0) state.log_error = error_or_eio();
}

void print_line(const std::string& line) {
  if (state.log_error != 0) return;
  errno = 0;
  check_log(write_text(stdout, line));
}

void write_error_line(const std::string& line) {
  // Progress lines already printed belong before the diagnostic when both reach one terminal.
  if (state.log_error == 0) {
    errno = 0;
    check_log(std::fflush(stdout) == 0);
  }
  if (!write_text(stderr, line)) state.warning_lost = true;
}

void print_warning(const std::string& message) {
  ++state.warnings;
  write_error_line(std::string(program_name) + ": " + message + "\n");
}

// One line whatever a name or an M3U line in it holds, and no control codes for the terminal.
void show_controls_as_question_marks(std::string& text) {
  std::replace_if(
      text.begin(), text.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
}

std::string format_message(const char* format, va_list arguments) {
  char formatted[2048];
  std::vsnprintf(formatted, sizeof formatted, format, arguments);
  std::string message = formatted;
  show_controls_as_question_marks(message);
  return message;
}

}  // namespace

void print_text(const char* format, const char* text) {
  std::string_view pattern = format;
  std::size_t at = pattern.find("%s");
  std::string& shown = state.shown;
  shown = is_ascii(text) ? text : display_text(text);
  show_controls_as_question_marks(shown);
  state.line.assign(pattern.substr(0, at)).append(shown).append(pattern.substr(at + 2));
  print_line(state.line);
}

void print_text(const char* lines) { print_line(lines); }

void log_line(const char* format, const char* text) {
  if (!state.quiet) print_text(format, text);
}

void log_line(const char* line) {
  if (!state.quiet) print_line(line);
}

void set_quiet(bool quiet) { state.quiet = quiet; }

void warn(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  print_warning(message);
}

void warn_once(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  if (state.warned.insert(message).second) print_warning(message);
}

std::string quoted(std::string_view utf8) {
  std::string text(1, '\'');
  text.append(utf8).push_back('\'');
  return text;
}

std::string quoted_text(std::string_view text) { return quoted(display_text(text)); }

void print_hint(const char* line) { write_error_line(std::string(line) + "\n"); }

unsigned warnings_given() { return state.warnings; }

void set_program_name(const char* name) { program_name = name; }

int finish_output(int status) {
  if (state.log_error == 0) {
    errno = 0;
    check_log(std::fflush(stdout) == 0);
  }
  if (state.log_error != 0)
    warn("cannot write standard output: %s", std::strerror(state.log_error));
  if (std::fflush(stderr) != 0 || std::ferror(stderr)) state.warning_lost = true;
  bool lost = state.log_error != 0 || state.warning_lost;
  return lost && status == 0 ? 1 : status;
}

void reset_console() {
  state = {};
  reset_console_platform();
}
