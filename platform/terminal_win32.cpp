// The terminal on Windows. A console window shows UTF-16: text goes there through WriteConsoleW,
// so that every name shows as it is whatever the console's code page. Redirected to a file or a
// pipe, output stays the bytes it always was: the code page, with CR LF line ends.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "core/code_page.h"
#include "platform/terminal.h"
#include "platform/text_win32.h"

namespace {

// Sets errno for a write to stream that failed: the C library says "Invalid argument" of a pipe
// whose reader is gone, which is a broken pipe.
bool failed(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (errno == EINVAL && GetFileType(handle) == FILE_TYPE_PIPE)
    errno = EPIPE;
  else if (errno == 0)
    errno = EIO;
  return false;
}

HANDLE console_of(std::FILE* stream) {
  intptr_t handle = _get_osfhandle(_fileno(stream));
  DWORD mode = 0;
  if (handle < 0 || !GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode)) return nullptr;
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

Terminal::Terminal() : output_console_(console_of(stdout)), error_console_(console_of(stderr)) {}

bool Terminal::write(std::FILE* stream, std::string_view text, const CodePage& code_page) {
  errno = 0;
  HANDLE console = stream == stdout ? output_console_ : stream == stderr ? error_console_ : nullptr;
  if (console != nullptr) {
    std::wstring wide = utf8_to_wide(text);
    DWORD written = 0;
    if (WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
      return true;
    errno = EIO;
    return false;
  }
  std::string bytes = code_page.spelled(text);
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size()) return true;
  return failed(stream);
}

bool Terminal::flush(std::FILE* stream) {
  errno = 0;
  if (std::fflush(stream) == 0 && !std::ferror(stream)) return true;
  return failed(stream);
}

bool Terminal::is_terminal(std::FILE* stream) const {
  return (stream == stdout   ? output_console_
          : stream == stderr ? error_console_
                             : nullptr) != nullptr;
}

// Started from Explorer (double-clicked, or a folder dropped onto it), the program gets a console
// window that no other process shares, and that closes the moment the program ends.
bool Terminal::has_own_window() const {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

bool Terminal::input_is_console() const {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool Terminal::wait_for_enter() {
  for (;;) {
    int character = std::getchar();
    if (character == '\n') return true;
    if (character == EOF) return false;
  }
}

void Terminal::wait_for_key() { _getch(); }
