// Where the user reads what the program says: standard output and standard error, which may be a
// console window of the program's own.
#pragma once

#include <cstdio>
#include <string_view>

class CodePage;

class Terminal {
 public:
  Terminal();

  // Writes text, UTF-8, to stream (standard output or standard error): to a console window as the
  // characters it holds, elsewhere as the bytes the platform's programs write (UTF-8 on POSIX, the
  // code page on Windows, a character it lacks as "?"). Returns false, with errno set, when it
  // cannot.
  bool write(std::FILE* stream, std::string_view text, const CodePage& code_page);

  // Writes out what the stream holds. Returns false, with errno set, when it cannot.
  bool flush(std::FILE* stream);

  // True when stream (standard output or standard error) is a terminal, or a console window: a
  // line there can be rewritten in place.
  bool is_terminal(std::FILE* stream) const;

  // True when the program has a console window of its own, as when it is started from Explorer:
  // the window closes the moment the program ends, and all it showed with it.
  bool has_own_window() const;

  // True when standard input is a console someone can type at.
  bool input_is_console() const;

  // Waits for the user to press Enter: false when the input ends instead.
  bool wait_for_enter();

  // Waits for the user to press any key.
  void wait_for_key();

 private:
  // The console window behind standard output and standard error, or null where they go
  // elsewhere: on Windows; POSIX has none.
  [[maybe_unused]] void* output_console_ = nullptr;
  [[maybe_unused]] void* error_console_ = nullptr;
};
