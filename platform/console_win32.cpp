// The console on Windows. A console window shows UTF-16: text goes there through WriteConsoleW,
// so that every name shows as it is whatever the console's code page. Redirected to a file or a
// pipe, output stays the bytes it always was: the code page, with CR LF line ends.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/code_page_win32.h"
#include "platform/console.h"
#include "platform/console_platform.h"

namespace {

// The console window behind each standard stream, or null when it goes elsewhere; found once.
struct ConsoleHandles {
  bool found = false;
  HANDLE output = nullptr;
  HANDLE error = nullptr;
};

ConsoleHandles handles;

HANDLE console_of(std::FILE* stream) {
  intptr_t handle = _get_osfhandle(_fileno(stream));
  DWORD mode = 0;
  if (handle < 0 || !GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode)) return nullptr;
  return reinterpret_cast<HANDLE>(handle);
}

HANDLE console_behind(std::FILE* stream) {
  if (!handles.found) handles = {true, console_of(stdout), console_of(stderr)};
  return stream == stdout ? handles.output : stream == stderr ? handles.error : nullptr;
}

}  // namespace

bool write_text(std::FILE* stream, std::string_view text) {
  errno = 0;
  if (HANDLE console = console_behind(stream)) {
    std::wstring wide = utf8_to_wide(text);
    DWORD written = 0;
    if (WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
      return true;
    errno = EIO;
    return false;
  }
  std::string bytes = utf8_to_code_page_bytes(text);
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size()) return true;
  if (errno == 0) errno = EIO;
  return false;
}

void reset_console_platform() { handles = {}; }

// Started from Explorer (double-clicked, or a folder dropped onto it), the program gets a console
// window that no other process shares, and that closes the moment the program ends.
bool has_own_console_window() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

bool wait_for_enter() {
  for (;;) {
    int character = std::getchar();
    if (character == '\n') return true;
    if (character == EOF) return false;
  }
}

void wait_for_key() { _getch(); }
