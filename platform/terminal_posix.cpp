// The terminal on POSIX: it takes UTF-8 like any file, and no window is the program's own.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/terminal.h"

Terminal::Terminal() = default;

bool Terminal::write(std::FILE* stream, std::string_view text, const CodePage& /*code_page*/) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stream) == text.size()) return true;
  if (errno == 0) errno = EIO;
  return false;
}

bool Terminal::flush(std::FILE* stream) {
  errno = 0;
  if (std::fflush(stream) == 0 && !std::ferror(stream)) return true;
  if (errno == 0) errno = EIO;
  return false;
}

bool Terminal::is_terminal(std::FILE* stream) const { return isatty(fileno(stream)) == 1; }

bool Terminal::has_own_window() const { return false; }

bool Terminal::input_is_console() const { return isatty(0) == 1; }

bool Terminal::wait_for_enter() { return true; }

void Terminal::wait_for_key() {}
