// The program's two voices: the progress log on standard output, and diagnostics, each one line
// prefixed with the program's name, on standard error.
#pragma once

#include <string>
#include <string_view>

// Prints one progress line: format holds one %s, which receives text (code-page bytes, shown
// as the console expects them). Once standard output has failed, nothing more is printed.
// Messages, like the texts given to the functions below, are UTF-8.
void log_line(const char* format, const char* text);
void log_line(const char* line);

// As log_line, for what the user asked to see (help, a dry run's answer): quiet or not.
void print_text(const char* format, const char* text);
void print_text(const char* lines);

// Quiet, the progress log is not printed; diagnostics are.
void set_quiet(bool quiet);

// Prints "<program>: <message>" and a line end to standard error.
void warn(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// As warn, but a message already given in this run is not repeated: the working folder is
// listed twice, and a name skipped there is reported once.
void warn_once(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void set_program_name(const char* name);

// Writes out what standard output still holds and checks that all of it, and every diagnostic,
// got out. Returns the program's exit status: status as it is, or 1 in place of 0 when
// something could not be written (said once on standard error, if that still works).
int finish_output(int status);

// How a message names a file, a folder or a line: in quotes, as the console shows it. utf8 is
// UTF-8; text is a path text of the code page.
std::string quoted(std::string_view utf8);
std::string quoted_text(std::string_view text);

// Prints a line to standard error as it is, without the program's name: a hint after a
// diagnostic, or a question to the user.
void print_hint(const char* line);

// How many diagnostics warn and warn_once have given.
unsigned warnings_given();

// Forgets the warnings given and any failure of the output, for tests that run afresh.
void reset_console();

// True when the program has a console window of its own, as when it is started from Explorer:
// the window closes the moment the program ends, and all it showed with it.
bool has_own_console_window();

// Waits for the user to press Enter: false when the input ends instead.
bool wait_for_enter();

// Waits for the user to press any key.
void wait_for_key();
