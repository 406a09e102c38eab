// The program's two voices: the progress log on standard output, and diagnostics, each one line
// prefixed with the program's name, on standard error.
#pragma once

// Prints one progress line: format holds one %s, which receives text (code-page bytes, shown
// as the console expects them).
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
