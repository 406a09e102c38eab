// What the console needs of the platform: writing text where the user reads it.
#pragma once

#include <cstdio>
#include <string_view>

// Writes text, UTF-8, to stream (standard output or standard error): to a console window as the
// characters it holds, elsewhere as the bytes the platform's programs write (UTF-8 on POSIX, the
// code page on Windows). Returns false, with errno set, when it cannot.
bool write_text(std::FILE* stream, std::string_view text);

// Forgets what it found out about the streams, for tests that start afresh.
void reset_console_platform();
