#include "platform/console.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "platform/code_page.h"
#include "platform/names.h"

namespace {

const char* program_name = "eplgen";

struct ConsoleState {
  std::set<std::string> warned;  // the messages warn_once has given
  int log_error = 0;             // why standard output failed; 0 while it works
  bool warning_lost = false;     // a diagnostic could not be written
};

ConsoleState state;

// A failure that sets no errno is still a failure.
int error_or_eio() { return errno != 0 ? errno : EIO; }

// After a call that wrote to standard output, with errno cleared before it. Some C libraries
// report a failed write only through the stream's error flag.
void check_log(int result) {
  if ((result < 0 || std::ferror(stdout)) && state.log_error == 0) state.log_error = error_or_eio();
}

void print_warning(const char* message) {
  // Progress lines already printed belong before the diagnostic when both reach one terminal.
  if (state.log_error == 0) {
    errno = 0;
    check_log(std::fflush(stdout));
  }
  if (std::fprintf(stderr, "%s: %s\n", program_name, message) < 0) state.warning_lost = true;
}

std::string format_message(const char* format, va_list arguments) {
  char formatted[2048];
  std::vsnprintf(formatted, sizeof formatted, format, arguments);
  std::string message = formatted;
  // One line whatever a name or an M3U line in it holds, and no control codes for the terminal.
  std::replace_if(
      message.begin(), message.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return message;
}

}  // namespace

void log_line(const char* format, const char* text) {
  if (state.log_error != 0) return;
  errno = 0;
  if (is_ascii(text))
    check_log(std::printf(format, text));
  else
    check_log(std::printf(format, display_text(text).c_str()));
}

void log_line(const char* line) {
  if (state.log_error != 0) return;
  errno = 0;
  check_log(std::fputs(line, stdout));
}

void warn(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  print_warning(message.c_str());
}

void warn_once(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  if (state.warned.insert(message).second) print_warning(message.c_str());
}

void set_program_name(const char* name) { program_name = name; }

int finish_output(int status) {
  if (state.log_error == 0) {
    errno = 0;
    check_log(std::fflush(stdout));
  }
  if (state.log_error != 0)
    warn("cannot write standard output: %s", std::strerror(state.log_error));
  if (std::fflush(stderr) != 0 || std::ferror(stderr)) state.warning_lost = true;
  bool lost = state.log_error != 0 || state.warning_lost;
  return lost && status == 0 ? 1 : status;
}

void reset_console() { state = {}; }
