#include "scan/console.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char* program_name = "eplgen";

}  // namespace

void log_line(const char* format, const char* text) { std::printf(format, text); }

void log_line(const char* line) { std::fputs(line, stdout); }

void warn(const char* format, ...) {
  // Progress lines already printed belong before the diagnostic when both reach one terminal.
  std::fflush(stdout);
  std::fprintf(stderr, "%s: ", program_name);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

void set_program_name(const char* name) { program_name = name; }
