#include "platform/console.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <set>
#include <string>

#include "platform/code_page.h"
#include "platform/names.h"

namespace {

const char* program_name = "eplgen";

}  // namespace

void log_line(const char* format, const char* text) {
  if (is_ascii(text))
    std::printf(format, text);
  else
    std::printf(format, display_text(text).c_str());
}

void log_line(const char* line) { std::fputs(line, stdout); }

namespace {

void print_warning(const char* message) {
  // Progress lines already printed belong before the diagnostic when both reach one terminal.
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s\n", program_name, message);
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

void warn(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  print_warning(message.c_str());
}

void warn_once(const char* format, ...) {
  static std::set<std::string> given;
  va_list arguments;
  va_start(arguments, format);
  std::string message = format_message(format, arguments);
  va_end(arguments);
  if (given.insert(message).second) print_warning(message.c_str());
}

void set_program_name(const char* name) { program_name = name; }
