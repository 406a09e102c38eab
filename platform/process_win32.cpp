#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/paths_win32.h"
#include "platform/process.h"
#include "platform/text_win32.h"

namespace {

// What the console's handler reaches: it takes no arguments, so this one pointer is the
// program's only state outside the run's own.
FilesInFlight* files_in_flight = nullptr;

// Created with FILE_SHARE_DELETE: a file still open goes when the process closes it. Allocates
// nothing, for memory may have run out: the path is made in buffers of its own, in its long form
// (\\?\C:\... or \\?\UNC\server\...), as the device names files.
void remove_file(const char* device_path) {
  wchar_t relative[2048];
  if (MultiByteToWideChar(CP_UTF8, 0, device_path, -1, relative, 2048) == 0) return;
  for (wchar_t* character = relative; *character != L'\0'; ++character)
    if (*character == L'/') *character = L'\\';
  constexpr DWORD kRoom = 4096;
  wchar_t full[kRoom + 8];
  DWORD length = GetFullPathNameW(relative, kRoom, full + 8, nullptr);
  if (length == 0 || length >= kRoom) return;
  // The prefix goes right before the path, over the first backslash of a server's name.
  bool unc = full[8] == L'\\' && full[9] == L'\\';
  std::size_t prefix_length = unc ? 7 : 4;
  wchar_t* start = full + 8 + (unc ? 1 : 0) - prefix_length;
  std::wmemcpy(start, unc ? L"\\\\?\\UNC" : L"\\\\?\\", prefix_length);
  DeleteFileW(start);
}

void let_creation_finish() { Sleep(1); }

// Runs on a thread of its own, while the program goes on.
BOOL WINAPI remove_files_and_end(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (files_in_flight != nullptr)
        files_in_flight->end_and_remove_all(remove_file, let_creation_finish);
      TerminateProcess(GetCurrentProcess(), 130);
      ExitProcess(130);
    default:
      return FALSE;
  }
}

}  // namespace

void remove_files_in_flight(FilesInFlight& files) {
  files.end_and_remove_all(remove_file, let_creation_finish);
}

// The line is ASCII, the same bytes in every code page and as the console shows them.
void say_out_of_memory(const char* line) {
  DWORD written = 0;
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD length = static_cast<DWORD>(std::strlen(line));
  if (!WriteConsoleA(error, line, length, &written, nullptr))
    WriteFile(error, line, length, &written, nullptr);
}

namespace {

// True when descriptor has a handle that works: a closed standard stream has none, or one that
// names nothing.
bool usable(int descriptor) {
  intptr_t handle = _get_osfhandle(descriptor);
  if (handle < 0) return false;
  SetLastError(ERROR_SUCCESS);
  return GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_UNKNOWN ||
         GetLastError() == ERROR_SUCCESS;
}

}  // namespace

// The C library's own parse of the command line, in UTF-16, as it gives wmain.
extern "C" int __wgetmainargs(  // NOLINT(bugprone-reserved-identifier): the library's name
    int* argc, wchar_t*** argv, wchar_t*** environment, int expand, int* start_information);

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = nullptr;
  wchar_t** environment = nullptr;
  int start_information = 0;
  if (__wgetmainargs(&count, &wide, &environment, 0, &start_information) != 0 || count != argc)
    return {argv, argv + argc};
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int index = 0; index < count; ++index) arguments.push_back(wide_to_utf8(wide[index]));
  return arguments;
}

std::string home_folder() {
  const wchar_t* home = _wgetenv(L"USERPROFILE");
  return home != nullptr ? wide_to_utf8(home) : "";
}

bool prepare_process(std::string& reason) {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (usable(descriptor)) continue;
    int null = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
    if (null < 0 || (null != descriptor && _dup2(null, descriptor) != 0)) {
      reason = std::string("cannot open NUL: ") + std::strerror(errno);
      return false;
    }
    if (null != descriptor) _close(null);
  }
  return true;
}

bool remove_on_interruption(FilesInFlight& files, std::string& reason) {
  files_in_flight = &files;
  if (SetConsoleCtrlHandler(remove_files_and_end, TRUE)) return true;
  reason = "cannot handle Ctrl-C: " + system_reason(GetLastError());
  return false;
}

// Windows delivers Ctrl-C and the closed window to a thread of the handler's own.
bool start_thread_without_interruptions(std::thread& thread, std::function<void()> body) {
  try {
    thread = std::thread(std::move(body));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}
