// The program's two voices: the progress log on standard output, and diagnostics, each one line
// prefixed with the program's name, on standard error.
#pragma once

// Prints one progress line: format holds one %s, which receives text (code-page bytes, shown
// as the console expects them). Once standard output has failed, nothing more is printed.
void log_line(const char* format, const char* text);
void log_line(const char* line);

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

// Forgets the warnings given and any failure of the output, for tests that run afresh.
void reset_console();
