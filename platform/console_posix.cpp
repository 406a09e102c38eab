// The console on POSIX: a terminal takes UTF-8 like any file, and no window is the program's own.
#include <cerrno>
#include <cstdio>

#include "platform/console.h"
#include "platform/console_platform.h"

bool write_text(std::FILE* stream, std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stream) == text.size()) return true;
  if (errno == 0) errno = EIO;
  return false;
}

void reset_console_platform() {}

bool has_own_console_window() { return false; }

bool wait_for_enter() { return true; }

void wait_for_key() {}
