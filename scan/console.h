// The program's two voices: the progress log on standard output, and diagnostics, each one line
// prefixed with the program's name, on standard error.
#pragma once

// Prints one progress line: format holds one %s, which receives text.
void log_line(const char* format, const char* text);
void log_line(const char* line);

// Prints "<program>: <message>" and a line end to standard error.
void warn(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void set_program_name(const char* name);
